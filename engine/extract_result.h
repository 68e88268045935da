// The outcome of one extraction job; shared by the job, the report writer and
// the front ends, so that none of them needs the job's header for it.
#ifndef QUORVEL_ENGINE_EXTRACT_RESULT_H_
#define QUORVEL_ENGINE_EXTRACT_RESULT_H_

#include <cstdint>

enum class ExtractResult : std::int32_t {
  Failed = 0,
  Completed = 1,
};

#endif  // QUORVEL_ENGINE_EXTRACT_RESULT_H_
