// The file and memory operations the extraction job performs, behind one
// narrow seam so that tests can make any of them fail. The default object
// performs the real operations through the C runtime and the system's own
// file and memory calls.
#ifndef QUORVEL_ENGINE_FILE_OPS_H_
#define QUORVEL_ENGINE_FILE_OPS_H_

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "engine/temp_files.h"

// What tells one state of a file from another: its size and its times of
// last modification and status change, in nanoseconds where the system has them.
struct FileStamp {
  std::int64_t size = -1;  // -1: the file could not be asked
  std::int64_t modified = 0;
  std::int64_t changed = 0;
  bool operator==(const FileStamp&) const = default;
};

class FileOps {
 public:
  virtual ~FileOps() = default;

  // Opens an existing regular file for binary reading ("rb"). The job opens
  // the model once and measures, maps or reads it through that one handle. Returns nullptr
  // when the path cannot be opened or names anything but a regular file
  // (directory, FIFO, device); never blocks on such a file. Windows: the
  // UTF-8 path is widened (engine/wide_path.h; a path that is not UTF-8
  // fails), and the file is shared for reading, writing and deletion.
  virtual std::FILE* OpenRead(const char* path);
  // The open file's size, asked of its handle (fstat; GetFileSizeEx), or a
  // negative value when it cannot be measured.
  virtual std::int64_t MeasureSize(std::FILE* file);
  // Seeks to the start; true on success.
  virtual bool Rewind(std::FILE* file);
  // Reads up to `count` bytes at the current position into `buffer`; the
  // count read. It does not tell whether the bytes are still the file's:
  // StillOnDisk does.
  virtual std::size_t Read(void* buffer, std::size_t count, std::FILE* file);
  // False when the file's first `count` bytes, read just now into `block`,
  // are known to differ from the file by now: another program wrote it
  // meanwhile. Windows reads them again and compares (a second pass: there a
  // rewrite in place through another open handle moves no stamp); elsewhere
  // true without reading, since the stamps and the watch see every write.
  virtual bool StillOnDisk(std::FILE* file, const void* block, std::size_t count);
  // Closes a file opened by OpenRead or CreateTemp; 0 on success.
  virtual int Close(std::FILE* file);

  // A file opened by OpenRead held against change, so that it can be mapped
  // (see engine/model_buffer.h for why). Each returns false (or nullptr),
  // having changed nothing, where the system refuses; the job then reads.
  //
  // Hold: from now until Unhold (or Close) no other program changes or
  // truncates the file. Linux: a read lease; writers and truncation wait until
  // it is released. It is refused while anyone has the file open for writing,
  // to all but the file's owner (or CAP_LEASE), and when the system's lease
  // break time is under 10 s. No signal reaches the process for it: the lease
  // names no owner, and the signal chosen for the moment before that is one
  // whose disposition here is to be ignored (SIGURG, else SIGWINCH; with a
  // handler on both, no lease). Windows: always false; nothing is held or
  // mapped there, since a lock or a view makes other programs' saves fail.
  virtual bool Hold(std::FILE* file);
  // False once another program has asked to write the file since Hold (the
  // lease is breaking or broken); the file may then have changed. Never asks
  // anything that could block.
  virtual bool HoldIntact(std::FILE* file);
  virtual void Unhold(std::FILE* file);
  // True when another handle has `file` open for writing just now, asked
  // without holding anything afterwards. Linux: a read lease is refused with
  // EAGAIN (the lease, when granted, is let go at once); false where no lease
  // can be asked (another user's file, both quiet signals handled). Windows:
  // always false: the one way to ask (a second open that allows no other
  // writer) makes another program's save fail if it comes in that moment.
  virtual bool OpenForWriting(std::FILE* file);
  // What ended AwaitWriter.
  enum class WriterEvent { Closed, Wrote, Idle };
  // Waits for what a writer of `file` does next: Closed as soon as a handle
  // open for writing is closed, Wrote as soon as the file is written, Idle
  // when `quietNs` pass with neither. Linux: inotify (IN_CLOSE_WRITE,
  // IN_MODIFY); without it, a pause of `quietNs` and Idle. Windows, which
  // tells no such event: a pause of `quietNs` and Wrote, so that the caller
  // asks OpenForWriting again.
  virtual WriterEvent AwaitWriter(std::FILE* file, std::int64_t quietNs);
  // Maps the first `size` (> 0) bytes of `file` read-only, pages loaded ahead.
  virtual const void* Map(std::FILE* file, std::size_t size);
  virtual void Unmap(const void* view, std::size_t size);
  // The file's stamp now; size -1 when it cannot be had. Linux: size, mtime
  // and ctime in ns, all updated at once by every write through any
  // descriptor. Windows: size, LastWriteTime and ChangeTime (100 ns) of the
  // open handle. A size change (truncation, CREATE_ALWAYS, growth) shows at
  // once through every handle. The times do not always: NTFS notes a cached
  // write in the writer's handle and sets the times when that handle is
  // closed (cleanup) or when the file's size is next set, so a rewrite in
  // place that keeps the size and whose handle stays open past the read is
  // not seen; nor, on any system, a read that lies wholly inside one long
  // write, whose times were set as it began. StillOnDisk covers that gap on
  // Windows. The times count nanoseconds since the Unix epoch, like Now().
  virtual FileStamp Stamp(std::FILE* file);
  // The wall clock now, in the nanoseconds of FileStamp's times.
  virtual std::int64_t Now();
  // Waits about `nanoseconds` (> 0).
  virtual void Pause(std::int64_t nanoseconds);

  // Notes every write to `file` by anyone from now until Unwatch, whatever
  // the file system's time stamps can resolve. Returns a watch >= 0, or -1
  // where no such note can be had (Windows; Linux without inotify or with its
  // instances or watches used up); the caller then has the stamps alone.
  // The three calls of one watch are made on one thread, which has at most
  // one watch at a time.
  virtual int Watch(std::FILE* file);
  // True when the file was written or truncated since Watch, or when the
  // system lost count. Call it once per watch. Never blocks.
  virtual bool WatchSawWrite(int watch);
  virtual void Unwatch(int watch);

  // True when the last file or memory call that failed on this thread failed
  // for want of memory or descriptors (EMFILE, ENFILE, ENOMEM; Windows: too
  // many open files, not enough memory or quota), so that the same call may
  // succeed when fewer jobs run. Ask it right after the failure.
  virtual bool FailedForWantOfResources();

  // A large zeroed block of whole pages, given huge pages where the system
  // has them (Linux: an anonymous mapping with MADV_HUGEPAGE), so that
  // filling it takes few page faults; nullptr when memory is short. Where
  // there are no such pages it is an ordinary zeroed heap block.
  virtual void* AllocatePages(std::size_t bytes);
  virtual void ReleasePages(void* block, std::size_t bytes);

  // A report is never written in place: it is written whole into a new
  // temporary file beside it, which then takes its place in one step.
  //
  // Creates the temporary file for `reportPath` in the same folder, always as
  // a new file (exclusive creation, never through an existing name or link),
  // opens it for writing in text mode into `temp.file` and lists it
  // (engine/temp_files.h). Returns nullptr, creating nothing, when the folder
  // refuses, or when `reportPath` exists as anything but a regular file or a
  // link (a folder, FIFO, device or socket is never opened, so never blocks
  // the run), or as a regular file that this process may not write (as a "w"
  // open would have refused; Windows: read-only). The permission bits of an
  // existing regular report are given to the new file. Windows: wide
  // long-path form; the file is shared for deletion, so that an interrupted
  // run can remove it while it is open.
  virtual std::FILE* CreateTemp(const char* reportPath, TempFile& temp);
  // Puts the closed temporary file in place of `reportPath` in one step and
  // unlists it: rename (Windows: MoveFileExW with MOVEFILE_REPLACE_EXISTING
  // and MOVEFILE_WRITE_THROUGH). A link at `reportPath` is replaced, never
  // followed. False when refused; the temporary file is then still there.
  virtual bool ReplaceWithTemp(TempFile& temp, const char* reportPath);
  // Removes the closed temporary file and unlists it.
  virtual void RemoveTemp(TempFile& temp);
  // Writes all of `bytes`; returns the count written.
  virtual std::size_t Write(const void* bytes, std::size_t count, std::FILE* file);
  virtual int Flush(std::FILE* file);
  // True when both paths exist and name the same file (through links too).
  virtual bool SameFile(const char* a, const char* b);

  // The real operations.
  static FileOps& Default();
};

#endif  // QUORVEL_ENGINE_FILE_OPS_H_
