// Differential target: the job's scanner (ScanModel) against the plain
// reference (ScanModelReference), for both settings of analyzeConnector. The
// tables must be equal field for field and the scanner state counter for
// counter. The job's scanner also runs on a misaligned copy that ends where
// its allocation ends, so word-wide reads are checked at every alignment.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "engine/node_scanner.h"
#include "engine/records.h"
#include "engine/scan_state.h"
#include "fuzz/fuzz_check.h"

namespace {

struct Outcome {
  ScanState state;
  ArgTable args;
  ConnectorTable connectors;
};

using Scanner = void (*)(const std::uint8_t*, std::size_t, std::int32_t, ScanState&, ArgTable&,
                         ConnectorTable&);

Outcome Run(Scanner scanner, const std::uint8_t* bytes, std::size_t size, std::int32_t analyze) {
  Outcome out;
  scanner(bytes, size, analyze, out.state, out.args, out.connectors);
  return out;
}

bool SameRecord(const ArgRecord& a, const ArgRecord& b) {
  return a.nodeIndex == b.nodeIndex && a.name == b.name && a.arg == b.arg && a.kinds == b.kinds &&
         a.hasConnector == b.hasConnector && a.connectorName == b.connectorName;
}

void ExpectSame(const Outcome& fast, const Outcome& reference) {
  FUZZ_CHECK(fast.state.versionFound == reference.state.versionFound);
  FUZZ_CHECK(fast.state.nodeSeen == reference.state.nodeSeen);
  FUZZ_CHECK(fast.state.nodeCounter == reference.state.nodeCounter);
  FUZZ_CHECK(fast.state.unnamedCounter == reference.state.unnamedCounter);
  FUZZ_CHECK(fast.args.size() == reference.args.size());
  for (auto f = fast.args.begin(), r = reference.args.begin(); f != fast.args.end(); ++f, ++r) {
    FUZZ_CHECK(f->first == r->first);
    FUZZ_CHECK(SameRecord(f->second, r->second));
  }
  FUZZ_CHECK(fast.connectors.size() == reference.connectors.size());
  for (auto f = fast.connectors.begin(), r = reference.connectors.begin();
       f != fast.connectors.end(); ++f, ++r) {
    FUZZ_CHECK(f->first == r->first);
    FUZZ_CHECK(f->second.name == r->second.name && f->second.nodeRef == r->second.nodeRef);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::size_t shift = 1 + size % 7;
  const auto shifted = std::make_unique<std::uint8_t[]>(size + shift);
  std::memset(shifted.get(), 0, shift);
  if (size > 0) std::memcpy(shifted.get() + shift, data, size);

  for (const std::int32_t analyze : {0, 1}) {
    const Outcome reference = Run(ScanModelReference, data, size, analyze);
    ExpectSame(Run(ScanModel, data, size, analyze), reference);
    ExpectSame(Run(ScanModel, shifted.get() + shift, size, analyze), reference);
  }
  return 0;
}
