#include "engine/records.h"

#include <utility>

const char NodeKindLabels[kNodeKindCount][kNodeKindLabelSize] = {
    "Rotation Node", "Visibility Node", "Animation Node", "Position Node", "Animated Bone",
};

const char* NodeKindLabel(NodeKind kind) {
  const auto value = static_cast<std::int32_t>(kind);
  if (value < 1 || value > kNodeKindCount) return "";
  return NodeKindLabels[value - 1];
}

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
  const auto it = table.lower_bound(record.name);
  if (it == table.end() || it->first != record.name) {
    std::string key = record.name;
    table.emplace_hint(it, std::move(key), std::move(record));
    return;
  }
  ArgRecord& stored = it->second;
  // A Visibility record gives way to a later record of the same name; any
  // other kind keeps the first values found.
  if (!stored.kinds.empty() && stored.kinds[0] == NodeKind::Visibility && !record.kinds.empty()) {
    stored.arg = record.arg;
    stored.kinds[0] = record.kinds[0];
    stored.nodeIndex = record.nodeIndex;
  }
}

void AddConnector(ConnectorTable& table, std::uint16_t nodeRef, const ConnectorRecord& record) {
  table.try_emplace(nodeRef, record);
}
