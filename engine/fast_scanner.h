// The scanner the job runs: the same walk as ScanModelReference, table for
// table and counter for counter, in time linear in `size` (plus the length of
// the names it records).
//
// It walks the "model::" starts of the model with a ByteCursor (one vector
// pass per 64 KiB window into a bit mask, engine/byte_search.h), tells the
// type names apart by two 8-byte loads behind "model::", and it remembers how far it has searched
// for every arg pattern, the 1.0 mark and NUL, so that the forward searches of
// successive arg nodes, whose name positions only grow, never read the same
// stretch twice. A kind's patterns are searched side by side, none far past
// the nearest; a node that needs the mark when none follows is refused at
// once. Names are read only for the records actually made, and go to the sink
// in walk order. Every read stays within bytes[0, size).
#ifndef QUORVEL_ENGINE_FAST_SCANNER_H_
#define QUORVEL_ENGINE_FAST_SCANNER_H_

#include <cstddef>
#include <cstdint>

#include "engine/records.h"
#include "engine/scan_sink.h"
#include "engine/scan_state.h"

// Hands every record and connector to `sink`; unnamed objects are numbered by
// the sink, not through `state`.
void ScanModelFastInto(const std::uint8_t* bytes, std::size_t size, std::int32_t analyzeConnector,
                       ScanState& state, ScanSink& sink);

// The same into the literal tables, numbering through `state`.
void ScanModelFast(const std::uint8_t* bytes, std::size_t size, std::int32_t analyzeConnector,
                   ScanState& state, ArgTable& args, ConnectorTable& connectors);

// The scanner the job runs, for callers that name no particular one.
inline void ScanModel(const std::uint8_t* bytes, std::size_t size, std::int32_t analyzeConnector,
                      ScanState& state, ArgTable& args, ConnectorTable& connectors) {
  ScanModelFast(bytes, size, analyzeConnector, state, args, connectors);
}

#endif  // QUORVEL_ENGINE_FAST_SCANNER_H_
