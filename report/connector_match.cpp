#include "report/connector_match.h"

std::int32_t MatchConnectors(FlatTables& tables) {
  std::int32_t matched = 0;
  for (FlatRecord& record : tables.records()) {
    record.connector = tables.ConnectorFor(record.nodeIndex);
    matched += record.connector != nullptr;
  }
  return matched;
}
