// Where a scanner puts what it finds, in walk order.
#ifndef QUORVEL_ENGINE_SCAN_SINK_H_
#define QUORVEL_ENGINE_SCAN_SINK_H_

#include <cstddef>
#include <cstdint>

#include "engine/records.h"

// `name` is the raw name as it stands in the model (up to its NUL or the end
// of the model, not yet cleaned); it is valid only during the call, so a sink
// keeps a copy. Arg calls come only for records that are made, so a sink
// that numbers unnamed objects numbers them without gaps.
class ScanSink {
 public:
  virtual ~ScanSink() = default;
  virtual void Arg(std::uint16_t nodeIndex, const std::uint8_t* name, std::size_t length,
                   std::uint16_t arg, NodeKind kind) = 0;
  virtual void Connector(std::uint16_t nodeRef, const std::uint8_t* name, std::size_t length) = 0;
};

#endif  // QUORVEL_ENGINE_SCAN_SINK_H_
