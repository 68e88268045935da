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

FlatTables::FlatTables(Arena& arena) : arena_(arena), records_(&arena) {}

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
  // Positions sorted by name hash, walk order kept among equal hashes: four
  // stable passes of eight bits.
  constexpr std::size_t kRadix = 256;
  auto* order = static_cast<std::uint32_t*>(arena_.Take(2 * n * sizeof(std::uint32_t)));
  std::uint32_t* spare = order + n;
  for (std::size_t i = 0; i < n; ++i) order[i] = static_cast<std::uint32_t>(i);
  for (unsigned shift = 0; shift < 32; shift += 8) {
    std::size_t starts[kRadix + 1] = {};
    for (std::size_t i = 0; i < n; ++i) ++starts[((records_[i].hash >> shift) & 0xFF) + 1];
    for (std::size_t b = 1; b <= kRadix; ++b) starts[b] += starts[b - 1];
    for (std::size_t i = 0; i < n; ++i) {
      const std::uint32_t at = order[i];
      spare[starts[(records_[at].hash >> shift) & 0xFF]++] = at;
    }
    std::swap(order, spare);
  }
  // Within each group of one hash, in walk order: the first record of a name
  // is the stored one; a later one of that name changes it by the rule and
  // is dropped (marked by kind none, which no record made has).
  bool dropped = false;
  for (std::size_t g = 0; g < n;) {
    const std::uint32_t hash = records_[order[g]].hash;
    std::size_t end = g + 1;
    while (end < n && records_[order[end]].hash == hash) ++end;
    for (std::size_t i = g + 1; i < end; ++i) {
      FlatRecord& later = records_[order[i]];
      for (std::size_t j = g; j < i; ++j) {
        FlatRecord& stored = records_[order[j]];
        if (stored.kind == NodeKind::none || stored.Name() != later.Name()) continue;
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
    g = end;
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
