// The description language: see tools/tavgen/README.md.
//
// A description is parsed whole into a tree of operations first and run only
// when every line is valid, so a bad line never leaves a half-built image.
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tools/tavgen/tav_builder.h"

namespace tavgen {
namespace {

// Guards against descriptions that would exhaust memory or never finish.
constexpr std::size_t kMaxImageSize = std::size_t{1} << 30;
constexpr std::uint64_t kMaxRepeatSteps = 100'000'000;

struct Failure {
  int line;
  std::string message;
};

[[noreturn]] void Fail(int line, std::string message) {
  throw Failure{line, std::move(message)};
}

struct RunState {
  std::size_t index = 0;  // iteration of the innermost repeat; 0 outside any
  std::uint64_t steps = 0;
};

using Op = std::function<void(TavBuilder&, RunState&)>;
using Block = std::vector<Op>;

// Splits one line into tokens. A token is a run of non-blank bytes or a
// double-quoted string with \xNN, \\ and \" escapes; '#' outside quotes
// starts a comment.
std::vector<std::string> Tokenize(std::string_view line, int lineNo) {
  std::vector<std::string> tokens;
  std::size_t i = 0;
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (i < line.size()) {
    if (blank(line[i])) {
      ++i;
    } else if (line[i] == '#') {
      break;
    } else if (line[i] == '"') {
      std::string text;
      ++i;
      for (;;) {
        if (i >= line.size()) Fail(lineNo, "unterminated quoted string");
        const char c = line[i++];
        if (c == '"') break;
        if (c != '\\') {
          text += c;
          continue;
        }
        if (i >= line.size()) Fail(lineNo, "unterminated quoted string");
        const char e = line[i++];
        if (e == '\\' || e == '"') {
          text += e;
        } else if (e == 'x') {
          unsigned value = 0;
          const auto [end, ec] = std::from_chars(
              line.data() + i, line.data() + std::min(i + 2, line.size()), value, 16);
          if (ec != std::errc{} || end != line.data() + i + 2) {
            Fail(lineNo, "\\x needs two hex digits");
          }
          text += static_cast<char>(value);
          i += 2;
        } else {
          Fail(lineNo, std::string("unknown escape \\") + e);
        }
      }
      if (i < line.size() && !blank(line[i]) && line[i] != '#') {
        Fail(lineNo, "text directly after a closing quote");
      }
      tokens.push_back(std::move(text));
    } else {
      const std::size_t start = i;
      while (i < line.size() && !blank(line[i]) && line[i] != '#') ++i;
      tokens.emplace_back(line.substr(start, i - start));
    }
  }
  return tokens;
}

// Decimal or 0x-prefixed hexadecimal, at most `max`.
std::uint64_t Unsigned(const std::string& token, std::uint64_t max, int lineNo) {
  std::string_view digits = token;
  int base = 10;
  if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
    digits.remove_prefix(2);
    base = 16;
  }
  std::uint64_t value = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
  if (ec != std::errc{} || end != digits.data() + digits.size() || digits.empty()) {
    Fail(lineNo, "bad number '" + token + "'");
  }
  if (value > max) Fail(lineNo, "number " + token + " exceeds " + std::to_string(max));
  return value;
}

// One or two hex digits, as in "fill 16 aa" and "filler=0".
std::uint8_t HexByte(const std::string& token, int lineNo) {
  unsigned value = 0;
  const auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), value, 16);
  if (token.empty() || token.size() > 2 || ec != std::errc{} ||
      end != token.data() + token.size()) {
    Fail(lineNo, "bad hex byte '" + token + "'");
  }
  return static_cast<std::uint8_t>(value);
}

template <typename T>
T Floating(const std::string& token, int lineNo) {
  T value{};
  const auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), value);
  if (ec != std::errc{} || end != token.data() + token.size() || token.empty()) {
    Fail(lineNo, "bad number '" + token + "'");
  }
  return value;
}

Kind KindFromWord(const std::string& word, int lineNo) {
  if (word == "rot") return Kind::Rotation;
  if (word == "vis") return Kind::Visibility;
  if (word == "anim") return Kind::Animation;
  if (word == "pos") return Kind::Position;
  if (word == "bone") return Kind::AnimatedBone;
  Fail(lineNo, "unknown kind '" + word + "' (rot vis anim pos bone)");
}

// Replaces every "{i}" with the innermost repeat's iteration index.
std::string Expand(const std::string& text, std::size_t index) {
  std::string out;
  std::size_t from = 0;
  for (std::size_t at; (at = text.find("{i}", from)) != std::string::npos; from = at + 3) {
    out.append(text, from, at - from);
    out += std::to_string(index);
  }
  out.append(text, from);
  return out;
}

// An arg number or node reference: a number, or "{i}" for the innermost
// repeat's iteration index (cut to 16 bits).
struct U16Value {
  std::uint16_t fixed = 0;
  bool byIndex = false;
  std::uint16_t operator()(std::size_t index) const {
    return byIndex ? static_cast<std::uint16_t>(index) : fixed;
  }
};

U16Value U16Field(const std::string& token, int lineNo) {
  if (token == "{i}") return {0, true};
  return {static_cast<std::uint16_t>(Unsigned(token, 0xFFFF, lineNo)), false};
}

// Splits "key=value"; a bare word has an empty value and no '='.
std::pair<std::string, std::optional<std::string>> Option(const std::string& token) {
  const std::size_t eq = token.find('=');
  if (eq == std::string::npos) return {token, std::nullopt};
  return {token.substr(0, eq), token.substr(eq + 1)};
}

void ExpectArgs(const std::vector<std::string>& t, std::size_t min, std::size_t max,
                const char* usage, int lineNo) {
  const std::size_t n = t.size() - 1;
  if (n < min || n > max) Fail(lineNo, t[0] + ": expected " + usage);
}

Op ParseArg(const std::vector<std::string>& t, int lineNo) {
  if (t.size() < 4) Fail(lineNo, "arg: expected KIND NAME ARG [options]");
  const Kind kind = KindFromWord(t[1], lineNo);
  std::string name = t[2];
  const U16Value arg = U16Field(t[3], lineNo);
  ArgNodeLayout layout;
  for (std::size_t k = 4; k < t.size(); ++k) {
    const auto [key, value] = Option(t[k]);
    const bool bare = !value.has_value();
    if (bare && key == "nomark") {
      layout.mark = false;
    } else if (bare && key == "nopattern") {
      layout.pattern = false;
    } else if (bare && key == "nonul") {
      layout.nameNul = false;
    } else if (!bare && key == "pad") {
      layout.dataBefore = Unsigned(*value, kMaxImageSize, lineNo);
    } else if (!bare && key == "between") {
      layout.dataBetween = Unsigned(*value, kMaxImageSize, lineNo);
    } else if (!bare && key == "pattern") {
      layout.patternChoice = static_cast<int>(Unsigned(*value, 2, lineNo));
    } else if (!bare && key == "filler") {
      layout.filler = HexByte(*value, lineNo);
    } else {
      Fail(lineNo, "arg: unknown option '" + t[k] + "'");
    }
  }
  return [=](TavBuilder& b, RunState& s) {
    b.ArgNode(kind, Expand(name, s.index), arg(s.index), layout);
  };
}

Op ParseConnector(const std::vector<std::string>& t, int lineNo) {
  if (t.size() < 3) Fail(lineNo, "conn: expected NAME NODEREF [options]");
  std::string name = t[1];
  const U16Value ref = U16Field(t[2], lineNo);
  std::size_t pad = 0;
  bool pattern = true;
  for (std::size_t k = 3; k < t.size(); ++k) {
    const auto [key, value] = Option(t[k]);
    if (!value && key == "nopattern") {
      pattern = false;
    } else if (value && key == "pad") {
      pad = Unsigned(*value, kMaxImageSize, lineNo);
    } else {
      Fail(lineNo, "conn: unknown option '" + t[k] + "'");
    }
  }
  return [=](TavBuilder& b, RunState& s) {
    b.Connector(Expand(name, s.index), ref(s.index), pad, pattern);
  };
}

// Parses one item line other than "repeat" and "}".
Op ParseItem(const std::vector<std::string>& t, int lineNo) {
  const std::string& w = t[0];
  if (w == "arg") return ParseArg(t, lineNo);
  if (w == "conn") return ParseConnector(t, lineNo);
  if (w == "version" || w == "node" || w == "mark") {
    ExpectArgs(t, 0, 0, "no arguments", lineNo);
    if (w == "version") return [](TavBuilder& b, RunState&) { b.Version(); };
    if (w == "node") return [](TavBuilder& b, RunState&) { b.Node(); };
    return [](TavBuilder& b, RunState&) { b.Mark(); };
  }
  if (w == "stray") {
    ExpectArgs(t, 0, 1, "[TYPENAME]", lineNo);
    if (t.size() == 1) return [](TavBuilder& b, RunState&) { b.Stray(); };
    return [name = t[1]](TavBuilder& b, RunState& s) { b.Stray(Expand(name, s.index)); };
  }
  if (w == "text") {
    ExpectArgs(t, 1, 1, "one TEXT (quote it if it has blanks)", lineNo);
    return [text = t[1]](TavBuilder& b, RunState& s) { b.Text(Expand(text, s.index)); };
  }
  if (w == "hex") {
    ExpectArgs(t, 1, std::numeric_limits<std::size_t>::max(), "BYTE...", lineNo);
    Bytes bytes;
    for (std::size_t k = 1; k < t.size(); ++k) {
      if (t[k].size() != 2) Fail(lineNo, "bad hex byte '" + t[k] + "' (two digits each)");
      bytes.push_back(HexByte(t[k], lineNo));
    }
    return [bytes = std::move(bytes)](TavBuilder& b, RunState&) { b.Raw(bytes); };
  }
  if (w == "fill") {
    ExpectArgs(t, 1, 2, "COUNT [HEXBYTE]", lineNo);
    const std::size_t count = Unsigned(t[1], kMaxImageSize, lineNo);
    const std::uint8_t value = t.size() > 2 ? HexByte(t[2], lineNo) : 0;
    return [=](TavBuilder& b, RunState&) { b.Fill(count, value); };
  }
  if (w == "u16" || w == "u32") {
    ExpectArgs(t, 1, 1, "NUMBER", lineNo);
    if (w == "u16") {
      const auto v = static_cast<std::uint16_t>(Unsigned(t[1], 0xFFFF, lineNo));
      return [=](TavBuilder& b, RunState&) { b.U16(v); };
    }
    const auto v = static_cast<std::uint32_t>(Unsigned(t[1], 0xFFFFFFFF, lineNo));
    return [=](TavBuilder& b, RunState&) { b.U32(v); };
  }
  if (w == "f32") {
    ExpectArgs(t, 1, 1, "NUMBER", lineNo);
    const float v = Floating<float>(t[1], lineNo);
    return [=](TavBuilder& b, RunState&) { b.F32(v); };
  }
  if (w == "f64") {
    ExpectArgs(t, 1, 1, "NUMBER", lineNo);
    const double v = Floating<double>(t[1], lineNo);
    return [=](TavBuilder& b, RunState&) { b.F64(v); };
  }
  if (w == "cut") {
    ExpectArgs(t, 1, 1, "SIZE", lineNo);
    const std::size_t size = Unsigned(t[1], std::numeric_limits<std::size_t>::max(), lineNo);
    return [=](TavBuilder& b, RunState&) { b.Cut(size); };
  }
  Fail(lineNo, "unknown item '" + w + "'");
}

Op MakeRepeat(std::uint64_t count, std::shared_ptr<const Block> body, int lineNo) {
  return [=](TavBuilder& b, RunState& s) {
    const std::size_t outer = s.index;
    for (std::uint64_t n = 0; n < count; ++n) {
      if (++s.steps > kMaxRepeatSteps) Fail(lineNo, "too many repeat iterations");
      s.index = n;
      for (const Op& op : *body) op(b, s);
      if (b.size() > kMaxImageSize) Fail(lineNo, "image grows past 1 GiB");
    }
    s.index = outer;
  };
}

Block Parse(std::string_view text) {
  struct Open {
    int line;
    std::uint64_t count;
    Block body;
  };
  std::vector<Open> open;  // repeats not yet closed, innermost last
  Block top;
  int lineNo = 0;
  while (!text.empty() || lineNo == 0) {
    ++lineNo;
    const std::size_t nl = text.find('\n');
    const std::string_view line = text.substr(0, nl);
    text = nl == std::string_view::npos ? std::string_view{} : text.substr(nl + 1);

    const std::vector<std::string> t = Tokenize(line, lineNo);
    if (t.empty()) continue;
    if (t[0] == "repeat") {
      if (t.size() != 3 || t[2] != "{") Fail(lineNo, "repeat: expected COUNT {");
      open.push_back({lineNo, Unsigned(t[1], kMaxRepeatSteps, lineNo), {}});
    } else if (t[0] == "}") {
      if (t.size() != 1) Fail(lineNo, "'}' must stand alone");
      if (open.empty()) Fail(lineNo, "'}' without repeat");
      Open done = std::move(open.back());
      open.pop_back();
      (open.empty() ? top : open.back().body)
          .push_back(MakeRepeat(done.count, std::make_shared<const Block>(std::move(done.body)),
                                done.line));
    } else {
      (open.empty() ? top : open.back().body).push_back(ParseItem(t, lineNo));
    }
  }
  if (!open.empty()) Fail(open.back().line, "repeat without closing '}'");
  return top;
}

}  // namespace

bool BuildFromDescription(std::string_view description, Bytes& out, std::string& error) {
  try {
    const Block program = Parse(description);
    TavBuilder builder;
    RunState state;
    for (const Op& op : program) op(builder, state);
    out = builder.bytes();
    error.clear();
    return true;
  } catch (const Failure& f) {
    error = "line " + std::to_string(f.line) + ": " + f.message;
    return false;
  }
}

}  // namespace tavgen
