#include "engine/records.h"

const char NodeKindLabels[kNodeKindCount][kNodeKindLabelSize] = {
    "Rotation Node", "Visibility Node", "Animation Node", "Position Node", "Animated Bone",
};

const char* NodeKindLabel(NodeKind kind) {
  const auto value = static_cast<std::int32_t>(kind);
  if (value < 1 || value > kNodeKindCount) return "";
  return NodeKindLabels[value - 1];
}
