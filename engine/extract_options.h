// The three options of one extraction job, each 0 (off) or 1 (on). Every
// reader tests a flag the one way, `!= 0`.
#ifndef QUORVEL_ENGINE_EXTRACT_OPTIONS_H_
#define QUORVEL_ENGINE_EXTRACT_OPTIONS_H_

#include <cstdint>

struct ExtractOptions {
  std::int32_t sortByName = 0;           // ties in nodeIndex by name, not by arg
  std::int32_t saveBesideExtractor = 0;  // the report goes to the working folder
  std::int32_t analyzeConnector = 0;     // connectors are read and their column written
  bool operator==(const ExtractOptions&) const = default;
};

#endif  // QUORVEL_ENGINE_EXTRACT_OPTIONS_H_
