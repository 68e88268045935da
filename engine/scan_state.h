// State of one scan over one model buffer.
#ifndef QUORVEL_ENGINE_SCAN_STATE_H_
#define QUORVEL_ENGINE_SCAN_STATE_H_

#include <cstddef>
#include <cstdint>

struct ScanState {
  std::int32_t versionFound = 0;  // 1 once "__VERSION__" has been passed
  std::int32_t nodeSeen = 0;      // 1 from the first "model::Node" on
  std::int32_t nodeCounter = 0;   // running node count; records keep its low 16 bits
  // Next number appended to an "unnamed" object, for a scan whose tables
  // number them through the state (the reference's); the job's FlatTables
  // keep their own.
  std::int32_t unnamedCounter = 1;
  bool operator==(const ScanState&) const = default;
};

// Where the scan goes after one hit: the next position, or the end of the scan.
struct ScanStep {
  std::size_t next = 0;
  bool end = false;
};

#endif  // QUORVEL_ENGINE_SCAN_STATE_H_
