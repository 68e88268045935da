// The report's text, made without an allocation per record into one buffer.
#ifndef QUORVEL_REPORT_REPORT_TEXT_H_
#define QUORVEL_REPORT_REPORT_TEXT_H_

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "engine/arena.h"
#include "engine/extract_options.h"
#include "engine/flat_tables.h"

// The header with its counts line and legend, then one line per record in
// the order given: "name = arg ( label )", with " [ connector ]" or " [ - ]"
// when connectors are analysed. Line ends are "\n"; a text-mode stream
// writes them as the platform's own. In `spare` when the longest text the
// records can make fits there (memory the caller no longer needs, such as
// the model's block once its names are copied), else in a buffer taken from
// `arena`.
std::string_view FormatArgReport(const std::pmr::vector<FlatRecord>& records,
                                 std::int32_t matchedCount, std::int32_t connectorCount,
                                 std::int32_t analyzeConnector, Arena& arena,
                                 std::span<std::uint8_t> spare = {});

// What the job makes of its tables once the scan is done: MatchConnectors,
// OrderArgList (reordering `tables.records()`), then FormatArgReport.
std::string_view ReportFromTables(FlatTables& tables, const ExtractOptions& options, Arena& arena,
                                  std::span<std::uint8_t> spare = {});

#endif  // QUORVEL_REPORT_REPORT_TEXT_H_
