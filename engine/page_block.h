// One block of pages for a model's bytes, which a batch worker keeps from one
// model to the next: fresh pages cost a fault and their zeroing each, a kept
// block only the copy. Used by one thread at a time.
#ifndef QUORVEL_ENGINE_PAGE_BLOCK_H_
#define QUORVEL_ENGINE_PAGE_BLOCK_H_

#include <cstddef>
#include <cstdint>

class FileOps;

class PageBlock {
 public:
  explicit PageBlock(FileOps& files) : files_(files) {}
  ~PageBlock() { Release(); }
  PageBlock(const PageBlock&) = delete;
  PageBlock& operator=(const PageBlock&) = delete;

  // At least `size` (> 0) bytes, not zeroed: the block held when it is that
  // large, else a new one (the old one let go first); nullptr, holding
  // nothing, when memory is short. What was taken before is then gone.
  std::uint8_t* Take(std::size_t size);

  // Lets go of the block.
  void Release();

 private:
  FileOps& files_;
  std::uint8_t* block_ = nullptr;
  std::size_t size_ = 0;
};

#endif  // QUORVEL_ENGINE_PAGE_BLOCK_H_
