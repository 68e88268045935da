// The connector branch of the node scanner, entered at a "model::Connector"
// type name that starts at `hit` (engine/fast_scanner.h).
#ifndef QUORVEL_ENGINE_CONNECTOR_SCANNER_H_
#define QUORVEL_ENGINE_CONNECTOR_SCANNER_H_

#include <cstddef>
#include <cstdint>

#include "engine/scan_sink.h"
#include "engine/scan_state.h"

// With `analyzeConnector` 0 the connector is passed over (hit + 20). Otherwise
// its name is read at hit + 20 and the reference pattern searched from there;
// the connector goes to `sink` (raw name up to its NUL) and the scan goes on
// at the node reference, or the scan ends when no pattern (with both
// reference bytes) follows. The search never reads the same stretch twice:
// the walk resumes behind what it found.
ScanStep ScanConnector(const std::uint8_t* bytes, std::size_t size, std::size_t hit,
                       std::int32_t analyzeConnector, ScanSink& sink);

#endif  // QUORVEL_ENGINE_CONNECTOR_SCANNER_H_
