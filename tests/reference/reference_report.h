// The plain reference of matching, ordering and the report text over the
// literal tables, read word for word from the format's description: the
// independent reading the product's report (report/) is held to. Tests only.
#ifndef QUORVEL_TESTS_REFERENCE_REFERENCE_REPORT_H_
#define QUORVEL_TESTS_REFERENCE_REFERENCE_REPORT_H_

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/extract_options.h"
#include "tests/reference/literal_tables.h"

// Strict orders on one unsigned 16-bit field each; no secondary key.
bool LessByArg(const ArgRecord& a, const ArgRecord& b);
bool LessByNodeIndex(const ArgRecord& a, const ArgRecord& b);

// Walks `args` in name order; a record whose nodeIndex is a key of
// `connectors` gets hasConnector 1 and that connector's name. Appends a copy
// of every record to `list` and returns how many records were paired.
std::int32_t MatchConnectors(ArgTable& args, const ConnectorTable& connectors, ArgList& list);

// A stable sort by arg when `sortByName` is 0, then a stable sort by nodeIndex.
void OrderArgList(ArgList& list, std::int32_t sortByName);

// The whole report text, with "\n" line ends; the connector column when
// `analyzeConnector` is 1.
std::string FormatArgReport(std::int32_t analyzeConnector, const ArgList& list,
                            std::int32_t matchedCount, std::int32_t connectorCount);

// The reference's whole job in memory: ScanModelReference into the literal
// tables, MatchConnectors, OrderArgList and FormatArgReport.
std::string ReferenceReportText(const std::uint8_t* bytes, std::size_t size,
                                const ExtractOptions& options);

#endif  // QUORVEL_TESTS_REFERENCE_REFERENCE_REPORT_H_
