// Pairs each found object with the connector that refers to its node.
#ifndef QUORVEL_REPORT_CONNECTOR_MATCH_H_
#define QUORVEL_REPORT_CONNECTOR_MATCH_H_

#include <cstdint>

#include "engine/records.h"

// Walks `args` in name order; a record whose nodeIndex is a key of
// `connectors` gets hasConnector 1 and that connector's name. Appends a copy of
// every record to `list` and returns how many records were paired.
std::int32_t MatchConnectors(ArgTable& args, const ConnectorTable& connectors, ArgList& list);

// The same for a caller that is done with the table: each record is moved into
// `list` instead of copied, and `args` keeps only its keys.
std::int32_t MatchConnectors(ArgTable&& args, const ConnectorTable& connectors, ArgList& list);

#endif  // QUORVEL_REPORT_CONNECTOR_MATCH_H_
