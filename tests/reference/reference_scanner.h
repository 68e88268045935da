// The plain node scanner: walks a model image byte by byte for type names
// after the version marker, adding one ArgRecord per accepted arg node and
// (when `analyzeConnector` is non-zero) one ConnectorRecord per connector.
//
// Every read stays within bytes[0, size). The scan never fails; whatever the
// bytes are, it leaves the tables and `state` as the walk found them.
#ifndef QUORVEL_TESTS_REFERENCE_REFERENCE_SCANNER_H_
#define QUORVEL_TESTS_REFERENCE_REFERENCE_SCANNER_H_

#include <cstddef>
#include <cstdint>

#include "engine/scan_state.h"
#include "tests/reference/literal_tables.h"

// The plain scanner: tests every position directly. The product's scanner
// (engine/fast_scanner.h) must agree with it, table for table and counter for
// counter. Tests only.
void ScanModelReference(const std::uint8_t* bytes, std::size_t size, std::int32_t analyzeConnector,
                        ScanState& state, ArgTable& args, ConnectorTable& connectors);

#endif  // QUORVEL_TESTS_REFERENCE_REFERENCE_SCANNER_H_
