// Random TAV images for property tests: a mix of whole and broken arg nodes,
// connectors, stray type names, patterns and marks, each model from its own
// fixed seed, so a failing seed can be replayed.
#ifndef QUORVEL_TESTS_MODEL_GENERATOR_H_
#define QUORVEL_TESTS_MODEL_GENERATOR_H_

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>

#include "tools/tavgen/tav_builder.h"

namespace testing_support {

using tavgen::ArgNodeLayout;
using tavgen::Bytes;
using tavgen::Kind;
using tavgen::TavBuilder;

// Bytes that take part in patterns, marks and type names, to make near misses likely.
inline constexpr std::array<std::uint8_t, 10> kBiasedBytes = {0x00, 0x00, 0x00, 0x01, 0x02,
                                                              0x03, 0xF0, 0x3F, 'm',  ':'};

// Type names whole, cut short, or only their common prefix.
inline constexpr std::array<std::string_view, 17> kTypeTexts = {"model::ArgRotationNode",
                                                                "model::ArgVisibilityNode",
                                                                "model::ArgAnimationNode",
                                                                "model::ArgPositionNode",
                                                                "model::ArgAnimatedBone",
                                                                "model::Node",
                                                                "model::Connector",
                                                                "model::",
                                                                "model::TransformNode",
                                                                "model::ArgScaleNode",
                                                                "model::Bone",
                                                                "model::ArgRotationNod",
                                                                "model::Connecto",
                                                                "model::Nod",
                                                                "model:",
                                                                "mmodel::",
                                                                "__VERSION__"};

inline constexpr std::array<std::string_view, 8> kPatternTexts = {
    std::string_view("\0\0\0\0\x01\0\0\0", 8), std::string_view("\0\x01\0\0\0", 5),
    std::string_view("\0\x02\0\0\0", 5),       std::string_view("\0\x03\0\0\0", 5),
    std::string_view("\x01\0\0\0", 4),         std::string_view("\x02\0\0\0", 4),
    std::string_view("\x02\0\0\0\0\0\0\0", 8), std::string_view("\xF0\x3F", 2)};

// prefix + decimal n. (Written out because g++ 12 gives a false -Wrestrict
// for literal + std::to_string at -O2.)
inline std::string Numbered(std::string_view prefix, std::uint64_t n) {
  std::string s(prefix);
  s += std::to_string(n);
  return s;
}

class ModelGenerator {
 public:
  explicit ModelGenerator(std::uint64_t seed) : rng_(seed) {}

  Bytes Make() {
    TavBuilder b;
    const int start = Below(20);
    if (start == 0) {
      // No marker at all: nothing may be found.
    } else if (start == 1) {
      Item(b);  // something before the marker is never tested
      b.Version();
    } else {
      b.Version();
    }
    const int items = Below(4) == 0 ? Below(80) : Below(25);
    for (int i = 0; i < items; ++i) Item(b);
    return b.bytes();
  }

  int Below(int n) { return static_cast<int>(rng_() % static_cast<std::uint64_t>(n)); }
  bool Chance(int percent) { return Below(100) < percent; }

 private:
  std::uint8_t RandomByte() {
    return Chance(60) ? kBiasedBytes[Below(kBiasedBytes.size())]
                      : static_cast<std::uint8_t>(Below(256));
  }

  std::string RandomBytes(int maxCount) {
    std::string s;
    const int count = Below(maxCount + 1);
    for (int i = 0; i < count; ++i) s.push_back(static_cast<char>(RandomByte()));
    return s;
  }

  // Names: plain, empty, "unnamed", non-printable, or holding type names and
  // patterns so that nodes overlap.
  std::string RandomName() {
    switch (Below(8)) {
      case 0:
        return "";
      case 1:
        return "unnamed";
      case 2:
        return Numbered("n", Below(6));  // repeats exercise the duplicate rule
      case 3:
        return std::string(kTypeTexts[Below(kTypeTexts.size())]) + RandomBytes(4);
      case 4:
        return RandomBytes(12);
      case 5:
        return std::string("x").append(kPatternTexts[Below(kPatternTexts.size())]);
      default: {
        std::string s;
        const int length = 1 + Below(10);
        for (int i = 0; i < length; ++i) s.push_back(static_cast<char>(0x20 + Below(0x5F)));
        return s;
      }
    }
  }

  void Item(TavBuilder& b) {
    switch (Below(14)) {
      case 0:
      case 1:
      case 2:
      case 3: {
        ArgNodeLayout layout;
        layout.mark = Chance(70);
        layout.pattern = Chance(85);
        layout.patternChoice = Below(3);
        layout.dataBefore = static_cast<std::size_t>(Chance(50) ? 0 : Below(40));
        layout.dataBetween = static_cast<std::size_t>(Chance(50) ? 0 : Below(40));
        layout.nameNul = Chance(85);
        layout.filler = Chance(70) ? std::uint8_t{0xAA} : RandomByte();
        b.ArgNode(static_cast<Kind>(1 + Below(5)), RandomName(), static_cast<std::uint16_t>(rng_()),
                  layout);
        break;
      }
      case 4:
        b.Node();
        break;
      case 5:
        b.Connector(RandomName(), static_cast<std::uint16_t>(Below(8)),
                    static_cast<std::size_t>(Below(30)), Chance(85));
        break;
      case 6:
        b.Stray(kTypeTexts[Below(kTypeTexts.size())]);
        break;
      case 7:
      case 8:
        // A bare type name with whatever follows: a node inside other data.
        b.Text(kTypeTexts[Below(kTypeTexts.size())]);
        break;
      case 9:
        b.Text(kPatternTexts[Below(kPatternTexts.size())]);
        break;
      case 10:
        b.Mark();
        break;
      case 11:
        b.U16(static_cast<std::uint16_t>(rng_()));
        break;
      default:
        b.Text(RandomBytes(Chance(10) ? 300 : 24));
        break;
    }
  }

  std::mt19937_64 rng_;
};

}  // namespace testing_support

#endif  // QUORVEL_TESTS_MODEL_GENERATOR_H_
