// What one worker of a batch keeps from one job to the next: the arena of the
// records and the report text, reset for each job, so that side-by-side jobs
// do not map and unmap its blocks once per model (in one process every
// unmapping is page-table work that the other workers' processors share).
// Used by one thread at a time; the reports and log lines are the same to the
// byte as without it.
//
// The model itself is still mapped: reading small models into a block that
// the worker keeps was measured slower on a 2-core machine (the copy out of
// the page cache cost more than the mapping it saves; see README).
#ifndef QUORVEL_ENGINE_JOB_SCRATCH_H_
#define QUORVEL_ENGINE_JOB_SCRATCH_H_

#include "engine/arena.h"
#include "engine/file_ops.h"

struct JobScratch {
  explicit JobScratch(FileOps& files) : arena(files) {}
  Arena arena;
};

#endif  // QUORVEL_ENGINE_JOB_SCRATCH_H_
