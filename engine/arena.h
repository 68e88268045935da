// One job's memory for its records, names and report: taken in large blocks
// of pages (FileOps::AllocatePages, huge pages where the system has them),
// handed out by bumping a pointer, never freed piece by piece, and given back
// whole when the arena is destroyed.
#ifndef QUORVEL_ENGINE_ARENA_H_
#define QUORVEL_ENGINE_ARENA_H_

#include <cstddef>
#include <memory_resource>

class FileOps;

class Arena final : public std::pmr::memory_resource {
 public:
  explicit Arena(FileOps& files) : files_(files) {}
  ~Arena() override;
  Arena(const Arena&) = delete;
  Arena& operator=(const Arena&) = delete;

  // `bytes` of zeroes (the arena never hands out a byte twice), aligned to
  // `alignment` (a power of two, at most alignof(std::max_align_t)). Throws
  // std::bad_alloc when no block can be had, as operator new does; the job
  // turns that into its "ERROR: malloc failed" line.
  void* Take(std::size_t bytes, std::size_t alignment = alignof(std::max_align_t)) {
    const std::size_t at = (used_ + alignment - 1) & ~(alignment - 1);
    if (at > size_ || bytes > size_ - at) return TakeFromNewBlock(bytes, alignment);
    used_ = at + bytes;
    return block_ + at;
  }

  // Makes the arena as new for the next job of the same worker, keeping its
  // newest (largest) block, zeroed again where it was used; the others go.
  // Nothing taken before may be used after.
  void Reset();

  static constexpr std::size_t kFirstBlock = std::size_t{1} << 20;
  static constexpr std::size_t kLargestBlock = std::size_t{64} << 20;

 private:
  // The block header: blocks form a list from the newest.
  struct Block {
    Block* previous;
    std::size_t size;
  };

  void* TakeFromNewBlock(std::size_t bytes, std::size_t alignment);
  void* do_allocate(std::size_t bytes, std::size_t alignment) override {
    return Take(bytes, alignment);
  }
  void do_deallocate(void*, std::size_t, std::size_t) override {}
  bool do_is_equal(const std::pmr::memory_resource& other) const noexcept override {
    return this == &other;
  }

  FileOps& files_;
  Block* newest_ = nullptr;
  char* block_ = nullptr;  // the newest block's usable bytes
  std::size_t size_ = 0;
  std::size_t used_ = 0;
};

#endif  // QUORVEL_ENGINE_ARENA_H_
