// Buffer to report text, in memory: scan, match, order and format one model
// image. The first input byte picks the options (bit 0 sortByName, bit 1
// analyzeConnector); the rest is the model. Besides the sanitizers, the
// target checks what every report must satisfy whatever the bytes were.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/fast_scanner.h"
#include "engine/records.h"
#include "engine/reference_scanner.h"
#include "engine/scan_state.h"
#include "fuzz/fuzz_check.h"
#include "report/connector_match.h"
#include "report/ordering.h"
#include "report/report_file.h"

namespace {

bool Printable(const std::string& text) {
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte > 0x7E) return false;
  }
  return true;
}

// Header, count line and legend end in ten line feeds together.
constexpr std::size_t kHeaderLineFeeds = 10;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::int32_t sortByName = data[0] & 1;
  const std::int32_t analyzeConnector = (data[0] >> 1) & 1;
  const std::uint8_t* model = data + 1;
  const std::size_t modelSize = size - 1;

  ScanState state;
  ArgTable args;
  ConnectorTable connectors;
  if (modelSize > 0) ScanModel(model, modelSize, analyzeConnector, state, args, connectors);
  FUZZ_CHECK(analyzeConnector != 0 || connectors.empty());
  for (const auto& [ref, connector] : connectors) {
    FUZZ_CHECK(connector.nodeRef == ref);
    FUZZ_CHECK(Printable(connector.name));
  }

  ArgList list;
  const std::int32_t matched = MatchConnectors(args, connectors, list);
  FUZZ_CHECK(list.size() == args.size());
  FUZZ_CHECK(matched >= 0 && static_cast<std::size_t>(matched) <= list.size());
  OrderArgList(list, sortByName);

  std::int32_t paired = 0;
  for (std::size_t i = 0; i < list.size(); ++i) {
    const ArgRecord& r = list[i];
    FUZZ_CHECK(!r.name.empty() && Printable(r.name));
    FUZZ_CHECK(r.kinds.size() == 1);
    const auto kind = static_cast<std::int32_t>(r.kinds[0]);
    FUZZ_CHECK(kind >= 1 && kind <= kNodeKindCount);
    FUZZ_CHECK(args.count(r.name) == 1);
    const auto connector = connectors.find(r.nodeIndex);
    FUZZ_CHECK(r.hasConnector == (connector != connectors.end() ? 1 : 0));
    FUZZ_CHECK(r.connectorName == (r.hasConnector ? connector->second.name : std::string("-")));
    paired += r.hasConnector;
    if (i == 0) continue;
    // Final order: nodeIndex ascending; within one nodeIndex by arg, or by
    // name when sorting by name; equal args keep the name order (stable).
    const ArgRecord& p = list[i - 1];
    FUZZ_CHECK(p.nodeIndex <= r.nodeIndex);
    if (p.nodeIndex == r.nodeIndex) {
      FUZZ_CHECK(sortByName ? p.name < r.name
                            : p.arg < r.arg || (p.arg == r.arg && p.name < r.name));
    }
  }
  FUZZ_CHECK(paired == matched);

  const std::string text = FormatArgReport(analyzeConnector, list, matched,
                                           static_cast<std::int32_t>(connectors.size()));
  const std::string counts = "**<< #connectors: " + std::to_string(matched) + " (total " +
                             std::to_string(connectors.size()) + ")\n";
  FUZZ_CHECK(text.find(counts) != std::string::npos);
  std::size_t lineFeeds = 0;
  for (const char c : text) lineFeeds += c == '\n';
  FUZZ_CHECK(lineFeeds == kHeaderLineFeeds + list.size());
  FUZZ_CHECK(!text.empty() && text.back() == '\n');
  return 0;
}
