#include "report/connector_match.h"

#include <utility>

namespace {

// The one walk behind both forms; `take` hands each record to the list,
// copied or moved.
template <typename Take>
std::int32_t Match(ArgTable& args, const ConnectorTable& connectors, ArgList& list, Take take) {
  std::int32_t matched = 0;
  list.reserve(list.size() + args.size());
  for (auto& [name, record] : args) {
    const auto connector = connectors.find(record.nodeIndex);
    if (connector != connectors.end()) {
      record.hasConnector = 1;
      record.connectorName = connector->second.name;
      ++matched;
    }
    list.push_back(take(record));
  }
  return matched;
}

}  // namespace

std::int32_t MatchConnectors(ArgTable& args, const ConnectorTable& connectors, ArgList& list) {
  return Match(args, connectors, list,
               [](ArgRecord& record) -> const ArgRecord& { return record; });
}

std::int32_t MatchConnectors(ArgTable&& args, const ConnectorTable& connectors, ArgList& list) {
  return Match(args, connectors, list,
               [](ArgRecord& record) -> ArgRecord&& { return std::move(record); });
}
