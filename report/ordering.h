// The final order of the report's object lines.
#ifndef QUORVEL_REPORT_ORDERING_H_
#define QUORVEL_REPORT_ORDERING_H_

#include <cstdint>
#include <memory_resource>
#include <vector>

#include "engine/arena.h"
#include "engine/flat_tables.h"

// Puts `records` (one per distinct name) in the report's order: ascending
// nodeIndex; among equal nodeIndex values ascending arg when `sortByName` is
// 0, then ascending name (byte-wise, unsigned, shorter prefix first). Names
// are unique, so the order is total: it is the one that a stable sort by arg
// (unless sorting by name) and then a stable sort by nodeIndex give a list in
// name order. Large lists are distributed by nodeIndex in one counting pass
// (its counts taken from `arena`); each run of equal nodeIndex is then sorted
// on its own.
void OrderArgList(std::pmr::vector<FlatRecord>& records, std::int32_t sortByName, Arena& arena);

#endif  // QUORVEL_REPORT_ORDERING_H_
