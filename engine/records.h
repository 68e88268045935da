// Records and tables built while one model file is scanned.
//
// Everything here is a plain value type; every container owns deep copies of
// what it holds. Names are raw byte strings ordered byte-wise as unsigned
// values (std::string's ordering), case-sensitively, shorter prefix first.
#ifndef QUORVEL_ENGINE_RECORDS_H_
#define QUORVEL_ENGINE_RECORDS_H_

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// The kind of arg node that animates an object. `none` is never stored.
enum class NodeKind : std::int32_t {
  none = 0,
  Rotation = 1,
  Visibility = 2,
  Animation = 3,
  Position = 4,
  AnimatedBone = 5,
};

// Display labels: slot K - 1 holds the label of kind K, NUL-padded to 20 bytes.
inline constexpr int kNodeKindCount = 5;
inline constexpr int kNodeKindLabelSize = 20;
extern const char NodeKindLabels[kNodeKindCount][kNodeKindLabelSize];

// The label of `kind`, or "" for a value outside 1..5.
const char* NodeKindLabel(NodeKind kind);

struct ArgRecord {
  std::uint16_t nodeIndex = 0;      // node counter at the record's type name, low 16 bits
  std::string name;                 // cleaned, numbered name; never empty; the ArgTable key
  std::uint16_t arg = 0;            // animation argument number
  std::vector<NodeKind> kinds;      // exactly one element: the record's kind
  std::int32_t hasConnector = 0;    // 1 once matched with a connector
  std::string connectorName = "-";  // matched connector's name, "-" when none
  bool operator==(const ArgRecord&) const = default;
};

struct ConnectorRecord {
  std::string name;           // cleaned name; may be empty
  std::uint16_t nodeRef = 0;  // node reference, also the ConnectorTable key
  bool operator==(const ConnectorRecord&) const = default;
};

using ArgTable = std::map<std::string, ArgRecord>;
using ConnectorTable = std::map<std::uint16_t, ConnectorRecord>;
using ArgList = std::vector<ArgRecord>;

// A fresh record in its starting state: one kind, no connector.
ArgRecord MakeArgRecord(std::uint16_t nodeIndex, std::string name, std::uint16_t arg,
                        NodeKind kind);

// Inserts `record` under its name. When the name is already stored and the
// stored record is a Visibility record, the stored record takes the new one's
// arg, kind and nodeIndex; otherwise the new record is dropped. Takes the
// record by value so that a fresh record is moved in, not copied.
void AddArgRecord(ArgTable& table, ArgRecord record);

// Inserts `record` under `nodeRef` unless that reference is already stored;
// the first connector found for a reference wins.
void AddConnector(ConnectorTable& table, std::uint16_t nodeRef, const ConnectorRecord& record);

#endif  // QUORVEL_ENGINE_RECORDS_H_
