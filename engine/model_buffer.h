// A model file whole in one block: the file itself mapped read-only where
// that can be had, else read into one block of (huge) pages.
//
// Why a mapping is safe here: a mapped file that another program truncates
// faults (SIGBUS on POSIX) when the lost pages are read. So the file is first
// held against change (FileOps::Hold: a read lease on Linux; never on
// Windows, where a mapped view or a lock would make other programs' saves
// fail, so the model is always read there), and only a held file is mapped. A writer or truncation
// waits until Release lets go: the mapping goes first, then the hold, then the file. A held file
// cannot change unless the system breaks the hold by force (Linux: after the lease break time, at
// least 10 s, far longer than mapping and scanning 2 GiB take); Unchanged()
// tells whether that happened. Where no hold or mapping is granted, the file
// is read as it always was, between two stamps and under a watch
// (FileOps::Watch) that notes any write the stamps' resolution could hide.
//
// A file written less than kQuietNs ago may be in the middle of a rewrite, so
// on both paths Load first waits (at most kQuietBoundNs) until the file's
// stamp is that old; a file that does not come to rest reads as changed. A
// writer that rests longer than that in the middle of a rewrite cannot be
// told from one that has finished.
#ifndef QUORVEL_ENGINE_MODEL_BUFFER_H_
#define QUORVEL_ENGINE_MODEL_BUFFER_H_

#include <cstdint>
#include <cstdio>

#include "engine/file_ops.h"
#include "engine/job_log.h"

class ModelBuffer {
 public:
  ModelBuffer(FileOps& files, JobLog& log) : files_(files), log_(log) {}
  ~ModelBuffer();
  ModelBuffer(const ModelBuffer&) = delete;
  ModelBuffer& operator=(const ModelBuffer&) = delete;

  // Opens the file at `path` once and measures, maps or reads it through
  // that one handle. Logs through its JobLog, as always and in this order: "fsize: M(N)"
  // with the measured size and the count of bytes the block holds, and, when
  // N < M (the file shrank), "ERROR: fread failed: request M, read N". Returns
  // false with its log line written and nothing held when the file cannot be
  // opened, measured (over 2 GiB: "ERROR: file too large"), allocated or read
  // in full. An empty file gives no block. Never writes the file.
  bool Load(const char* path);

  // False when the block may not be one whole version of the file: a file
  // that did not come to rest, a mapped file whose hold was broken and whose
  // stamp differs, or a read block whose file was written during the read.
  // Call it after the scan, before the block is trusted.
  bool Unchanged() const;

  // Lets go of the block (unmap, unhold and close, or free); then empty.
  void Release();

  // How long a file's stamp must stand still before its bytes are taken, and
  // how long Load waits for that at most.
  static constexpr std::int64_t kQuietNs = 50'000'000;
  static constexpr std::int64_t kQuietBoundNs = 250'000'000;

  const std::uint8_t* bytes() const { return bytes_; }
  std::int32_t size() const { return size_; }
  bool mapped() const { return held_ != nullptr; }

 private:
  // Holds and maps the open `file` when its whole `measured` size is still
  // there; on success the buffer keeps `file` open. False, with nothing held
  // and `file` still open, when any step is refused.
  bool MapWhole(std::FILE* file, std::int32_t measured);
  // Takes `file`'s stamp into `stamp` once it is kQuietNs old, waiting as
  // needed; false when it did not get that old within kQuietBoundNs.
  bool AwaitQuiet(std::FILE* file, FileStamp& stamp);
  // Reads the open `file` whole into `block`; the count read. Sets
  // mayBeTorn_ when the file was written meanwhile or never came to rest.
  std::size_t ReadWhole(std::FILE* file, std::uint8_t* block, std::int32_t measured);

  FileOps& files_;
  JobLog& log_;
  const std::uint8_t* bytes_ = nullptr;  // the mapping or block_; absent when empty
  std::uint8_t* block_ = nullptr;        // the block of pages, when read
  std::size_t blockSize_ = 0;
  std::FILE* held_ = nullptr;  // the held file, while mapped
  FileStamp stamp_;            // the held file's stamp when mapped
  bool mayBeTorn_ = false;     // the block may mix two versions
  std::int32_t size_ = 0;      // count of bytes the block holds
};

#endif  // QUORVEL_ENGINE_MODEL_BUFFER_H_
