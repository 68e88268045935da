#include "report/report_text.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "engine/fast_scanner.h"
#include "engine/scan_state.h"
#include "report/connector_match.h"
#include "report/ordering.h"

namespace {

constexpr std::string_view kHeadTop =
    "*************************\n"
    "**   arg list of tav   **\n"
    "*************************\n\n"
    "**<< #connectors: ";
constexpr std::string_view kHeadTotal = " (total ";
constexpr std::string_view kHeadLegend =
    ")\n\n"
    "**   obj = arg (type) [connector]\n"
    "**     [-]: if connector name != obj name\n"
    "**          or no connector\n\n";
constexpr std::size_t kInt32Digits = 11;
constexpr std::size_t kArgDigits = 5;

// Appends by raw pointer into room counted beforehand.
class Writer {
 public:
  explicit Writer(char* at) : at_(at) {}
  void Put(std::string_view text) {
    std::memcpy(at_, text.data(), text.size());
    at_ += text.size();
  }
  void Put(char c) { *at_++ = c; }
  template <typename Int>
  void Number(Int value) {
    at_ = std::to_chars(at_, at_ + kInt32Digits, value).ptr;
  }
  char* at() const { return at_; }

 private:
  char* at_;
};

}  // namespace

std::string_view FormatArgReport(const std::pmr::vector<FlatRecord>& records,
                                 std::int32_t matchedCount, std::int32_t connectorCount,
                                 std::int32_t analyzeConnector, Arena& arena) {
  // Each kind's label once; slot 0 (and any value outside the kinds) the
  // empty one.
  std::string_view labels[kNodeKindCount + 1];
  std::size_t longest = 0;
  for (int k = 1; k <= kNodeKindCount; ++k) {
    labels[k] = NodeKindLabel(static_cast<NodeKind>(k));
    longest = std::max(longest, labels[k].size());
  }
  const auto label = [&labels](NodeKind kind) {
    const auto k = static_cast<std::uint32_t>(kind);
    return k <= static_cast<std::uint32_t>(kNodeKindCount) ? labels[k] : std::string_view();
  };
  // Room for every line at its longest; names and connectors as they are.
  const bool column = analyzeConnector != 0;
  std::size_t room = kHeadTop.size() + kHeadTotal.size() + kHeadLegend.size() + 2 * kInt32Digits;
  constexpr std::size_t kFixed = 3 + kArgDigits + 3 + 2 + 1;  // " = ", arg, " ( ", " )", "\n"
  room += records.size() * (kFixed + longest + (column ? 3 + 3 : 0));
  for (const FlatRecord& r : records) {
    room += r.length;
    if (column && r.connector != nullptr) room += r.connector->length + 2;
  }

  char* text = static_cast<char*>(arena.Take(room, 1));
  Writer out(text);
  out.Put(kHeadTop);
  out.Number(matchedCount);
  out.Put(kHeadTotal);
  out.Number(connectorCount);
  out.Put(kHeadLegend);
  for (const FlatRecord& r : records) {
    out.Put(r.Name());
    out.Put(" = ");
    out.Number(r.arg);
    out.Put(" ( ");
    out.Put(label(r.kind));
    out.Put(" )");
    if (column) {
      out.Put(" [ ");
      if (r.connector != nullptr) {
        out.Put(std::string_view(r.connector->name, r.connector->length));
        out.Put(" ]");
      } else {
        out.Put("- ]");
      }
    }
    out.Put('\n');
  }
  return {text, static_cast<std::size_t>(out.at() - text)};
}

std::string_view ReportFromTables(FlatTables& tables, const ExtractOptions& options, Arena& arena) {
  const std::int32_t matched = MatchConnectors(tables);
  OrderArgList(tables.records(), options.sortByName, arena);
  return FormatArgReport(tables.records(), matched, tables.connectorCount(),
                         options.analyzeConnector, arena);
}

std::string_view ReportText(const std::uint8_t* bytes, std::size_t size,
                            const ExtractOptions& options, Arena& arena) {
  FlatTables tables(arena, size);
  ScanState state;
  if (size > 0) ScanModel(bytes, size, options.analyzeConnector, state, tables);
  return ReportFromTables(tables, options, arena);
}
