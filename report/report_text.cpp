#include "report/report_text.h"

#include <algorithm>
#include <charconv>
#include <cstring>

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

// Appends by raw pointer into room counted beforehand, with copies of sizes
// the compiler knows where it can (the lines are short: a library call per
// piece cost more than the copy).
class Writer {
 public:
  explicit Writer(char* at) : at_(at) {}
  template <std::size_t kSize>
  void Put(const char (&text)[kSize]) {  // a literal, without its NUL
    std::memcpy(at_, text, kSize - 1);
    at_ += kSize - 1;
  }
  void Put(char c) { *at_++ = c; }
  // Reads only text[0, size).
  void Put(const char* text, std::size_t size) {
    if (size >= 8 && size <= 16) {
      PutHeadAndTail<std::uint64_t>(text, size);
    } else if (size >= 4 && size < 8) {
      PutHeadAndTail<std::uint32_t>(text, size);
    } else if (size < 4) {
      for (std::size_t i = 0; i < size; ++i) at_[i] = text[i];
    } else {
      std::memcpy(at_, text, size);
    }
    at_ += size;
  }
  void Put(std::string_view text) { Put(text.data(), text.size()); }
  // Copies text[0, size), sizeof(Word) <= size <= 2 * sizeof(Word), as two
  // words that may overlap: no call and no loop for a short name.
  template <typename Word>
  void PutHeadAndTail(const char* text, std::size_t size) {
    Word head;
    Word tail;
    std::memcpy(&head, text, sizeof(Word));
    std::memcpy(&tail, text + size - sizeof(Word), sizeof(Word));
    std::memcpy(at_, &head, sizeof(Word));
    std::memcpy(at_ + size - sizeof(Word), &tail, sizeof(Word));
  }
  // A piece padded to kPieceRoom bytes, written whole (the room has that much
  // to spare) and kept to its length.
  struct Piece {
    char bytes[32];
    std::size_t length;
  };
  static constexpr std::size_t kPieceRoom = sizeof(Piece::bytes);
  static_assert(std::string_view(" ( ").size() + kNodeKindLabelSize - 1 +
                    std::string_view(" ) [ ").size() <=
                kPieceRoom);
  void Put(const Piece& piece) {
    std::memcpy(at_, piece.bytes, kPieceRoom);
    at_ += piece.length;
  }
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
                                 std::int32_t analyzeConnector, Arena& arena,
                                 std::span<std::uint8_t> spare) {
  const bool column = analyzeConnector != 0;
  // What stands between a record's arg and its connector (or line end), one
  // piece per kind: " ( label )", and " [ " after it with the column. Slot
  // 0 (and any value outside the kinds) has the empty label.
  Writer::Piece middles[kNodeKindCount + 1];
  std::size_t longest = 0;
  for (int k = 0; k <= kNodeKindCount; ++k) {
    const std::string_view label =
        k == 0 ? std::string_view("") : NodeKindLabel(static_cast<NodeKind>(k));
    const std::string_view open = " ( ";
    const std::string_view close = column ? " ) [ " : " )";
    Writer::Piece& middle = middles[k];
    std::memset(middle.bytes, 0, sizeof middle.bytes);
    std::memcpy(middle.bytes, open.data(), open.size());
    std::memcpy(middle.bytes + open.size(), label.data(), label.size());
    std::memcpy(middle.bytes + open.size() + label.size(), close.data(), close.size());
    middle.length = open.size() + label.size() + close.size();
    longest = std::max(longest, middle.length);
  }
  const auto middle = [&middles](NodeKind kind) -> const Writer::Piece& {
    const auto k = static_cast<std::uint32_t>(kind);
    return middles[k <= static_cast<std::uint32_t>(kNodeKindCount) ? k : 0];
  };
  // Room for every line at its longest; names and connectors as they are.
  std::size_t room = kHeadTop.size() + kHeadTotal.size() + kHeadLegend.size() + 2 * kInt32Digits +
                     Writer::kPieceRoom;
  constexpr std::size_t kFixed = 3 + kArgDigits + 1;  // " = ", arg, "\n"
  room += records.size() * (kFixed + longest + (column ? 3 : 0));
  for (const FlatRecord& r : records) {
    room += r.length;
    if (column && r.connector != nullptr) room += r.connector->length + 2;
  }

  char* text = room <= spare.size() ? reinterpret_cast<char*>(spare.data())
                                    : static_cast<char*>(arena.Take(room, 1));
  Writer out(text);
  out.Put(kHeadTop);
  out.Number(matchedCount);
  out.Put(kHeadTotal);
  out.Number(connectorCount);
  out.Put(kHeadLegend);
  for (const FlatRecord& r : records) {
    out.Put(r.name, r.length);
    out.Put(" = ");
    out.Number(r.arg);
    out.Put(middle(r.kind));
    if (column) {
      if (r.connector != nullptr) {
        out.Put(r.connector->name, r.connector->length);
        out.Put(" ]");
      } else {
        out.Put("- ]");
      }
    }
    out.Put('\n');
  }
  return {text, static_cast<std::size_t>(out.at() - text)};
}

std::string_view ReportFromTables(FlatTables& tables, const ExtractOptions& options, Arena& arena,
                                  std::span<std::uint8_t> spare) {
  // Matched in the final order, in which the connector table is read from
  // front to back.
  OrderArgList(tables.records(), options.sortByName, arena);
  const std::int32_t matched = MatchConnectors(tables);
  return FormatArgReport(tables.records(), matched, tables.connectorCount(),
                         options.analyzeConnector, arena, spare);
}
