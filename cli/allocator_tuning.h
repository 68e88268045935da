// The C library's allocator set up for a batch of many models.
#ifndef QUORVEL_CLI_ALLOCATOR_TUNING_H_
#define QUORVEL_CLI_ALLOCATOR_TUNING_H_

// Every model's job allocates and frees tables of the same sizes again. With
// glibc's defaults each free hands the top of the heap back to the system a
// page at a time (brk, or madvise in a thread's arena) and the next job faults
// it in again: a third of a batch's time on typical models, and more with
// jobs side by side. This keeps up to 64 MiB of freed memory per arena for the
// next job, and takes blocks under 32 MiB from the heap rather than from fresh
// mappings. Peak memory is unchanged. Elsewhere it does nothing.
void TuneAllocatorForBatches();

#endif  // QUORVEL_CLI_ALLOCATOR_TUNING_H_
