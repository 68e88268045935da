// FileOps: large blocks of whole pages (contracts in engine/file_ops.h).
#include <cstdlib>

#include "engine/file_ops.h"

#if defined(__linux__)
#include <sys/mman.h>

void* FileOps::AllocatePages(std::size_t bytes) {
  void* block = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (block == MAP_FAILED) return nullptr;
  // Advice only: where huge pages are off the block still works. A block
  // smaller than a huge page would only be rounded up to one.
  constexpr std::size_t kHugePage = std::size_t{2} << 20;
  if (bytes >= kHugePage) ::madvise(block, bytes, MADV_HUGEPAGE);
  return block;
}

void FileOps::ReleasePages(void* block, std::size_t bytes) {
  ::munmap(block, bytes);
}

#else

void* FileOps::AllocatePages(std::size_t bytes) {
  return std::calloc(bytes, 1);  // no huge pages to be had here
}

void FileOps::ReleasePages(void* block, std::size_t) {
  std::free(block);
}

#endif
