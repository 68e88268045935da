#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>

#include "tools/tavgen/tav_builder.h"

namespace tavgen {
namespace {

// Expected images are spelled out independently of the builder: text pieces
// and hex pieces, concatenated.
struct Piece {
  Piece(const char* text) : bytes(text, text + std::string_view(text).size()) {}  // NOLINT
  static Piece X(std::string_view hex) {
    Piece p("");
    for (std::size_t i = 0; i < hex.size();) {
      if (hex[i] == ' ') {
        ++i;
        continue;
      }
      p.bytes.push_back(
          static_cast<std::uint8_t>(std::stoul(std::string(hex.substr(i, 2)), nullptr, 16)));
      i += 2;
    }
    return p;
  }
  Bytes bytes;
};

Bytes Cat(std::initializer_list<Piece> pieces) {
  Bytes out;
  for (const Piece& p : pieces) out.insert(out.end(), p.bytes.begin(), p.bytes.end());
  return out;
}

std::string Show(const Bytes& b) {
  std::string s;
  for (std::uint8_t c : b) {
    if (c >= 0x20 && c < 0x7F) {
      s += static_cast<char>(c);
    } else {
      static const char* digits = "0123456789abcdef";
      s += std::string("<") + digits[c >> 4] + digits[c & 15] + ">";
    }
  }
  return s;
}

using Build = std::function<void(TavBuilder&)>;

Bytes Built(const Build& build) {
  TavBuilder b;
  build(b);
  return b.bytes();
}

struct LayoutCase {
  const char* label;
  Build build;
  Bytes expected;
};

TEST(TavBuilderTest, LaysOutPiecesByteExactly) {
  const auto X = Piece::X;
  const LayoutCase cases[] = {
      {"rotation, defaults", [](TavBuilder& b) { b.ArgNode(Kind::Rotation, "door", 42); },
       Cat({"model::ArgRotationNode", X("00 00 00 00"), "door",
            X("00 f0 3f 00 00 00 00 01 00 00 00 2a 00")})},
      {"visibility, second pattern, no mark",
       [](TavBuilder& b) {
         b.ArgNode(Kind::Visibility, "lamp", 7, {.mark = false, .patternChoice = 1});
       },
       Cat({"model::ArgVisibilityNode", X("00 00 00 00"), "lamp", X("00 00 02 00 00 00 07 00")})},
      {"visibility, third pattern",
       [](TavBuilder& b) { b.ArgNode(Kind::Visibility, "v", 3, {.patternChoice = 2}); },
       Cat({"model::ArgVisibilityNode", X("00 00 00 00"), "v",
            X("00 f0 3f 00 03 00 00 00 03 00")})},
      {"bone, choice clamped high, filler around the mark",
       [](TavBuilder& b) {
         b.ArgNode(Kind::AnimatedBone, "b", 0x1234,
                   {.patternChoice = 9, .dataBefore = 2, .dataBetween = 3, .filler = 0x55});
       },
       Cat({"model::ArgAnimatedBone", X("00 00 00 00"), "b",
            X("00 55 55 f0 3f 55 55 55 02 00 00 00 34 12")})},
      {"animation, choice clamped low, empty name",
       [](TavBuilder& b) { b.ArgNode(Kind::Animation, "", 0x0102, {.patternChoice = -1}); },
       Cat({"model::ArgAnimationNode", X("00 00 00 00 00 f0 3f 01 00 00 00 02 01")})},
      {"position without NUL and without pattern",
       [](TavBuilder& b) {
         b.ArgNode(Kind::Position, "p", 1, {.pattern = false, .nameNul = false});
       },
       Cat({"model::ArgPositionNode", X("00 00 00 00"), "p", X("f0 3f")})},
      {"connector", [](TavBuilder& b) { b.Connector("C1", 12); },
       Cat({"model::Connector", X("00 00 00 00 43 31 00 02 00 00 00 00 00 00 00 0c 00")})},
      {"connector, padded, no pattern", [](TavBuilder& b) { b.Connector("", 0xabcd, 3, false); },
       Cat({"model::Connector", X("00 00 00 00 00 aa aa aa")})},
      {"node and strays", [](TavBuilder& b) { b.Node().Stray().Stray("model::Bone"); },
       Cat({"model::Node", X("00 00 00 00"), "model::TransformNode", X("00 00 00 00"),
            "model::Bone", X("00 00 00 00")})},
      {"numbers, little-endian",
       [](TavBuilder& b) { b.U16(0x0102).U32(0x01020304).F32(1.5f).F64(1.0).Mark(); },
       Cat({X("02 01 04 03 02 01 00 00 c0 3f 00 00 00 00 00 00 f0 3f f0 3f")})},
      {"version, text, hex, fill",
       [](TavBuilder& b) { b.Version().Text("ab").Hex("0a FF\n\t7b").Fill(2, 0x11); },
       Cat({"__VERSION__ab", X("0a ff 7b 11 11")})},
      {"cut shortens, never grows", [](TavBuilder& b) { b.Text("abcdef").Cut(4).Cut(100); },
       Cat({"abcd"})},
  };
  for (const LayoutCase& c : cases) {
    EXPECT_EQ(Show(Built(c.build)), Show(c.expected)) << c.label;
  }
}

TEST(TavBuilderTest, TypeNamesAreTheSerializedOnes) {
  EXPECT_EQ(TypeName(Kind::Rotation), "model::ArgRotationNode");
  EXPECT_EQ(TypeName(Kind::Visibility), "model::ArgVisibilityNode");
  EXPECT_EQ(TypeName(Kind::Animation), "model::ArgAnimationNode");
  EXPECT_EQ(TypeName(Kind::Position), "model::ArgPositionNode");
  EXPECT_EQ(TypeName(Kind::AnimatedBone), "model::ArgAnimatedBone");
}

TEST(TavBuilderTest, HexRejectsMalformedBytes) {
  for (const char* bad : {"0", "0g", "abc", "00 1", "f03f"}) {
    TavBuilder b;
    EXPECT_THROW(b.Hex(bad), std::invalid_argument) << bad;
  }
}

struct DescriptionCase {
  const char* description;
  Build build;
};

TEST(DescriptionTest, ItemsMatchBuilderCalls) {
  const DescriptionCase cases[] = {
      {"version", [](TavBuilder& b) { b.Version(); }},
      {"node", [](TavBuilder& b) { b.Node(); }},
      {"mark", [](TavBuilder& b) { b.Mark(); }},
      {"stray", [](TavBuilder& b) { b.Stray(); }},
      {"stray model::Bone", [](TavBuilder& b) { b.Stray("model::Bone"); }},
      {"text hello", [](TavBuilder& b) { b.Text("hello"); }},
      {R"(text "a b\x00c\\\"")", [](TavBuilder& b) { b.Text(std::string_view("a b\0c\\\"", 7)); }},
      {R"(text "#kept" # dropped)", [](TavBuilder& b) { b.Text("#kept"); }},
      {"hex 00 01 ff", [](TavBuilder& b) { b.Hex("00 01 ff"); }},
      {"fill 3 aa", [](TavBuilder& b) { b.Fill(3, 0xaa); }},
      {"fill 2", [](TavBuilder& b) { b.Fill(2, 0); }},
      {"u16 0x1234", [](TavBuilder& b) { b.U16(0x1234); }},
      {"u32 4294967295", [](TavBuilder& b) { b.U32(0xffffffff); }},
      {"f32 1.5", [](TavBuilder& b) { b.F32(1.5f); }},
      {"f64 -2.25", [](TavBuilder& b) { b.F64(-2.25); }},
      {"arg rot door 42", [](TavBuilder& b) { b.ArgNode(Kind::Rotation, "door", 42); }},
      {"arg vis lamp 7 nomark pattern=1",
       [](TavBuilder& b) {
         b.ArgNode(Kind::Visibility, "lamp", 7, {.mark = false, .patternChoice = 1});
       }},
      {"arg bone b 65535 pad=2 between=3 filler=55 pattern=1",
       [](TavBuilder& b) {
         b.ArgNode(Kind::AnimatedBone, "b", 65535,
                   {.patternChoice = 1, .dataBefore = 2, .dataBetween = 3, .filler = 0x55});
       }},
      {"arg pos p 1 nonul nopattern",
       [](TavBuilder& b) {
         b.ArgNode(Kind::Position, "p", 1, {.pattern = false, .nameNul = false});
       }},
      {R"(arg anim "" 5)", [](TavBuilder& b) { b.ArgNode(Kind::Animation, "", 5); }},
      {R"(arg vis "na\x01me" 3)",
       [](TavBuilder& b) { b.ArgNode(Kind::Visibility, "na\x01me", 3); }},
      {R"(arg rot "with space" 1   # comment)",
       [](TavBuilder& b) { b.ArgNode(Kind::Rotation, "with space", 1); }},
      {"conn C1 12", [](TavBuilder& b) { b.Connector("C1", 12); }},
      {"conn pylon_1 4 pad=3 nopattern",
       [](TavBuilder& b) { b.Connector("pylon_1", 4, 3, false); }},
      {"version\r\n\n  # only a comment\n\tnode\r\narg rot door 42\ncut 20\n",
       [](TavBuilder& b) { b.Version().Node().ArgNode(Kind::Rotation, "door", 42).Cut(20); }},
      {"", [](TavBuilder&) {}},
  };
  for (const DescriptionCase& c : cases) {
    Bytes got;
    std::string error;
    ASSERT_TRUE(BuildFromDescription(c.description, got, error)) << c.description << ": " << error;
    EXPECT_EQ(Show(got), Show(Built(c.build))) << c.description;
  }
}

TEST(DescriptionTest, RepeatAndCut) {
  const DescriptionCase cases[] = {
      {"repeat 3 {\nnode\n}", [](TavBuilder& b) { b.Node().Node().Node(); }},
      {"repeat 0 {\nnode\n}\ntext x", [](TavBuilder& b) { b.Text("x"); }},
      {"repeat 2 {\n  text a\n  repeat 3 {\n    text b\n  }\n}",
       [](TavBuilder& b) { b.Text("abbbabbb"); }},
      // {i} is the innermost index, and the outer one comes back after a nested block.
      {"repeat 2 {\nrepeat 2 {\ntext {i}\n}\ntext {i}\n}", [](TavBuilder& b) { b.Text("010011"); }},
      {"text {i}", [](TavBuilder& b) { b.Text("0"); }},
      {"repeat 3 {\narg rot d{i} 1\nconn c{i} 2\n}",
       [](TavBuilder& b) {
         for (const char* n : {"0", "1", "2"}) {
           b.ArgNode(Kind::Rotation, std::string("d") + n, 1).Connector(std::string("c") + n, 2);
         }
       }},
      {"repeat 2 {\narg vis v {i}\nconn c {i}\n}",
       [](TavBuilder& b) {
         b.ArgNode(Kind::Visibility, "v", 0).Connector("c", 0);
         b.ArgNode(Kind::Visibility, "v", 1).Connector("c", 1);
       }},
      {"version\nnode\ncut 5", [](TavBuilder& b) { b.Text("__VER"); }},
      {"text ab\ncut 10", [](TavBuilder& b) { b.Text("ab"); }},
      {"repeat 3 {\ntext abc\ncut 2\n}", [](TavBuilder& b) { b.Text("ab"); }},
  };
  for (const DescriptionCase& c : cases) {
    Bytes got;
    std::string error;
    ASSERT_TRUE(BuildFromDescription(c.description, got, error)) << c.description << ": " << error;
    EXPECT_EQ(Show(got), Show(Built(c.build))) << c.description;
  }
}

TEST(DescriptionTest, ErrorsNameTheLine) {
  const struct {
    const char* description;
    const char* error;
  } cases[] = {
      {"version\nbogus", "line 2: unknown item 'bogus'"},
      {"\n\narg rot door", "line 3: arg: expected"},
      {"arg spin d 1", "line 1: unknown kind 'spin'"},
      {"node\narg rot d 65536", "line 2: number 65536 exceeds 65535"},
      {"arg rot d 1 shiny", "line 1: arg: unknown option 'shiny'"},
      {"arg rot d 1 pad", "line 1: arg: unknown option 'pad'"},
      {"arg rot d 1 pattern=3", "line 1: number 3 exceeds 2"},
      {"conn c x", "line 1: bad number 'x'"},
      {"conn c 1 nomark", "line 1: conn: unknown option"},
      {"hex 00 0g", "line 1: bad hex byte '0g'"},
      {"hex 123", "line 1: bad hex byte '123'"},
      {"hex", "line 1: hex: expected"},
      {"fill 2 100", "line 1: bad hex byte '100'"},
      {"u16 -1", "line 1: bad number '-1'"},
      {"u32 0x", "line 1: bad number '0x'"},
      {"f32 abc", "line 1: bad number 'abc'"},
      {"node extra", "line 1: node: expected no arguments"},
      {"text a b", "line 1: text: expected"},
      {"text \"abc", "line 1: unterminated quoted string"},
      {R"(text "\q")", "line 1: unknown escape \\q"},
      {R"(text "\x4")", "line 1: \\x needs two hex digits"},
      {R"(text "a"b)", "line 1: text directly after a closing quote"},
      {"node\n}", "line 2: '}' without repeat"},
      {"version\nrepeat 2 {\nnode\n", "line 2: repeat without closing '}'"},
      {"repeat 2\nnode", "line 1: repeat: expected COUNT {"},
      {"repeat 100000001 {\n}", "line 1: number 100000001 exceeds"},
      {"repeat 3 {\n  repeat 2 {\n  }\n  wat\n}", "line 4: unknown item 'wat'"},
  };
  for (const auto& c : cases) {
    Bytes got;
    std::string error;
    EXPECT_FALSE(BuildFromDescription(c.description, got, error)) << c.description;
    EXPECT_EQ(error.rfind(c.error, 0), 0u) << c.description << " gave: " << error;
  }
}

}  // namespace
}  // namespace tavgen
