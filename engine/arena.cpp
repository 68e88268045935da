#include "engine/arena.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "engine/file_ops.h"

Arena::~Arena() {
  while (newest_ != nullptr) {
    Block* previous = newest_->previous;
    files_.ReleasePages(newest_, newest_->size);
    newest_ = previous;
  }
}

void Arena::Reset() {
  if (newest_ == nullptr) return;
  for (Block* older = newest_->previous; older != nullptr;) {
    Block* previous = older->previous;
    files_.ReleasePages(older, older->size);
    older = previous;
  }
  newest_->previous = nullptr;
  std::memset(block_, 0, used_);
  used_ = 0;
}

void* Arena::TakeFromNewBlock(std::size_t bytes, std::size_t alignment) {
  // Blocks double up to the largest size; a request larger than that gets a
  // block of its own size.
  constexpr std::size_t kHeader =
      (sizeof(Block) + alignof(std::max_align_t) - 1) & ~(alignof(std::max_align_t) - 1);
  std::size_t size = newest_ == nullptr ? kFirstBlock : std::min(newest_->size * 2, kLargestBlock);
  if (bytes > size - kHeader - alignment) {
    if (bytes > static_cast<std::size_t>(-1) / 2) throw std::bad_alloc();
    size = kHeader + alignment + bytes;
  }
  void* memory = files_.AllocatePages(size);
  if (memory == nullptr) throw std::bad_alloc();
  Block* block = static_cast<Block*>(memory);
  block->previous = newest_;
  block->size = size;
  newest_ = block;
  block_ = static_cast<char*>(memory) + kHeader;
  size_ = size - kHeader;
  used_ = 0;
  return Take(bytes, alignment);
}
