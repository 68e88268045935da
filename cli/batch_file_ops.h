// The file operations of jobs that run side by side in one process.
#ifndef QUORVEL_CLI_BATCH_FILE_OPS_H_
#define QUORVEL_CLI_BATCH_FILE_OPS_H_

#include <cstdint>
#include <cstdio>

#include "engine/file_ops.h"

// The real operations, except that a model of up to kReadUpTo bytes is read
// into memory rather than held and mapped (Hold refuses it, so the job takes
// its read path, which checks the file's stamp around the read instead).
// Mapping and unmapping take a lock of the whole process that the other
// jobs' page faults wait for; on small models that costs more than the copy,
// whose blocks the allocator hands from one job to the next. Stateless: one
// object serves every job at once.
class BatchFileOps final : public FileOps {
 public:
  static constexpr std::int64_t kReadUpTo = std::int64_t{32} << 20;

  bool Hold(std::FILE* file) override;
};

#endif  // QUORVEL_CLI_BATCH_FILE_OPS_H_
