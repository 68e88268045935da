#include "engine/flat_tables.h"

#include <charconv>
#include <cstring>

#include "engine/name_clean.h"

namespace {

constexpr std::size_t kFirstIndexSize = 1024;  // a power of two
constexpr std::size_t kReferences = 65536;

std::uint32_t HashName(std::string_view name) {
  std::uint32_t hash = 2166136261u;  // FNV-1a
  for (const char c : name) hash = (hash ^ static_cast<std::uint8_t>(c)) * 16777619u;
  return hash;
}

std::uint64_t SlotValue(std::uint32_t hash, std::size_t position) {
  return (std::uint64_t{hash} << 32) | static_cast<std::uint32_t>(position + 1);
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

std::uint64_t* FlatTables::Slot(std::string_view name, std::uint32_t hash) {
  for (std::size_t at = hash & indexMask_;; at = (at + 1) & indexMask_) {
    std::uint64_t* slot = &index_[at];
    if (*slot == 0) return slot;
    if (static_cast<std::uint32_t>(*slot >> 32) == hash &&
        records_[static_cast<std::uint32_t>(*slot) - 1].Name() == name) {
      return slot;
    }
  }
}

void FlatTables::GrowIndex() {
  const std::size_t size = index_ == nullptr ? kFirstIndexSize : (indexMask_ + 1) * 2;
  index_ = static_cast<std::uint64_t*>(arena_.Take(size * sizeof(std::uint64_t)));
  indexMask_ = size - 1;
  for (std::size_t i = 0; i < records_.size(); ++i) {
    std::size_t at = records_[i].hash & indexMask_;
    while (index_[at] != 0) at = (at + 1) & indexMask_;
    index_[at] = SlotValue(records_[i].hash, i);
  }
}

void FlatTables::Arg(std::uint16_t nodeIndex, const std::uint8_t* name, std::size_t length,
                     std::uint16_t arg, NodeKind kind) {
  // Kept at most half full, so that probes stay short.
  if (index_ == nullptr || (records_.size() + 1) * 2 > indexMask_ + 1) GrowIndex();
  const std::string_view clean = RecordName(name, length);
  const std::uint32_t hash = HashName(clean);
  std::uint64_t* slot = Slot(clean, hash);
  if (*slot == 0) {
    records_.push_back(FlatRecord{clean.data(), static_cast<std::uint32_t>(clean.size()), hash,
                                  nodeIndex, arg, kind, nullptr});
    *slot = SlotValue(hash, records_.size() - 1);
    return;
  }
  FlatRecord& stored = records_[static_cast<std::uint32_t>(*slot) - 1];
  if (stored.kind == NodeKind::Visibility) {
    stored.arg = arg;
    stored.kind = kind;
    stored.nodeIndex = nodeIndex;
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
