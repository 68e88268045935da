// The plain reference's tables: the records and ordered maps exactly as the
// format's description states them, with their own plain copy of every rule
// (name cleaning, unnamed numbering, the duplicate rule, the first connector
// per reference). Tests only: the product keeps its records in FlatTables
// (engine/flat_tables.h) and is held to these.
//
// Everything here is a plain value type; every container owns deep copies of
// what it holds. Names are raw byte strings ordered byte-wise as unsigned
// values (std::string's ordering), case-sensitively, shorter prefix first.
#ifndef QUORVEL_TESTS_REFERENCE_LITERAL_TABLES_H_
#define QUORVEL_TESTS_REFERENCE_LITERAL_TABLES_H_

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "engine/records.h"
#include "engine/scan_sink.h"

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
// arg, kind and nodeIndex; otherwise the new record is dropped.
void AddArgRecord(ArgTable& table, ArgRecord record);

// Inserts `record` under `nodeRef` unless that reference is already stored.
void AddConnector(ConnectorTable& table, std::uint16_t nodeRef, const ConnectorRecord& record);

// The bytes of `bytes[pos, size)` up to the first NUL (or the end), keeping
// only the bytes 0x20..0x7E, in order. Empty when pos >= size.
std::string ReadCleanName(const std::uint8_t* bytes, std::size_t size, std::size_t pos);

// The same over `length` bytes that hold no NUL.
std::string CleanNameBytes(const std::uint8_t* bytes, std::size_t length);

// An arg record's name from its cleaned name: empty reads as "unnamed", and
// "unnamed" takes the next number of `unnamedCounter`, which then counts on.
std::string RecordName(std::string cleaned, std::int32_t& unnamedCounter);

// The literal tables as a scan sink, so that the product's scanner can be
// held to the reference scanner table for table: AddArgRecord and
// AddConnector on each find, names cleaned and numbered here.
class TableSink final : public ScanSink {
 public:
  TableSink(ArgTable& args, ConnectorTable& connectors, std::int32_t& unnamedCounter)
      : args_(args), connectors_(connectors), unnamedCounter_(unnamedCounter) {}
  void Arg(std::uint16_t nodeIndex, const std::uint8_t* name, std::size_t length, std::uint16_t arg,
           NodeKind kind) override;
  void Connector(std::uint16_t nodeRef, const std::uint8_t* name, std::size_t length) override;

 private:
  ArgTable& args_;
  ConnectorTable& connectors_;
  std::int32_t& unnamedCounter_;
};

#endif  // QUORVEL_TESTS_REFERENCE_LITERAL_TABLES_H_
