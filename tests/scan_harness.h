// The one harness that holds every scanner to the plain reference: a
// scanner's whole outcome (tables and counters) from one run, compared as a
// value. The scanner tests, the property tests and the differential fuzz
// target all stamp it over kScannersUnderTest.
#ifndef QUORVEL_TESTS_SCAN_HARNESS_H_
#define QUORVEL_TESTS_SCAN_HARNESS_H_

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "engine/fast_scanner.h"
#include "engine/records.h"
#include "engine/reference_scanner.h"
#include "engine/scan_state.h"

namespace scan_harness {

using TableScanner = void (*)(const std::uint8_t*, std::size_t, std::int32_t, ScanState&, ArgTable&,
                              ConnectorTable&);

struct ScanOutcome {
  ScanState state;
  ArgTable args;
  ConnectorTable connectors;
  bool operator==(const ScanOutcome&) const = default;
};

struct NamedScanner {
  const char* name;
  TableScanner scan;
};

// Every scanner that must agree with ScanModelReference.
inline constexpr NamedScanner kScannersUnderTest[] = {{"fast", ScanModelFast}};

inline ScanOutcome RunScanner(TableScanner scanner, const std::uint8_t* bytes, std::size_t size,
                              std::int32_t analyze, const ScanState& start = {}) {
  ScanOutcome out;
  out.state = start;
  scanner(bytes, size, analyze, out.state, out.args, out.connectors);
  return out;
}

inline ScanOutcome RunReference(const std::uint8_t* bytes, std::size_t size, std::int32_t analyze,
                                const ScanState& start = {}) {
  return RunScanner(ScanModelReference, bytes, size, analyze, start);
}

inline std::string Describe(const ScanState& s) {
  std::ostringstream os;
  os << "versionFound=" << s.versionFound << " nodeSeen=" << s.nodeSeen
     << " nodeCounter=" << s.nodeCounter << " unnamedCounter=" << s.unnamedCounter;
  return os.str();
}

inline std::string Describe(const ScanOutcome& outcome) {
  std::ostringstream os;
  os << Describe(outcome.state) << "\n";
  for (const auto& [key, r] : outcome.args) {
    os << "  [" << key << "] name=" << r.name << " node=" << r.nodeIndex << " arg=" << r.arg
       << " kinds=";
    for (const NodeKind k : r.kinds) os << static_cast<int>(k) << ",";
    os << " conn=" << r.hasConnector << "/" << r.connectorName << "\n";
  }
  for (const auto& [key, c] : outcome.connectors) {
    os << "  [" << key << "] " << c.name << "/" << c.nodeRef << "\n";
  }
  return os.str();
}

}  // namespace scan_harness

#endif  // QUORVEL_TESTS_SCAN_HARNESS_H_
