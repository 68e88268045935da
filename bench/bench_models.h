// The three models the benchmarks and bench/compare.sh measure, built in
// memory with TavBuilder from a fixed seed, so every run scans the same bytes.
#ifndef QUORVEL_BENCH_BENCH_MODELS_H_
#define QUORVEL_BENCH_BENCH_MODELS_H_

#include <cstddef>
#include <string_view>

#include "tools/tavgen/tav_builder.h"

namespace bench {

// A typical model: float vertex data and 32-bit indices, with an arg node
// (and its mark and pattern) every few KiB and a connector every 16 nodes.
tavgen::Bytes TypicalModel(std::size_t size);

// Nothing but arg nodes of the kinds that need the 1.0 mark, with neither a
// mark nor a pattern anywhere: every node's forward search runs to the end.
tavgen::Bytes HostileModel(std::size_t size);

// "model::" every few bytes: stray type names, nodes, and now and then an arg
// node or a connector.
tavgen::Bytes DenseModel(std::size_t size);

// The model named "typical", "hostile" or "dense"; false for any other name.
bool MakeModel(std::string_view kind, std::size_t size, tavgen::Bytes& out);

}  // namespace bench

#endif  // QUORVEL_BENCH_BENCH_MODELS_H_
