#include "cli/allocator_tuning.h"

#include <cstdlib>  // defines __GLIBC__ where it is glibc

#if defined(__GLIBC__)
#include <malloc.h>
#endif

void TuneAllocatorForBatches() {
#if defined(__GLIBC__)
  constexpr int kKeptFree = 64 << 20;
  constexpr int kLargestFromHeap = 32 << 20;  // glibc's own upper bound on 64-bit
  mallopt(M_TRIM_THRESHOLD, kKeptFree);
  mallopt(M_MMAP_THRESHOLD, kLargestFromHeap);
#endif
}
