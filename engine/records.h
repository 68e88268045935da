// The kinds of arg node and their report labels, shared by the scanner, the
// tables (engine/flat_tables.h) and the report.
#ifndef QUORVEL_ENGINE_RECORDS_H_
#define QUORVEL_ENGINE_RECORDS_H_

#include <cstdint>

// The kind of arg node that animates an object. `none` is never stored.
enum class NodeKind : std::int32_t {
  none = 0,
  Rotation = 1,
  Visibility = 2,
  Animation = 3,
  Position = 4,
  AnimatedBone = 5,
};

// Display labels: slot K - 1 holds the label of kind K, NUL-padded to 20 bytes.
inline constexpr int kNodeKindCount = 5;
inline constexpr int kNodeKindLabelSize = 20;
extern const char NodeKindLabels[kNodeKindCount][kNodeKindLabelSize];

// The label of `kind`, or "" for a value outside 1..5.
const char* NodeKindLabel(NodeKind kind);

#endif  // QUORVEL_ENGINE_RECORDS_H_
