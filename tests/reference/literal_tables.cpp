#include "tests/reference/literal_tables.h"

#include <cstring>
#include <utility>

ArgRecord MakeArgRecord(std::uint16_t nodeIndex, std::string name, std::uint16_t arg,
                        NodeKind kind) {
  ArgRecord record;
  record.nodeIndex = nodeIndex;
  record.name = std::move(name);
  record.arg = arg;
  record.kinds.push_back(kind);
  return record;
}

void AddArgRecord(ArgTable& table, ArgRecord record) {
  const auto it = table.find(record.name);
  if (it == table.end()) {
    std::string key = record.name;
    table.emplace(std::move(key), std::move(record));
    return;
  }
  ArgRecord& stored = it->second;
  if (stored.kinds[0] == NodeKind::Visibility) {
    stored.arg = record.arg;
    stored.kinds[0] = record.kinds[0];
    stored.nodeIndex = record.nodeIndex;
  }
}

void AddConnector(ConnectorTable& table, std::uint16_t nodeRef, const ConnectorRecord& record) {
  if (table.find(nodeRef) == table.end()) table.emplace(nodeRef, record);
}

std::string CleanNameBytes(const std::uint8_t* bytes, std::size_t length) {
  std::string name;
  for (std::size_t i = 0; i < length; ++i) {
    const std::uint8_t c = bytes[i];
    if (c >= 0x20 && c <= 0x7E) name.push_back(static_cast<char>(c));
  }
  return name;
}

std::string ReadCleanName(const std::uint8_t* bytes, std::size_t size, std::size_t pos) {
  std::size_t end = pos;
  while (end < size && bytes[end] != 0) ++end;
  return pos < size ? CleanNameBytes(bytes + pos, end - pos) : std::string();
}

std::string RecordName(std::string cleaned, std::int32_t& unnamedCounter) {
  if (cleaned.empty()) cleaned = "unnamed";
  if (cleaned == "unnamed") cleaned += std::to_string(unnamedCounter++);
  return cleaned;
}

void TableSink::Arg(std::uint16_t nodeIndex, const std::uint8_t* name, std::size_t length,
                    std::uint16_t arg, NodeKind kind) {
  AddArgRecord(args_,
               MakeArgRecord(nodeIndex, RecordName(CleanNameBytes(name, length), unnamedCounter_),
                             arg, kind));
}

void TableSink::Connector(std::uint16_t nodeRef, const std::uint8_t* name, std::size_t length) {
  AddConnector(connectors_, nodeRef, ConnectorRecord{CleanNameBytes(name, length), nodeRef});
}
