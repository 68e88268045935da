// Failure reporting shared by the fuzz targets: a broken property prints what
// broke and aborts, so libFuzzer saves the input as a crash.
#ifndef QUORVEL_FUZZ_FUZZ_CHECK_H_
#define QUORVEL_FUZZ_FUZZ_CHECK_H_

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                               \
  do {                                                                                      \
    if (!(condition)) {                                                                     \
      std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                         \
    }                                                                                       \
  } while (false)

#endif  // QUORVEL_FUZZ_FUZZ_CHECK_H_
