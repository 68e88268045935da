#include "tests/alloc_hook.h"

#include <cstdlib>
#include <new>

namespace {

thread_local long armedAt = 0;  // 0: disarmed
thread_local long calls = 0;
thread_local bool hasFired = false;

void* Allocate(std::size_t bytes) {
  if (armedAt != 0 && ++calls == armedAt) {
    hasFired = true;
    throw std::bad_alloc();
  }
  void* block = std::malloc(bytes == 0 ? 1 : bytes);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

void* AllocateOrNull(std::size_t bytes) noexcept {
  try {
    return Allocate(bytes);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace

// Every form that the library may pair with std::free is replaced, so that
// allocation and release always meet in malloc and free.
void* operator new(std::size_t bytes) {
  return Allocate(bytes);
}
void* operator new[](std::size_t bytes) {
  return Allocate(bytes);
}
void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept {
  return AllocateOrNull(bytes);
}
void* operator new[](std::size_t bytes, const std::nothrow_t&) noexcept {
  return AllocateOrNull(bytes);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
  std::free(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
  std::free(block);
}
void operator delete(void* block) noexcept {
  std::free(block);
}
void operator delete[](void* block) noexcept {
  std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
  std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
  std::free(block);
}

namespace testing_support {

FailingAllocation::FailingAllocation(long failAt) {
  armedAt = failAt;
  calls = 0;
  hasFired = false;
}

FailingAllocation::~FailingAllocation() {
  armedAt = 0;
}

bool FailingAllocation::fired() const {
  return hasFired;
}

}  // namespace testing_support
