// A model file whole in one block: the file held against change where that
// can be had, and then mapped read-only or read into one block of (huge)
// pages, whichever costs less for its size (FileOps::MapsBetter); else read
// unheld.
//
// Why a mapping is safe here: a mapped file that another program truncates
// faults (SIGBUS on POSIX) when the lost pages are read. So the file is first
// held against change (FileOps::Hold: a read lease on Linux; never on
// Windows, where a mapped view or a lock would make other programs' saves
// fail, so the model is always read there), and only a held file is mapped. A
// writer or truncation waits until Release (or LetGoOfFile) lets go: the
// mapping goes first, then the hold, then the file. A held file read into
// pages is one version of it, as a mapping is, and stays held as long all the
// same, so that a writer who came meanwhile is told (Unchanged). A held file
// cannot change unless the system breaks the hold by force (Linux: after the
// lease break time, at least 10 s); the walk of a mapped model is guarded
// against that (engine/bus_guard.h).
// Where no hold or mapping is granted, the file is read as it always was,
// between two stamps and under a watch (FileOps::Watch) that notes any write
// the stamps' resolution could hide.
//
// No model is taken while a writer is at work. Load first waits, holding
// nothing, until the file's stamp is kQuietNs old; then it holds and maps it
// (a write that came in between: start again), or, where the hold is refused
// because a writer has the file open, waits for that writer to close it or
// to rest for kQuietNs, and reads the size and bytes there are then. A read
// that overlapped a write is let go and started again; so is a mapped model
// whose hold broke, or was asked to break, before Unchanged (the job's
// business: MayTryAgain). All of it within kChangeBoundNs of the job's first
// Load; a model still being written then reads as changed. A writer that rests
// longer than kQuietNs in the middle of a rewrite with the file closed cannot
// be told from one that has finished.
#ifndef QUORVEL_ENGINE_MODEL_BUFFER_H_
#define QUORVEL_ENGINE_MODEL_BUFFER_H_

#include <cstdint>
#include <cstdio>
#include <span>

#include "engine/file_ops.h"
#include "engine/job_log.h"
#include "engine/page_block.h"

class ModelBuffer {
 public:
  // `kept`, when given, is the block a read model goes into, kept after
  // Release for the next model; else the buffer has a block of its own, let
  // go by Release.
  ModelBuffer(FileOps& files, JobLog& log, PageBlock* kept = nullptr)
      : files_(files), log_(log), own_(files), pages_(kept != nullptr ? *kept : own_) {}
  ~ModelBuffer();
  ModelBuffer(const ModelBuffer&) = delete;
  ModelBuffer& operator=(const ModelBuffer&) = delete;

  // Opens the file at `path` once and measures, maps or reads it through
  // that one handle, waiting for writers as described above. Returns false
  // with its log line written and nothing held when the file cannot be
  // opened, measured ("ERROR: ftell failed"; 2 GiB or more: "ERROR: file too
  // large"), allocated ("ERROR: malloc failed") or read in full ("fsize: M(N)"
  // with the measured size and the count read, then "ERROR: fread failed:
  // request M, read N"). On success it logs nothing: size() is the measured
  // size and the count read. An empty file gives no block. Never writes the
  // file. `shortOfResources()` tells whether a failure was for want of memory
  // or descriptors.
  bool Load(const char* path);

  // False when the block may not be one whole version of the file: a file
  // still being written when the bound ran out, a mapped file whose hold was
  // broken or asked to break (or whose stamp moved), or a read block whose
  // file was written during the read. Call it after the scan, before the
  // block is trusted.
  bool Unchanged() const;

  // True while the job may let go of a changed model and Load it again.
  bool MayTryAgain() const;

  bool shortOfResources() const { return shortOfResources_; }

  // Lets go of the block (unmap, unhold and close, or free); then empty.
  void Release();
  // Lets go of the file and of a mapping as Release does, but keeps the block
  // the model was read into, which no longer holds anything the caller needs,
  // as room for it until Release: that block, or an empty span when the
  // model was mapped or empty. Then empty.
  std::span<std::uint8_t> LetGoOfFile();

  // How long a file's stamp must stand still before its bytes are taken, and
  // how long a job waits at most for a model that is being written.
  static constexpr std::int64_t kQuietNs = 200'000'000;
  static constexpr std::int64_t kChangeBoundNs = 5'000'000'000;
  // The pause before a model that changed is taken again.
  static constexpr std::int64_t kRetryPauseNs = 10'000'000;

  const std::uint8_t* bytes() const { return bytes_; }
  std::int32_t size() const { return size_; }
  bool held() const { return held_ != nullptr; }
  // Held and mapped: a truncation by force would fault the walk.
  bool mapped() const { return mapped_; }

 private:
  enum class HoldOutcome { Held, Moved, Refused, NoMemory };
  // Holds the open `file` and maps or reads it when it still has `stamp`
  // once held; on success the buffer keeps `file` open. Moved (a write came
  // after the stamp), Refused (read unheld instead) or NoMemory (for the
  // block) leave nothing held and `file` open.
  HoldOutcome TakeHeld(std::FILE* file, const FileStamp& stamp);
  // Takes `file`'s stamp into `stamp` once it is kQuietNs old, waiting as
  // needed; false when the bound ran out first.
  bool AwaitQuiet(std::FILE* file, FileStamp& stamp);
  // Reads the open `file` whole into `block`; the count read. `torn` tells
  // whether the file was written meanwhile (its stamp differs from `before`).
  std::size_t ReadWhole(std::FILE* file, std::uint8_t* block, std::int32_t measured,
                        const FileStamp& before, bool& torn);
  bool TimeLeft() const;
  // Closes `file`, logs that the block could not be had; false.
  bool FailForWantOfMemory(std::FILE* file);

  FileOps& files_;
  JobLog& log_;
  PageBlock own_;
  PageBlock& pages_;                     // where a read model goes
  const std::uint8_t* bytes_ = nullptr;  // the mapping or pages_; absent when empty
  std::uint8_t* readBlock_ = nullptr;    // pages_ as read into, when it was
  std::FILE* held_ = nullptr;            // the held file, while mapped or read held
  bool mapped_ = false;                  // bytes_ is held_'s mapping
  FileStamp stamp_;                      // the held file's stamp when taken
  bool mayBeTorn_ = false;               // the block may mix two versions
  bool shortOfResources_ = false;
  std::int64_t deadline_ = 0;  // the end of the bound; 0 before the first Load
  std::int32_t size_ = 0;      // count of bytes the block holds
};

#endif  // QUORVEL_ENGINE_MODEL_BUFFER_H_
