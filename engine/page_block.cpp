#include "engine/page_block.h"

#include "engine/file_ops.h"

std::uint8_t* PageBlock::Take(std::size_t size) {
  if (block_ != nullptr && size <= size_) return block_;
  Release();
  block_ = static_cast<std::uint8_t*>(files_.AllocatePages(size));
  if (block_ != nullptr) size_ = size;
  return block_;
}

void PageBlock::Release() {
  if (block_ != nullptr) files_.ReleasePages(block_, size_);
  block_ = nullptr;
  size_ = 0;
}
