// A model file whole in one block: the file itself mapped read-only where
// that can be had, else read into one heap block.
//
// Why a mapping is safe here: a mapped file that another program truncates
// faults (SIGBUS on POSIX) when the lost pages are read. So the file is first
// held against change (FileOps::Hold: a read lease on Linux, a shared lock on
// Windows, where a mapped file also cannot be truncated), and only a held file
// is mapped. A writer or truncation waits until Release lets go: the mapping
// goes first, then the hold, then the file. A held file cannot change unless
// the system breaks the hold by force (Linux: after the lease break time, at
// least 10 s, far longer than mapping and scanning 2 GiB take); Unchanged()
// tells whether that happened. Where no hold or mapping is granted, the file
// is read as it always was.
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

  // Opens the file at `path` twice: once to measure it, once to map or read
  // it. Logs through its JobLog, as always and in this order: "fsize: M(N)"
  // with the measured size and the count of bytes the block holds, and, when
  // N < M (the file shrank), "ERROR: fread failed: request M, read N". Returns
  // false with its log line written and nothing held when the file cannot be
  // opened, measured (over 2 GiB: "ERROR: file too large"), allocated or read
  // in full. An empty file gives no block. Never writes the file.
  bool Load(const char* path);

  // False when the block may not be one whole version of the file: a mapped
  // file whose hold was broken and whose stamp differs, or a read block whose
  // file's stamp moved during the read. Call it after the scan, before the
  // block is trusted.
  bool Unchanged() const;

  // Lets go of the block (unmap, unhold and close, or free); then empty.
  void Release();

  const std::uint8_t* bytes() const { return bytes_; }
  std::int32_t size() const { return size_; }
  bool mapped() const { return held_ != nullptr; }

 private:
  // Holds and maps the open `file` when its whole `measured` size is still
  // there; on success the buffer keeps `file` open. False, with nothing held
  // and `file` still open, when any step is refused.
  bool MapWhole(std::FILE* file, std::int32_t measured);

  FileOps& files_;
  JobLog& log_;
  const std::uint8_t* bytes_ = nullptr;  // the mapping or block_; absent when empty
  std::uint8_t* block_ = nullptr;        // the heap block, when read
  std::FILE* held_ = nullptr;            // the held file, while mapped
  FileStamp stamp_;                      // the held file's stamp when mapped
  bool readOverlappedChange_ = false;    // the stamp moved while the block was read
  std::int32_t size_ = 0;                // count of bytes the block holds
};

#endif  // QUORVEL_ENGINE_MODEL_BUFFER_H_
