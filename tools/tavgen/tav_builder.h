// Builds TAV byte images for tests, samples, benchmarks and fuzz seeds.
//
// The builder appends pieces in call order; nothing is inserted implicitly, so
// a test can lay out exactly the bytes it means. Helpers such as ArgNode() lay
// out a whole node the way the scanner expects to find one.
#ifndef QUORVEL_TOOLS_TAVGEN_TAV_BUILDER_H_
#define QUORVEL_TOOLS_TAVGEN_TAV_BUILDER_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tavgen {

using Bytes = std::vector<std::uint8_t>;

// Arg node kinds, numbered as the engine numbers them (1..5).
enum class Kind : int {
  Rotation = 1,
  Visibility = 2,
  Animation = 3,
  Position = 4,
  AnimatedBone = 5
};

// The serialized type name of `kind`, e.g. "model::ArgRotationNode".
std::string_view TypeName(Kind kind);

// How ArgNode() lays out one arg node:
//   type name, 4 header bytes, name bytes, NUL, `dataBefore` filler bytes,
//   [F0 3F when `mark`], `dataBetween` filler bytes, pattern, arg (u16 LE).
struct ArgNodeLayout {
  bool mark = true;             // emit the 1.0 mark (F0 3F) before the pattern
  bool pattern = true;          // emit the arg pattern and the arg number
  int patternChoice = 0;        // which of the kind's patterns (0-based; clamped)
  std::size_t dataBefore = 0;   // filler bytes between the name's NUL and the mark
  std::size_t dataBetween = 0;  // filler bytes between the mark and the pattern
  bool nameNul = true;          // end the name with a NUL
  std::uint8_t filler = 0xAA;   // value of the filler bytes (never forms a pattern)
};

class TavBuilder {
 public:
  TavBuilder& Version();                    // "__VERSION__"
  TavBuilder& Text(std::string_view text);  // raw bytes of `text`, no NUL
  TavBuilder& Raw(const Bytes& bytes);      // raw bytes
  TavBuilder& Hex(std::string_view hex);    // "00 01 ff": whitespace-separated hex bytes
  TavBuilder& Fill(std::size_t count, std::uint8_t value);
  TavBuilder& U16(std::uint16_t value);  // little-endian
  TavBuilder& U32(std::uint32_t value);  // little-endian
  TavBuilder& F32(float value);          // little-endian IEEE 754
  TavBuilder& F64(double value);         // little-endian IEEE 754
  TavBuilder& Mark();                    // F0 3F
  TavBuilder& Node();                    // "model::Node" followed by 4 zero bytes
  TavBuilder& Stray(std::string_view typeName = "model::TransformNode");  // text, 4 zero bytes
  // A whole arg node (see ArgNodeLayout); `name` is written as given.
  TavBuilder& ArgNode(Kind kind, std::string_view name, std::uint16_t arg,
                      const ArgNodeLayout& layout = {});
  // "model::Connector", 4 bytes, name, NUL, `dataBefore` filler bytes, the
  // reference pattern 02 00 00 00 00 00 00 00, then `nodeRef` (u16 LE).
  TavBuilder& Connector(std::string_view name, std::uint16_t nodeRef, std::size_t dataBefore = 0,
                        bool pattern = true);
  TavBuilder& Cut(std::size_t size);  // truncate the image to `size` bytes

  std::size_t size() const { return bytes_.size(); }
  const Bytes& bytes() const { return bytes_; }

 private:
  Bytes bytes_;
};

// Parses a compact text description (one item per line, '#' comments) and
// builds the image. Returns false and sets `error` ("line N: ...") on bad input.
// The description language is documented in tools/tavgen/README.md.
bool BuildFromDescription(std::string_view description, Bytes& out, std::string& error);

// Writes `bytes` to `path` in binary mode. Returns false on any I/O error.
bool WriteFile(const std::string& path, const Bytes& bytes);

}  // namespace tavgen

#endif  // QUORVEL_TOOLS_TAVGEN_TAV_BUILDER_H_
