// The node scanner with its connector branch: the walk over one model image,
// in time linear in `size` (plus the length of the names it records).
//
// It walks the "model::" starts of the model with a ByteCursor (one vector
// pass per 64 KiB window into a bit mask, engine/byte_search.h) and tells the
// type names apart by two 8-byte loads behind "model::". It remembers how far
// it has searched for every arg pattern, the 1.0 mark and NUL, so that the
// forward searches of successive arg nodes, whose name positions only grow,
// never read the same stretch twice. A kind's patterns are searched side by
// side, none far past the nearest; a node that needs the mark when none
// follows is refused at once. Names are read only for the records actually
// made, and go to the sink in walk order. Every read stays within
// bytes[0, size).
#ifndef QUORVEL_ENGINE_FAST_SCANNER_H_
#define QUORVEL_ENGINE_FAST_SCANNER_H_

#include <cstddef>
#include <cstdint>

#include "engine/scan_sink.h"
#include "engine/scan_state.h"

// Hands every record made and every connector to `sink`, in walk order;
// counts nodes and marks the version through `state` (its unnamedCounter is
// not used: the sink numbers unnamed objects).
void ScanModel(const std::uint8_t* bytes, std::size_t size, std::int32_t analyzeConnector,
               ScanState& state, ScanSink& sink);

#endif  // QUORVEL_ENGINE_FAST_SCANNER_H_
