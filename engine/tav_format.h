// The byte-level facts of the TAV format that the scanners rely on: type
// names, the version marker, arg patterns, the 1.0 mark and the connector's
// reference pattern, with the fixed distances between them.
#ifndef QUORVEL_ENGINE_TAV_FORMAT_H_
#define QUORVEL_ENGINE_TAV_FORMAT_H_

#include <array>
#include <cstddef>
#include <string_view>

#include "engine/records.h"

namespace tav {

using namespace std::string_view_literals;

inline constexpr std::string_view kVersionMarker = "__VERSION__"sv;
inline constexpr std::string_view kModelPrefix = "model::"sv;
inline constexpr std::string_view kNodeTypeName = "model::Node"sv;
inline constexpr std::string_view kConnectorTypeName = "model::Connector"sv;

// F0 3F: the upper half of the little-endian double 1.0.
inline constexpr std::string_view kOneMark = "\xF0\x3F"sv;
// 32-bit 2 then 32-bit 0; the connector's node reference follows it.
inline constexpr std::string_view kConnectorRefPattern = "\x02\0\0\0\0\0\0\0"sv;

// An arg node's name starts this many bytes after its type name ends.
inline constexpr std::size_t kArgNameGap = 4;
// After an arg node the scan resumes this many bytes after its type name starts.
inline constexpr std::size_t kArgResumeOffset = 5;
// A connector's name starts this many bytes after its type name starts.
inline constexpr std::size_t kConnectorNameOffset = 20;
// Arg numbers and node references are 16-bit little-endian.
inline constexpr std::size_t kNumberSize = 2;

struct ArgNodeFormat {
  NodeKind kind;
  std::string_view typeName;
  std::array<std::string_view, 3> patterns;  // in test order; all of one length
  std::size_t patternCount;
  bool needsMark;
};

inline constexpr std::array<ArgNodeFormat, 5> kArgNodeFormats = {{
    {NodeKind::Rotation, "model::ArgRotationNode"sv, {"\0\0\0\0\x01\0\0\0"sv}, 1, true},
    {NodeKind::Visibility,
     "model::ArgVisibilityNode"sv,
     {"\0\x01\0\0\0"sv, "\0\x02\0\0\0"sv, "\0\x03\0\0\0"sv},
     3,
     false},
    {NodeKind::Animation, "model::ArgAnimationNode"sv, {"\x01\0\0\0"sv}, 1, true},
    {NodeKind::Position, "model::ArgPositionNode"sv, {"\x01\0\0\0"sv}, 1, true},
    {NodeKind::AnimatedBone, "model::ArgAnimatedBone"sv, {"\x01\0\0\0"sv, "\x02\0\0\0"sv}, 2, true},
}};

}  // namespace tav

#endif  // QUORVEL_ENGINE_TAV_FORMAT_H_
