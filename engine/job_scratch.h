// What one worker of a batch keeps from one job to the next: the arena of the
// records and the report text, reset for each job, and the block a model is
// read into, so that side-by-side jobs do not map and unmap their memory once
// per model (in one process every unmapping is page-table work that the other
// workers' processors share, and fresh pages cost a fault and their zeroing
// each). Used by one thread at a time; the reports and log lines are the same
// to the byte as without it.
#ifndef QUORVEL_ENGINE_JOB_SCRATCH_H_
#define QUORVEL_ENGINE_JOB_SCRATCH_H_

#include "engine/arena.h"
#include "engine/file_ops.h"
#include "engine/page_block.h"

struct JobScratch {
  explicit JobScratch(FileOps& files) : arena(files), model(files) {}
  Arena arena;
  PageBlock model;
};

#endif  // QUORVEL_ENGINE_JOB_SCRATCH_H_
