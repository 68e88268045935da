#include "tools/tavgen/tav_builder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cctype>
#include <fstream>
#include <limits>
#include <span>
#include <stdexcept>

namespace tavgen {
namespace {

static_assert(std::numeric_limits<float>::is_iec559 && std::numeric_limits<double>::is_iec559,
              "F32/F64 write IEEE 754 images");

// The bytes that stand just before an arg number, per kind, in the order a
// reader tries them. All patterns of one kind have the same length.
using Pattern = std::span<const std::uint8_t>;
constexpr std::array<std::uint8_t, 8> kRotation = {0, 0, 0, 0, 1, 0, 0, 0};
constexpr std::array<std::uint8_t, 5> kVisibility[] = {
    {0, 1, 0, 0, 0}, {0, 2, 0, 0, 0}, {0, 3, 0, 0, 0}};
constexpr std::array<std::uint8_t, 4> kOne = {1, 0, 0, 0};
constexpr std::array<std::uint8_t, 4> kTwo = {2, 0, 0, 0};
constexpr std::array<std::uint8_t, 8> kConnectorRef = {2, 0, 0, 0, 0, 0, 0, 0};

Pattern PatternFor(Kind kind, int choice) {
  const auto pick = [choice](std::initializer_list<Pattern> list) {
    const int last = static_cast<int>(list.size()) - 1;
    return *(list.begin() + std::clamp(choice, 0, last));
  };
  switch (kind) {
    case Kind::Rotation:
      return kRotation;
    case Kind::Visibility:
      return pick({kVisibility[0], kVisibility[1], kVisibility[2]});
    case Kind::Animation:
    case Kind::Position:
      return kOne;
    case Kind::AnimatedBone:
      return pick({kOne, kTwo});
  }
  return {};
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void AppendLE(Bytes& out, std::uint64_t value, int width) {
  for (int i = 0; i < width; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

}  // namespace

std::string_view TypeName(Kind kind) {
  switch (kind) {
    case Kind::Rotation:
      return "model::ArgRotationNode";
    case Kind::Visibility:
      return "model::ArgVisibilityNode";
    case Kind::Animation:
      return "model::ArgAnimationNode";
    case Kind::Position:
      return "model::ArgPositionNode";
    case Kind::AnimatedBone:
      return "model::ArgAnimatedBone";
  }
  return {};
}

TavBuilder& TavBuilder::Version() {
  return Text("__VERSION__");
}

TavBuilder& TavBuilder::Text(std::string_view text) {
  bytes_.insert(bytes_.end(), text.begin(), text.end());
  return *this;
}

TavBuilder& TavBuilder::Raw(const Bytes& bytes) {
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
  return *this;
}

// Tokens are exactly two hex digits. A malformed literal is a bug in the
// caller's test, so it throws instead of producing a silently wrong image.
TavBuilder& TavBuilder::Hex(std::string_view hex) {
  std::size_t i = 0;
  while (i < hex.size()) {
    if (std::isspace(static_cast<unsigned char>(hex[i]))) {
      ++i;
      continue;
    }
    const int hi = HexDigit(hex[i]);
    const int lo = i + 1 < hex.size() ? HexDigit(hex[i + 1]) : -1;
    const bool ends = i + 2 >= hex.size() || std::isspace(static_cast<unsigned char>(hex[i + 2]));
    if (hi < 0 || lo < 0 || !ends) {
      throw std::invalid_argument("TavBuilder::Hex: bad byte at offset " + std::to_string(i));
    }
    bytes_.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
    i += 2;
  }
  return *this;
}

TavBuilder& TavBuilder::Fill(std::size_t count, std::uint8_t value) {
  bytes_.insert(bytes_.end(), count, value);
  return *this;
}

TavBuilder& TavBuilder::U16(std::uint16_t value) {
  AppendLE(bytes_, value, 2);
  return *this;
}

TavBuilder& TavBuilder::U32(std::uint32_t value) {
  AppendLE(bytes_, value, 4);
  return *this;
}

TavBuilder& TavBuilder::F32(float value) {
  AppendLE(bytes_, std::bit_cast<std::uint32_t>(value), 4);
  return *this;
}

TavBuilder& TavBuilder::F64(double value) {
  AppendLE(bytes_, std::bit_cast<std::uint64_t>(value), 8);
  return *this;
}

TavBuilder& TavBuilder::Mark() {
  return Hex("F0 3F");
}

TavBuilder& TavBuilder::Node() {
  return Text("model::Node").Fill(4, 0);
}

TavBuilder& TavBuilder::Stray(std::string_view typeName) {
  return Text(typeName).Fill(4, 0);
}

TavBuilder& TavBuilder::ArgNode(Kind kind, std::string_view name, std::uint16_t arg,
                                const ArgNodeLayout& layout) {
  Text(TypeName(kind)).Fill(4, 0).Text(name);
  if (layout.nameNul) Fill(1, 0);
  Fill(layout.dataBefore, layout.filler);
  if (layout.mark) Mark();
  Fill(layout.dataBetween, layout.filler);
  if (layout.pattern) {
    const Pattern pattern = PatternFor(kind, layout.patternChoice);
    bytes_.insert(bytes_.end(), pattern.begin(), pattern.end());
    U16(arg);
  }
  return *this;
}

TavBuilder& TavBuilder::Connector(std::string_view name, std::uint16_t nodeRef,
                                  std::size_t dataBefore, bool pattern) {
  Text("model::Connector").Fill(4, 0).Text(name).Fill(1, 0);
  Fill(dataBefore, ArgNodeLayout{}.filler);
  if (pattern) {
    bytes_.insert(bytes_.end(), kConnectorRef.begin(), kConnectorRef.end());
    U16(nodeRef);
  }
  return *this;
}

// Only ever shrinks: cutting to a size at or past the end leaves the image as is.
TavBuilder& TavBuilder::Cut(std::size_t size) {
  if (size < bytes_.size()) bytes_.resize(size);
  return *this;
}

bool WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  out.close();
  return !out.fail();
}

}  // namespace tavgen
