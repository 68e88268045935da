// The one harness that holds the product to the plain reference
// (tests/reference/), used by the scanner tests, the property tests, the
// report tests and the differential fuzz targets:
// - the product's scanner against the reference scanner: the whole outcome
//   of one run (literal tables and counters), compared as a value;
// - the product's whole job in memory (its scanner, FlatTables, matching,
//   order and text) against the reference's, for all eight option sets.
#ifndef QUORVEL_TESTS_SCAN_HARNESS_H_
#define QUORVEL_TESTS_SCAN_HARNESS_H_

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>

#include "engine/arena.h"
#include "engine/extract_options.h"
#include "engine/fast_scanner.h"
#include "engine/file_ops.h"
#include "engine/flat_tables.h"
#include "engine/scan_state.h"
#include "report/report_text.h"
#include "tests/reference/literal_tables.h"
#include "tests/reference/reference_report.h"
#include "tests/reference/reference_scanner.h"

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

// The product's scanner into the literal tables (names cleaned and numbered
// by the reference's TableSink, through state.unnamedCounter).
inline void ScanProductIntoTables(const std::uint8_t* bytes, std::size_t size,
                                  std::int32_t analyzeConnector, ScanState& state, ArgTable& args,
                                  ConnectorTable& connectors) {
  TableSink sink(args, connectors, state.unnamedCounter);
  ScanModel(bytes, size, analyzeConnector, state, sink);
}

// Every scanner that must agree with ScanModelReference.
inline constexpr NamedScanner kScannersUnderTest[] = {{"product", ScanProductIntoTables}};

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

// Option set n of the eight: bit 0 sortByName, bit 1 saveBesideExtractor,
// bit 2 analyzeConnector.
inline ExtractOptions OptionSet(int n) {
  return ExtractOptions{n & 1, (n >> 1) & 1, (n >> 2) & 1};
}

// The product's whole text for a model image against the reference's, under
// every option set: empty when all agree, else the first difference shown.
// (saveBesideExtractor moves the file only; it is passed all the same, so
// that a text that came to depend on it would show.)
// The job's whole text for a model image in memory: ScanModel into the flat
// tables, then ReportFromTables, as the job does with a model it has read.
inline std::string_view ReportText(const std::uint8_t* bytes, std::size_t size,
                                   const ExtractOptions& options, Arena& arena) {
  FlatTables tables(arena, size);
  ScanState state;
  if (size > 0) ScanModel(bytes, size, options.analyzeConnector, state, tables);
  return ReportFromTables(tables, options, arena);
}

inline std::string JobDifference(const std::uint8_t* bytes, std::size_t size) {
  for (int n = 0; n < 8; ++n) {
    const ExtractOptions options = OptionSet(n);
    Arena arena(FileOps::Default());
    const std::string want = ReferenceReportText(bytes, size, options);
    const std::string_view got = ReportText(bytes, size, options, arena);
    if (got != want) {
      std::ostringstream os;
      os << "option set " << n << " (sortByName " << options.sortByName << ", saveBeside "
         << options.saveBesideExtractor << ", analyzeConnector " << options.analyzeConnector
         << ")\nreference:\n"
         << want << "\nproduct:\n"
         << got;
      return os.str();
    }
  }
  return {};
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
