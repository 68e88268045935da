#include "report/connector_match.h"

std::int32_t MatchConnectors(ArgTable& args, const ConnectorTable& connectors, ArgList& list) {
  std::int32_t matched = 0;
  list.reserve(list.size() + args.size());
  for (auto& [name, record] : args) {
    const auto connector = connectors.find(record.nodeIndex);
    if (connector != connectors.end()) {
      record.hasConnector = 1;
      record.connectorName = connector->second.name;
      ++matched;
    }
    list.push_back(record);
  }
  return matched;
}
