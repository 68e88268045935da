#include "report/flat_report.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "engine/fast_scanner.h"
#include "engine/reference_scanner.h"
#include "engine/scan_state.h"
#include "report/connector_match.h"
#include "report/ordering.h"
#include "report/report_file.h"

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

bool NameLess(const FlatRecord& a, const FlatRecord& b) {
  const std::size_t common = std::min(a.length, b.length);
  const int order = std::memcmp(a.name, b.name, common);
  return order != 0 ? order < 0 : a.length < b.length;
}

// Both stable sorts of the reference over a list in name order come to this
// one total order, since names are unique.
void Order(std::pmr::vector<FlatRecord>& records, bool byArg) {
  const auto less = [byArg](const FlatRecord& a, const FlatRecord& b) {
    if (a.nodeIndex != b.nodeIndex) return a.nodeIndex < b.nodeIndex;
    if (byArg && a.arg != b.arg) return a.arg < b.arg;
    return NameLess(a, b);
  };
  // Records come in walk order, in which nodeIndex rarely falls.
  if (!std::is_sorted(records.begin(), records.end(), less)) {
    std::sort(records.begin(), records.end(), less);
  }
}

}  // namespace

std::string_view FormatFlatReport(FlatTables& tables, std::int32_t sortByName,
                                  std::int32_t analyzeConnector, Arena& arena) {
  std::pmr::vector<FlatRecord>& records = tables.records();
  std::size_t labels[kNodeKindCount + 1] = {};
  for (int k = 1; k <= kNodeKindCount; ++k) {
    labels[k] = std::strlen(NodeKindLabel(static_cast<NodeKind>(k)));
  }
  const bool column = analyzeConnector == 1;
  std::int32_t matched = 0;
  std::size_t room = kHeadTop.size() + kHeadTotal.size() + kHeadLegend.size() + 2 * kInt32Digits;
  for (FlatRecord& r : records) {
    r.connector = tables.ConnectorFor(r.nodeIndex);
    if (r.connector != nullptr) ++matched;
    const auto kind = static_cast<std::size_t>(r.kind);
    room += r.length + 3 + kArgDigits + 3 + (kind <= kNodeKindCount ? labels[kind] : 0) + 2 + 1;
    if (column) room += 3 + (r.connector != nullptr ? r.connector->length + 2 : 3);
  }
  Order(records, sortByName == 0);

  char* text = static_cast<char*>(arena.Take(room, 1));
  Writer out(text);
  out.Put(kHeadTop);
  out.Number(matched);
  out.Put(kHeadTotal);
  out.Number(tables.connectorCount());
  out.Put(kHeadLegend);
  for (const FlatRecord& r : records) {
    out.Put(r.Name());
    out.Put(" = ");
    out.Number(r.arg);
    out.Put(" ( ");
    out.Put(NodeKindLabel(r.kind));
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

std::string_view FlatReportText(const std::uint8_t* bytes, std::size_t size,
                                std::int32_t sortByName, std::int32_t analyzeConnector,
                                Arena& arena) {
  FlatTables tables(arena);
  ScanState state;
  if (size > 0) ScanModelFastInto(bytes, size, analyzeConnector, state, tables);
  return FormatFlatReport(tables, sortByName, analyzeConnector, arena);
}

std::string ReferenceReportText(const std::uint8_t* bytes, std::size_t size,
                                std::int32_t sortByName, std::int32_t analyzeConnector) {
  ArgTable args;
  ConnectorTable connectors;
  ScanState state;
  if (size > 0) ScanModelReference(bytes, size, analyzeConnector, state, args, connectors);
  ArgList list;
  const std::int32_t matched = MatchConnectors(args, connectors, list);
  OrderArgListReference(list, sortByName);
  return FormatArgReport(analyzeConnector, list, matched,
                         static_cast<std::int32_t>(connectors.size()));
}
