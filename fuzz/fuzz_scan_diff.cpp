// Differential target: the product's scanner (tests/scan_harness.h) against
// the plain reference, for both settings of analyzeConnector. The
// whole outcome -- both tables and the scanner state -- must be equal. Each
// scanner also runs on a misaligned copy that ends where its allocation ends,
// so word-wide reads are checked at every alignment.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "fuzz/fuzz_check.h"
#include "tests/scan_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::size_t shift = 1 + size % 7;
  const auto shifted = std::make_unique<std::uint8_t[]>(size + shift);
  std::memset(shifted.get(), 0, shift);
  if (size > 0) std::memcpy(shifted.get() + shift, data, size);

  using namespace scan_harness;
  for (const std::int32_t analyze : {0, 1}) {
    const ScanOutcome reference = RunReference(data, size, analyze);
    for (const NamedScanner& scanner : kScannersUnderTest) {
      FUZZ_CHECK(RunScanner(scanner.scan, data, size, analyze) == reference);
      FUZZ_CHECK(RunScanner(scanner.scan, shifted.get() + shift, size, analyze) == reference);
    }
  }
  return 0;
}
