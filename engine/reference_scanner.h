// The plain node scanner: walks a model image byte by byte for type names
// after the version marker, adding one ArgRecord per accepted arg node and
// (when `analyzeConnector` is non-zero) one ConnectorRecord per connector.
//
// Every read stays within bytes[0, size). The scan never fails; whatever the
// bytes are, it leaves the tables and `state` as the walk found them.
#ifndef QUORVEL_ENGINE_REFERENCE_SCANNER_H_
#define QUORVEL_ENGINE_REFERENCE_SCANNER_H_

#include <cstddef>
#include <cstdint>

#include "engine/records.h"
#include "engine/scan_state.h"

// The plain scanner: tests every position directly. It is the reference that
// every faster scanner must agree with, table for table and counter for counter.
void ScanModelReference(const std::uint8_t* bytes, std::size_t size, std::int32_t analyzeConnector,
                        ScanState& state, ArgTable& args, ConnectorTable& connectors);

#endif  // QUORVEL_ENGINE_REFERENCE_SCANNER_H_
