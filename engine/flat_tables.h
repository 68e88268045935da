// The records and connectors of one job: flat arrays in one Arena, names
// cleaned and copied once into it, a hashed index by name and a direct table
// by node reference. Here live the rules by which a find enters the tables:
// the name's printable bytes and the numbering of unnamed objects, the
// duplicate rule (a stored Visibility record gives way), and the first
// connector per reference.
#ifndef QUORVEL_ENGINE_FLAT_TABLES_H_
#define QUORVEL_ENGINE_FLAT_TABLES_H_

#include <cstddef>
#include <cstdint>
#include <memory_resource>
#include <string_view>
#include <vector>  // std::pmr::vector

#include "engine/arena.h"
#include "engine/records.h"
#include "engine/scan_sink.h"

struct FlatConnector {
  const char* name;  // cleaned, in the arena; may be empty
  std::uint32_t length;
};

struct FlatRecord {
  const char* name;  // cleaned and numbered, in the arena; never empty
  std::uint32_t length;
  std::uint32_t hash;
  std::uint16_t nodeIndex;
  std::uint16_t arg;
  NodeKind kind;
  const FlatConnector* connector;  // set by report/connector_match.h; nullptr when none

  std::string_view Name() const { return {name, length}; }
};

class FlatTables final : public ScanSink {
 public:
  explicit FlatTables(Arena& arena);

  // A new name is stored; a stored Visibility record takes the repeated
  // name's arg, kind and nodeIndex; any other stored record keeps its values.
  void Arg(std::uint16_t nodeIndex, const std::uint8_t* name, std::size_t length, std::uint16_t arg,
           NodeKind kind) override;
  // The first connector of a reference wins.
  void Connector(std::uint16_t nodeRef, const std::uint8_t* name, std::size_t length) override;

  // One record per distinct name, in the order the names were first found.
  std::pmr::vector<FlatRecord>& records() { return records_; }
  // The connector stored for `nodeRef`, or nullptr.
  const FlatConnector* ConnectorFor(std::uint16_t nodeRef) const {
    return bySlot_ == nullptr ? nullptr : bySlot_[nodeRef];
  }
  // The number of distinct references among the connectors.
  std::int32_t connectorCount() const { return connectorCount_; }

 private:
  // A record's name from its raw bytes, in the arena: the printable bytes;
  // "unnamed" when none; an "unnamed" (read so or written so) numbered from
  // unnamedCounter_. Called only for records that are made.
  std::string_view RecordName(const std::uint8_t* name, std::size_t length);
  // The index slot holding `name`, or the empty slot where it belongs.
  std::uint64_t* Slot(std::string_view name, std::uint32_t hash);
  void GrowIndex();

  Arena& arena_;
  std::pmr::vector<FlatRecord> records_;
  // Open addressing, linear probing: the name's hash in the high half and
  // its record's position + 1 in the low half; 0 for empty. Probes compare
  // hashes without touching the records.
  std::uint64_t* index_ = nullptr;
  std::size_t indexMask_ = 0;
  // 65,536 entries, taken with the first connector.
  const FlatConnector** bySlot_ = nullptr;
  std::int32_t connectorCount_ = 0;
  std::int32_t unnamedCounter_ = 1;
};

#endif  // QUORVEL_ENGINE_FLAT_TABLES_H_
