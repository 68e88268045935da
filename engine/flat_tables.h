// The records and connectors of one job: flat arrays in one Arena, names
// cleaned and copied once into it, and a direct table by node reference.
// Here live the rules by which a find enters the tables: the name's
// printable bytes and the numbering of unnamed objects, the duplicate rule (a
// stored Visibility record gives way), and the first connector per reference.
//
// A find costs the writing of its record and nothing more: repeated names are
// settled once, after the walk, in one pass in walk order through a table of
// the stored names by hash, which applies the duplicate rule.
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
  // `modelBytes`: the size of the model to be scanned, from which room for
  // its records is taken at once (bounded), so that the records do not grow
  // by doubling through the walk; 0: none taken ahead.
  explicit FlatTables(Arena& arena, std::size_t modelBytes = 0);

  // A new name is stored; a stored Visibility record takes the repeated
  // name's arg, kind and nodeIndex; any other stored record keeps its values.
  // (Recorded now, settled by records().)
  void Arg(std::uint16_t nodeIndex, const std::uint8_t* name, std::size_t length, std::uint16_t arg,
           NodeKind kind) override;
  // The first connector of a reference wins.
  void Connector(std::uint16_t nodeRef, const std::uint8_t* name, std::size_t length) override;

  // One record per distinct name, in the order the names were first found.
  std::pmr::vector<FlatRecord>& records() {
    if (unsettled_) Settle();
    return records_;
  }
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
  // Applies the duplicate rule to the records made since the last call and
  // drops the repeated ones.
  void Settle();

  Arena& arena_;
  // Every record made, in walk order, until Settle leaves one per name.
  std::pmr::vector<FlatRecord> records_;
  bool unsettled_ = false;
  // 65,536 entries, taken with the first connector.
  const FlatConnector** bySlot_ = nullptr;
  std::int32_t connectorCount_ = 0;
  std::int32_t unnamedCounter_ = 1;
};

#endif  // QUORVEL_ENGINE_FLAT_TABLES_H_
