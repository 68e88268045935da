// Buffer to report text, in memory, through the product: scan into the flat
// tables, match, order and format one model image. The first input byte
// picks the options (bit 0 sortByName, bit 1 analyzeConnector); the rest is
// the model. Besides the sanitizers, the target checks what every report must
// satisfy whatever the bytes were.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <string_view>

#include "engine/arena.h"
#include "engine/fast_scanner.h"
#include "engine/file_ops.h"
#include "engine/flat_tables.h"
#include "engine/records.h"
#include "engine/scan_state.h"
#include "fuzz/fuzz_check.h"
#include "report/report_text.h"

namespace {

bool Printable(std::string_view text) {
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
  const ExtractOptions options{data[0] & 1, 0, (data[0] >> 1) & 1};
  const std::uint8_t* model = data + 1;
  const std::size_t modelSize = size - 1;

  Arena arena(FileOps::Default());
  FlatTables tables(arena);
  ScanState state;
  if (modelSize > 0) ScanModel(model, modelSize, options.analyzeConnector, state, tables);
  FUZZ_CHECK(options.analyzeConnector != 0 || tables.connectorCount() == 0);
  const std::string_view text = ReportFromTables(tables, options, arena);

  std::set<std::string_view> names;
  std::int32_t matched = 0;
  const auto& records = tables.records();
  for (std::size_t i = 0; i < records.size(); ++i) {
    const FlatRecord& r = records[i];
    FUZZ_CHECK(r.length > 0 && Printable(r.Name()));
    FUZZ_CHECK(names.insert(r.Name()).second);
    const auto kind = static_cast<std::int32_t>(r.kind);
    FUZZ_CHECK(kind >= 1 && kind <= kNodeKindCount);
    FUZZ_CHECK(r.connector == tables.ConnectorFor(r.nodeIndex));
    if (r.connector != nullptr) {
      FUZZ_CHECK(Printable(std::string_view(r.connector->name, r.connector->length)));
      ++matched;
    }
    if (i == 0) continue;
    // Final order: nodeIndex ascending; within one nodeIndex by arg, then by
    // name, or by name alone when sorting by name.
    const FlatRecord& p = records[i - 1];
    FUZZ_CHECK(p.nodeIndex <= r.nodeIndex);
    if (p.nodeIndex == r.nodeIndex) {
      FUZZ_CHECK(options.sortByName != 0
                     ? p.Name() < r.Name()
                     : p.arg < r.arg || (p.arg == r.arg && p.Name() < r.Name()));
    }
  }

  const std::string counts = "**<< #connectors: " + std::to_string(matched) + " (total " +
                             std::to_string(tables.connectorCount()) + ")\n";
  FUZZ_CHECK(text.find(counts) != std::string_view::npos);
  std::size_t lineFeeds = 0;
  for (const char c : text) lineFeeds += c == '\n';
  FUZZ_CHECK(lineFeeds == kHeaderLineFeeds + records.size());
  FUZZ_CHECK(!text.empty() && text.back() == '\n');
  return 0;
}
