#include "bench/bench_models.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace bench {

namespace {

using tavgen::ArgNodeLayout;
using tavgen::Kind;
using tavgen::TavBuilder;

// xorshift64*: fast, and the same sequence on every platform.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return state_ * 2685821657736338717ULL;
  }
  std::uint32_t Below(std::uint32_t n) { return static_cast<std::uint32_t>(Next() % n); }
  float Uniform(float low, float high) {
    return low + (high - low) * static_cast<float>(Next() >> 40) / static_cast<float>(1 << 24);
  }

 private:
  std::uint64_t state_;
};

// prefix + decimal n. (Written out because g++ 12 gives a false -Wrestrict
// for literal + std::to_string at -O2.)
std::string Numbered(std::string_view prefix, std::uint64_t n) {
  std::string s(prefix);
  s += std::to_string(n);
  return s;
}

tavgen::Bytes Finish(TavBuilder& b, std::size_t size) {
  b.Cut(size);
  return b.bytes();
}

}  // namespace

tavgen::Bytes TypicalModel(std::size_t size) {
  Random random(0x7150'0001);
  TavBuilder b;
  b.Version();
  for (std::uint32_t i = 0; b.size() < size; ++i) {
    b.Node();
    const auto kind = static_cast<Kind>(1 + i % 5);
    ArgNodeLayout layout;
    layout.mark = kind != Kind::Visibility;
    layout.dataBefore = 8 + random.Below(24);
    layout.dataBetween = random.Below(16);
    layout.patternChoice = static_cast<int>(random.Below(3));
    b.ArgNode(kind, Numbered("part_", i), static_cast<std::uint16_t>(i % 1000), layout);
    // Vertices: position, normal, texture coordinates.
    const std::uint32_t vertices = 64 + random.Below(128);
    for (std::uint32_t v = 0; v < vertices; ++v) {
      for (int c = 0; c < 3; ++c) b.F32(random.Uniform(-50.0f, 50.0f));
      for (int c = 0; c < 3; ++c) b.F32(random.Uniform(-1.0f, 1.0f));
      for (int c = 0; c < 2; ++c) b.F32(random.Uniform(0.0f, 1.0f));
    }
    const std::uint32_t indices = 3 * vertices;
    for (std::uint32_t t = 0; t < indices; ++t) b.U32(random.Below(vertices));
    if (i % 16 == 15) b.Connector(Numbered("pylon_", i / 16), static_cast<std::uint16_t>(i));
  }
  return Finish(b, size);
}

tavgen::Bytes HostileModel(std::size_t size) {
  constexpr Kind kKinds[] = {Kind::Rotation, Kind::Animation, Kind::Position, Kind::AnimatedBone};
  TavBuilder b;
  b.Version().Node();
  ArgNodeLayout layout;
  layout.mark = false;
  layout.pattern = false;
  for (std::uint32_t i = 0; b.size() < size; ++i) {
    b.ArgNode(kKinds[i % 4], Numbered("h", i), 0, layout);
  }
  return Finish(b, size);
}

tavgen::Bytes DenseModel(std::size_t size) {
  TavBuilder b;
  b.Version().Node();
  ArgNodeLayout visible;
  visible.mark = false;
  for (std::uint32_t i = 0; b.size() < size; ++i) {
    b.Stray("model::Bone").Text("model::X").Stray();
    if (i % 4 == 0) b.Node();
    if (i % 8 == 0) b.ArgNode(Kind::Visibility, Numbered("d", i), 1, visible);
    if (i % 32 == 0) b.Connector(Numbered("c", i), static_cast<std::uint16_t>(i));
  }
  return Finish(b, size);
}

bool MakeModel(std::string_view kind, std::size_t size, tavgen::Bytes& out) {
  if (kind == "typical") {
    out = TypicalModel(size);
  } else if (kind == "hostile") {
    out = HostileModel(size);
  } else if (kind == "dense") {
    out = DenseModel(size);
  } else {
    return false;
  }
  return true;
}

}  // namespace bench
