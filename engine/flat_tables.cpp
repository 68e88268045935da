#include "engine/flat_tables.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <utility>

#include "engine/name_clean.h"

namespace {

constexpr std::size_t kReferences = 65536;

std::uint32_t HashName(std::string_view name) {
  std::uint32_t hash = 2166136261u;  // FNV-1a
  for (const char c : name) hash = (hash ^ static_cast<std::uint8_t>(c)) * 16777619u;
  return hash;
}

}  // namespace

FlatTables::FlatTables(Arena& arena, std::size_t modelBytes) : arena_(arena), records_(&arena) {
  // Room for one record per 256 bytes of model (dense models have one per
  // few hundred), at most 256 Ki records; more grow as usual.
  constexpr std::size_t kBytesPerRecord = 256;
  constexpr std::size_t kMostAhead = std::size_t{1} << 18;
  records_.reserve(std::min(modelBytes / kBytesPerRecord, kMostAhead));
}

std::string_view FlatTables::RecordName(const std::uint8_t* name, std::size_t length) {
  static constexpr std::string_view kUnnamed = "unnamed";
  constexpr std::size_t kDigits = 11;  // a signed 32-bit number
  char* out = static_cast<char*>(arena_.Take(length + kUnnamed.size() + kDigits, 1));
  std::size_t n = CopyPrintable(name, length, out);
  if (n == 0) {
    std::memcpy(out, kUnnamed.data(), kUnnamed.size());
    n = kUnnamed.size();
  }
  // "unnamed", read so or written so, takes the next number.
  if (std::string_view(out, n) == kUnnamed) {
    n += static_cast<std::size_t>(std::to_chars(out + n, out + n + kDigits, unnamedCounter_++).ptr -
                                  (out + n));
  }
  return {out, n};
}

void FlatTables::Arg(std::uint16_t nodeIndex, const std::uint8_t* name, std::size_t length,
                     std::uint16_t arg, NodeKind kind) {
  const std::string_view clean = RecordName(name, length);
  records_.push_back(FlatRecord{clean.data(), static_cast<std::uint32_t>(clean.size()),
                                HashName(clean), nodeIndex, arg, kind, nullptr});
  unsettled_ = true;
}

void FlatTables::Settle() {
  unsettled_ = false;
  const std::size_t n = records_.size();
  if (n < 2) return;
  // The stored record of each name in a table by name hash (open addressing,
  // at most half full; 0 is an empty slot, else a position + 1), filled in
  // walk order: the first record of a name is the stored one; a later one of
  // that name changes it by the rule and is dropped (marked by kind none,
  // which no record made has).
  std::size_t slots = 2;
  while (slots < 2 * n) slots *= 2;
  auto* table = static_cast<std::uint32_t*>(arena_.Take(slots * sizeof(std::uint32_t)));
  bool dropped = false;
  for (std::size_t i = 0; i < n; ++i) {
    FlatRecord& later = records_[i];
    for (std::size_t slot = later.hash & (slots - 1);; slot = (slot + 1) & (slots - 1)) {
      if (table[slot] == 0) {
        table[slot] = static_cast<std::uint32_t>(i + 1);
        break;
      }
      FlatRecord& stored = records_[table[slot] - 1];
      if (stored.hash != later.hash || stored.Name() != later.Name()) continue;
      if (stored.kind == NodeKind::Visibility) {
        stored.arg = later.arg;
        stored.kind = later.kind;
        stored.nodeIndex = later.nodeIndex;
      }
      later.kind = NodeKind::none;
      dropped = true;
      break;
    }
  }
  if (dropped) {
    records_.erase(std::remove_if(records_.begin(), records_.end(),
                                  [](const FlatRecord& r) { return r.kind == NodeKind::none; }),
                   records_.end());
  }
}

void FlatTables::Connector(std::uint16_t nodeRef, const std::uint8_t* name, std::size_t length) {
  if (bySlot_ == nullptr) {
    bySlot_ =
        static_cast<const FlatConnector**>(arena_.Take(kReferences * sizeof(const FlatConnector*)));
  }
  if (bySlot_[nodeRef] != nullptr) return;
  char* out = static_cast<char*>(arena_.Take(length == 0 ? 1 : length, 1));
  const auto n = static_cast<std::uint32_t>(CopyPrintable(name, length, out));
  // Arena memory never moves, so the slot may point at it.
  auto* connector = static_cast<FlatConnector*>(arena_.Take(sizeof(FlatConnector)));
  *connector = FlatConnector{out, n};
  bySlot_[nodeRef] = connector;
  ++connectorCount_;
}
