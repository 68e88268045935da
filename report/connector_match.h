// Pairs each found object with the connector that refers to its node.
#ifndef QUORVEL_REPORT_CONNECTOR_MATCH_H_
#define QUORVEL_REPORT_CONNECTOR_MATCH_H_

#include <cstdint>

#include "engine/flat_tables.h"

// Sets each record's connector to the one stored for its nodeIndex (nullptr
// when there is none) and returns how many records got one. Pairing rests on
// the node reference alone: one connector may pair with several records.
std::int32_t MatchConnectors(FlatTables& tables);

#endif  // QUORVEL_REPORT_CONNECTOR_MATCH_H_
