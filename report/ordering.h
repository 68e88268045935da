// The final order of the report's object lines.
#ifndef QUORVEL_REPORT_ORDERING_H_
#define QUORVEL_REPORT_ORDERING_H_

#include <cstdint>

#include "engine/records.h"

// Strict orders on one unsigned 16-bit field each; no secondary key.
bool LessByArg(const ArgRecord& a, const ArgRecord& b);
bool LessByNodeIndex(const ArgRecord& a, const ArgRecord& b);

// Sorts by arg when `sortByName` is 0, then in every case by nodeIndex. Both
// sorts are stable, so records with equal keys keep the order before.
// Sorts positions once by the combined key and then moves every record once,
// so no record is copied and no second list of records is allocated.
void OrderArgList(ArgList& list, std::int32_t sortByName);

// The same order by the two stable sorts themselves, record by record: the
// plain reference OrderArgList is tested against.
void OrderArgListReference(ArgList& list, std::int32_t sortByName);

#endif  // QUORVEL_REPORT_ORDERING_H_
