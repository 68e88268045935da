// Makes one chosen call of the global operator new throw std::bad_alloc, so
// tests can run out of memory at every allocation of a piece of code in turn.
// The replacement operator new lives in alloc_hook.cpp, in the test binary only.
#ifndef QUORVEL_TESTS_ALLOC_HOOK_H_
#define QUORVEL_TESTS_ALLOC_HOOK_H_

namespace testing_support {

// While alive, the `failAt`-th call (1-based) of operator new on this thread
// throws std::bad_alloc (the nothrow forms return null); the calls before it
// and after it succeed.
class FailingAllocation {
 public:
  explicit FailingAllocation(long failAt);
  ~FailingAllocation();
  FailingAllocation(const FailingAllocation&) = delete;
  FailingAllocation& operator=(const FailingAllocation&) = delete;

  // True once the chosen call has thrown.
  bool fired() const;
};

}  // namespace testing_support

#endif  // QUORVEL_TESTS_ALLOC_HOOK_H_
