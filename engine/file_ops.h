// The file and memory calls of the extraction job, behind one narrow seam so
// that tests can make any of them fail. Default() makes the real calls: one
// implementation per system (engine/file_ops_posix.cpp,
// engine/file_ops_windows.cpp, which also say why), the portable calls in
// engine/file_ops.cpp. Paths are the engine's bytes; on Windows they are
// UTF-8, and one that is not fails.
#ifndef QUORVEL_ENGINE_FILE_OPS_H_
#define QUORVEL_ENGINE_FILE_OPS_H_

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "engine/temp_files.h"

// What tells one state of a file from another: its size and its times of
// last modification and status change, in nanoseconds since the Unix epoch.
struct FileStamp {
  std::int64_t size = -1;  // -1: the file could not be asked
  std::int64_t modified = 0;
  std::int64_t changed = 0;
  bool operator==(const FileStamp&) const = default;
};

class FileOps {
 public:
  virtual ~FileOps() = default;

  // ---- Files opened for reading ----

  // Opens an existing regular file for binary reading ("rb"); nullptr when
  // the path cannot be opened or names anything else (a folder, FIFO or
  // device), never blocking on such a file. Other programs may still write,
  // replace or delete the file.
  virtual std::FILE* OpenRead(const char* path);
  // The open file's size, asked of its handle; negative when unknown.
  virtual std::int64_t MeasureSize(std::FILE* file);
  // Seeks to the start; true on success.
  virtual bool Rewind(std::FILE* file);
  // Reads up to `count` bytes at the current position into `buffer`; the
  // count read. Whether they are still the file's, StillOnDisk tells.
  virtual std::size_t Read(void* buffer, std::size_t count, std::FILE* file);
  // False when the file's first `count` bytes, read just now into `block`,
  // are known to differ from the file by now (another program wrote it).
  virtual bool StillOnDisk(std::FILE* file, const void* block, std::size_t count);
  // Closes a file opened by OpenRead or CreateTemp; 0 on success.
  virtual int Close(std::FILE* file);

  // ---- Holding and mapping (engine/model_buffer.h says why) ----
  //
  // Where the system refuses, each returns false (or nullptr) having changed
  // nothing; the job then reads.

  // From now until Unhold or Close no other program changes or truncates the
  // file. Never granted on Windows.
  virtual bool Hold(std::FILE* file);
  // False once another program has asked to write the file since Hold: it may
  // have changed. Never blocks.
  virtual bool HoldIntact(std::FILE* file);
  // Lets go of Hold.
  virtual void Unhold(std::FILE* file);
  // True when another handle has the file open for writing just now; holds
  // nothing afterwards. False where that cannot be asked.
  virtual bool OpenForWriting(std::FILE* file);
  // What ended AwaitWriter.
  enum class WriterEvent { Closed, Wrote, Idle };
  // Waits for what a writer of the file does next: Closed once a handle open
  // for writing is closed, Wrote once the file is written, Idle when
  // `quietNs` pass with neither. Where no such event can be had it waits
  // `quietNs`, then says Idle (Windows: Wrote, so that the caller asks
  // OpenForWriting again).
  virtual WriterEvent AwaitWriter(std::FILE* file, std::int64_t quietNs);
  // Whether a held file of `size` bytes is better mapped than read into a
  // block of pages: which of the two costs less on this system.
  virtual bool MapsBetter(std::size_t size);
  // Maps the first `size` (> 0) bytes of the file read-only, pages loaded
  // ahead.
  virtual const void* Map(std::FILE* file, std::size_t size);
  virtual void Unmap(const void* view, std::size_t size);

  // ---- Telling a change ----

  // The open file's stamp now; size -1 when it cannot be had. A change of
  // size shows at once; a change of times may show late, so a read can pass
  // unseen by the stamps alone: StillOnDisk and Watch cover that.
  virtual FileStamp Stamp(std::FILE* file);
  // The wall clock now, in the nanoseconds of FileStamp's times.
  virtual std::int64_t Now();
  // Waits about `nanoseconds` (> 0).
  virtual void Pause(std::int64_t nanoseconds);
  // Notes every write to the file by anyone from now until Unwatch, however
  // fine the stamps' times. A watch >= 0, or -1 where none can be had (the
  // stamps then decide alone). The three calls of one watch are made on one
  // thread, which has at most one watch at a time.
  virtual int Watch(std::FILE* file);
  // True when the file was written or truncated since Watch, or when the
  // count was lost. Once per watch; never blocks.
  virtual bool WatchSawWrite(int watch);
  virtual void Unwatch(int watch);

  // ---- Resources ----

  // True when the last file or memory call that failed on this thread failed
  // for want of memory or descriptors, so that it may succeed when fewer jobs
  // run. Ask it right after the failure.
  virtual bool FailedForWantOfResources();
  // A large zeroed block of whole pages, on huge pages where the system has
  // them; nullptr when memory is short.
  virtual void* AllocatePages(std::size_t bytes);
  virtual void ReleasePages(void* block, std::size_t bytes);

  // ---- Reports ----
  //
  // A report is written whole into a new temporary file beside it, which then
  // takes its place in one step.

  // Creates a new temporary file in `reportPath`'s folder (never through an
  // existing name or link), opens it for writing in text mode into
  // `temp.file` and lists it (engine/temp_files.h). nullptr, creating
  // nothing, when the folder refuses, or when `reportPath` exists as anything
  // but a regular file or a link, or as a regular file that this process may
  // not write. An existing report's permission bits pass to the new file.
  virtual std::FILE* CreateTemp(const char* reportPath, TempFile& temp);
  // Puts the closed temporary file in place of `reportPath` in one step (a
  // link there is replaced, never followed) and unlists it. False when
  // refused; the temporary file is then still there.
  virtual bool ReplaceWithTemp(TempFile& temp, const char* reportPath);
  // Removes the closed temporary file and unlists it.
  virtual void RemoveTemp(TempFile& temp);
  // Writes all of `bytes`; the count written.
  virtual std::size_t Write(const void* bytes, std::size_t count, std::FILE* file);
  virtual int Flush(std::FILE* file);
  // True when both paths name the same file (through links too), or are
  // spelled the same.
  virtual bool SameFile(const char* a, const char* b);

  // The real calls.
  static FileOps& Default();
};

#endif  // QUORVEL_ENGINE_FILE_OPS_H_
