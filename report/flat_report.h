// The report text from the job's flat tables (engine/flat_tables.h): the same
// matching, order and text as MatchConnectors, OrderArgList and
// FormatArgReport over the literal tables, byte for byte, made without an
// allocation per record into one buffer.
#ifndef QUORVEL_REPORT_FLAT_REPORT_H_
#define QUORVEL_REPORT_FLAT_REPORT_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/arena.h"
#include "engine/flat_tables.h"

// Pairs each record with the connector of its nodeIndex, puts the records in
// the final order (by nodeIndex, then by arg when `sortByName` is 0, then by
// name) and formats the whole report into a buffer taken from `arena`, valid
// as long as the arena. Reorders `tables.records()`.
std::string_view FormatFlatReport(FlatTables& tables, std::int32_t sortByName,
                                  std::int32_t analyzeConnector, Arena& arena);

// The job's whole text for a model image: its scanner into flat tables, then
// FormatFlatReport.
std::string_view FlatReportText(const std::uint8_t* bytes, std::size_t size,
                                std::int32_t sortByName, std::int32_t analyzeConnector,
                                Arena& arena);

// The reference the job is held to: the plain scanner into ArgTable and
// ConnectorTable, MatchConnectors, OrderArgListReference and FormatArgReport.
std::string ReferenceReportText(const std::uint8_t* bytes, std::size_t size,
                                std::int32_t sortByName, std::int32_t analyzeConnector);

#endif  // QUORVEL_REPORT_FLAT_REPORT_H_
