// Differential target: the product's whole job in memory (its scanner,
// FlatTables, matching, order and text) against the plain reference's, for
// all eight option sets (tests/scan_harness.h). The input is the model image.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "fuzz/fuzz_check.h"
#include "tests/scan_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string difference = scan_harness::JobDifference(data, size);
  if (!difference.empty()) std::fprintf(stderr, "%s\n", difference.c_str());
  FUZZ_CHECK(difference.empty());
  return 0;
}
