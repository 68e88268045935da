#include "engine/fast_scanner.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/byte_match.h"
#include "engine/byte_search.h"
#include "engine/connector_scanner.h"
#include "engine/tav_format.h"

namespace {

// The walk tells type names apart by the byte after "model::".
static_assert(tav::kNodeTypeName[7] == 'N' && tav::kConnectorTypeName[7] == 'C');
static_assert([] {
  for (const tav::ArgNodeFormat& format : tav::kArgNodeFormats) {
    if (format.typeName[7] != 'A') return false;
  }
  return true;
}());

constexpr ByteNeedle kModelPrefix(tav::kModelPrefix);
constexpr ByteNeedle kVersionMarker(tav::kVersionMarker);
constexpr ByteNeedle kOneMark(tav::kOneMark);
constexpr ByteNeedle kNul(std::string_view("\0", 1));

// The first occurrence of one needle at or after a query position, searched
// no further than the caller needs. What was searched is remembered: a later
// query from within the searched stretch continues where the last search
// stopped. Queries that only move forward therefore read each byte at most
// once in all; a query behind the remembered stretch searches afresh.
class NextOccurrence {
 public:
  NextOccurrence() = default;
  explicit NextOccurrence(const ByteNeedle& needle) : needle_(needle) {}

  std::string_view text() const { return needle_.text(); }

  // The first occurrence at or after `pos` when it starts below `limit`;
  // otherwise a position >= `limit` below which none starts (`size` when
  // none starts at all).
  std::size_t Below(const std::uint8_t* bytes, std::size_t size, std::size_t pos,
                    std::size_t limit) {
    if (pos >= size) return size;
    if (pos < from_ || pos > end_) {
      from_ = end_ = pos;
      found_ = false;
    }
    if (found_ || end_ >= limit) return end_;
    const std::size_t length = needle_.text().size();
    const std::size_t stop = limit < size ? limit : size;
    // Starts below `stop` are those whose needle ends before stop + length - 1.
    const std::size_t searchEnd = size - stop < length ? size : stop + length - 1;
    const std::size_t at = FindBytes(bytes, searchEnd, end_, needle_);
    found_ = at < searchEnd;
    end_ = found_ ? at : stop;
    return end_;
  }

 private:
  ByteNeedle needle_{std::string_view()};
  // No occurrence starts in [from_, end_); one starts at end_ when found_.
  std::size_t from_ = 0;
  std::size_t end_ = 0;
  bool found_ = false;
};

// The arg patterns of a kind are searched side by side in windows that
// double from this size, so that none is searched far past the nearest.
constexpr std::size_t kFirstPatternWindow = 256;

// A type name's bytes behind "model::" as two little-endian words and a last
// byte, each with the mask of the bytes it holds.
struct TypeNameWords {
  static constexpr std::size_t kPrefix = 7;           // "model::"
  static constexpr std::size_t kSpan = kPrefix + 17;  // the longest name: 24 bytes
  struct Loaded {
    std::uint64_t first;   // bytes 7 to 14
    std::uint64_t second;  // bytes 15 to 22
    std::uint8_t last;     // byte 23
  };

  constexpr explicit TypeNameWords(std::string_view name) {
    for (std::size_t i = kPrefix; i < name.size(); ++i) {
      const std::uint64_t byte = static_cast<std::uint8_t>(name[i]);
      const std::size_t j = i - kPrefix;
      if (j < 8) {
        words[0] |= byte << (8 * j);
        masks[0] |= std::uint64_t{0xFF} << (8 * j);
      } else if (j < 16) {
        words[1] |= byte << (8 * (j - 8));
        masks[1] |= std::uint64_t{0xFF} << (8 * (j - 8));
      } else {
        last = static_cast<std::uint8_t>(byte);
        hasLast = true;
      }
    }
  }

  // Needs kSpan bytes at `p`.
  static Loaded Load(const std::uint8_t* p) {
    Loaded loaded;
    std::memcpy(&loaded.first, p + kPrefix, 8);
    std::memcpy(&loaded.second, p + kPrefix + 8, 8);
    loaded.last = p[kPrefix + 16];
    return loaded;
  }

  constexpr bool Matches(const Loaded& loaded) const {
    return (loaded.first & masks[0]) == words[0] && (loaded.second & masks[1]) == words[1] &&
           (!hasLast || loaded.last == last);
  }

  std::uint64_t words[2] = {};
  std::uint64_t masks[2] = {};
  std::uint8_t last = 0;
  bool hasLast = false;
};

static_assert(TypeNameWords::kSpan >= tav::kConnectorTypeName.size());
static_assert([] {
  for (const tav::ArgNodeFormat& format : tav::kArgNodeFormats) {
    if (format.typeName.size() > TypeNameWords::kSpan) return false;
  }
  return true;
}());

constexpr TypeNameWords kNodeWords(tav::kNodeTypeName);
constexpr TypeNameWords kConnectorWords(tav::kConnectorTypeName);
constexpr std::array<TypeNameWords, 5> kArgWords = {
    TypeNameWords(tav::kArgNodeFormats[0].typeName),
    TypeNameWords(tav::kArgNodeFormats[1].typeName),
    TypeNameWords(tav::kArgNodeFormats[2].typeName),
    TypeNameWords(tav::kArgNodeFormats[3].typeName),
    TypeNameWords(tav::kArgNodeFormats[4].typeName)};
static_assert(kArgWords.size() == tav::kArgNodeFormats.size());

// The first four bytes behind "model::" of the one arg node that needs no
// mark, as a little-endian word.
static_assert(tav::kArgNodeFormats[1].typeName.substr(7, 4) == "ArgV" &&
              !tav::kArgNodeFormats[1].needsMark);
constexpr std::uint32_t kVisibilityWord = 'A' | 'r' << 8 | 'g' << 16 | std::uint32_t{'V'} << 24;
static_assert([] {
  for (const tav::ArgNodeFormat& format : tav::kArgNodeFormats) {
    if (!format.needsMark && format.typeName.substr(7, 4) != "ArgV") return false;
  }
  return true;
}());

// What TypeAt finds besides the arg node formats (their indexes come first).
constexpr std::size_t kNode = 100;
constexpr std::size_t kConnector = 101;
constexpr std::size_t kNone = 102;

// True when the "model::" at `at` surely does nothing but count as a step:
// the byte behind it begins no type name, or it begins an arg node that needs
// the 1.0 mark at or after `markFreeFrom`, where none starts (refused: the
// scan resumes five bytes on, so the next "model::" counts as a step either
// way). False sends it the long way (TypeAt), which decides for itself. A
// value type, so that the walk's loop keeps it in registers.
struct PassedOverTest {
  const std::uint8_t* bytes;
  std::size_t size;
  std::size_t markFreeFrom;

  bool operator()(std::size_t at) const {
    if (size - at < TypeNameWords::kSpan) return false;
    const std::uint8_t letter = bytes[at + TypeNameWords::kPrefix];
    if (letter == 'N' || letter == 'C') return false;
    if (letter != 'A') return true;
    if (at < markFreeFrom) return false;
    std::uint32_t word;
    std::memcpy(&word, bytes + at + TypeNameWords::kPrefix, sizeof word);
    return word != kVisibilityWord;
  }
};

class FastScan {
 public:
  FastScan(const std::uint8_t* bytes, std::size_t size, std::int32_t analyzeConnector,
           ScanState& state, ScanSink& sink)
      : bytes_(bytes),
        size_(size),
        analyzeConnector_(analyzeConnector),
        state_(state),
        sink_(sink),
        prefixes_(bytes, size, kModelPrefix),
        mark_(kOneMark),
        nul_(kNul) {
    // Kinds that share a pattern share its remembered occurrence.
    for (std::size_t k = 0; k < tav::kArgNodeFormats.size(); ++k) {
      const tav::ArgNodeFormat& format = tav::kArgNodeFormats[k];
      for (std::size_t i = 0; i < format.patternCount; ++i) {
        std::size_t slot = 0;
        while (slot < patternCount_ && patterns_[slot].text() != format.patterns[i]) ++slot;
        if (slot == patternCount_)
          patterns_[patternCount_++] = NextOccurrence(ByteNeedle(format.patterns[i]));
        slots_[k][i] = slot;
      }
    }
  }

  void Walk() {
    if (size_ == 0) return;
    std::size_t pos = 0;
    if (state_.versionFound == 0) {
      const std::size_t marker = FindBytes(bytes_, size_, 0, kVersionMarker);
      if (marker == size_) return;
      pos = marker + tav::kVersionMarker.size();
      state_.versionFound = 1;
    }
    // The position last reached by a move other than a one-byte step; a
    // "model::" found there is not counted.
    std::size_t landed = pos;
    // Bytes that do not begin "model::" begin no type name either: the plain
    // walk steps over them one at a time, counting nothing.
    std::size_t at = prefixes_.From(pos);
    while (at < size_) {
      if (at != landed) {
        // Reached by steps, as is every "model::" up to the next one that
        // may do something: those that surely do nothing are passed over
        // here and counted together.
        std::size_t steps = 0;
        const PassedOverTest passedOver{bytes_, size_, markFreeFrom_};
        if (passedOver(at)) {
          steps = 1;
          at = prefixes_.NextNotPassed(passedOver, steps);
        }
        if (at < size_) ++steps;
        if (state_.nodeSeen != 0) state_.nodeCounter += static_cast<std::int32_t>(steps);
        if (at == size_) break;
      }

      ScanStep move;
      const std::size_t type = TypeAt(at);
      if (type == kNode) {
        ++state_.nodeCounter;
        state_.nodeSeen = 1;
        move.next = at + tav::kNodeTypeName.size();
      } else if (type == kConnector) {
        move = ScanConnector(bytes_, size_, at, analyzeConnector_, sink_);
      } else if (type < tav::kArgNodeFormats.size()) {
        move = ArgNode(at, type);
      } else {
        // No type name: a one-byte step. `landed` stays behind, so every
        // "model::" from here to the next hit counts as reached by steps.
        at = prefixes_.Next();
        continue;
      }
      if (move.end) return;
      landed = move.next;
      at = prefixes_.From(landed);
    }
  }

  // What begins at `at`, where "model::" begins: the index of an arg node
  // format, kNode, kConnector or kNone. Two 8-byte loads behind "model::" tell
  // the type names apart wherever 24 bytes remain; nearer the end the names
  // are compared byte by byte.
  std::size_t TypeAt(std::size_t at) const {
    if (size_ - at < TypeNameWords::kSpan) {
      if (MatchAt(bytes_, size_, at, tav::kNodeTypeName)) return kNode;
      if (MatchAt(bytes_, size_, at, tav::kConnectorTypeName)) return kConnector;
      for (std::size_t k = 0; k < tav::kArgNodeFormats.size(); ++k) {
        if (MatchAt(bytes_, size_, at, tav::kArgNodeFormats[k].typeName)) return k;
      }
      return kNone;
    }
    const TypeNameWords::Loaded loaded = TypeNameWords::Load(bytes_ + at);
    switch (static_cast<std::uint8_t>(loaded.first)) {
      case 'N':
        return kNodeWords.Matches(loaded) ? kNode : kNone;
      case 'C':
        return kConnectorWords.Matches(loaded) ? kConnector : kNone;
      case 'A':
        for (std::size_t k = 0; k < tav::kArgNodeFormats.size(); ++k) {
          if (kArgWords[k].Matches(loaded)) return k;
        }
        return kNone;
      default:
        return kNone;
    }
  }

  ScanStep ArgNode(std::size_t hit, std::size_t k) {
    const tav::ArgNodeFormat& format = tav::kArgNodeFormats[k];
    const ScanStep resume{hit + tav::kArgResumeOffset, false};
    const std::size_t namePos = hit + format.typeName.size() + tav::kArgNameGap;

    // A node that needs the mark, with no mark anywhere behind its name, is
    // refused whatever its patterns.
    const std::size_t mark = format.needsMark ? mark_.Below(bytes_, size_, namePos, size_) : 0;
    if (format.needsMark && mark == size_) {
      markFreeFrom_ = std::min(markFreeFrom_, namePos);
      return resume;
    }

    // The first pattern start at or after the name; on a tie the earlier
    // pattern in test order wins.
    std::size_t found = size_;
    std::size_t numberPos = 0;
    for (std::size_t window = namePos + kFirstPatternWindow;;) {
      std::size_t bound = size_;  // no pattern not yet found starts below it
      for (std::size_t i = 0; i < format.patternCount; ++i) {
        const std::size_t limit = found < window ? found : window;
        const std::size_t at = patterns_[slots_[k][i]].Below(bytes_, size_, namePos, limit);
        if (at < limit) {
          found = at;
          numberPos = at + format.patterns[i].size();
        } else if (at < bound) {
          bound = at;
        }
      }
      if (found < window || bound >= size_ || window >= size_) break;
      window = std::max(window + (window - namePos), bound);
    }
    // The plain search tests the mark at every position up to and including
    // the one where the pattern begins.
    if (format.needsMark && mark > found) return resume;
    // No pattern, or one without both arg bytes behind it: the search ran to the end.
    if (found == size_ || size_ - numberPos < tav::kNumberSize) return {size_, true};

    const std::uint16_t arg = ReadU16(bytes_, numberPos);
    const std::size_t nameEnd = nul_.Below(bytes_, size_, namePos, size_);
    sink_.Arg(static_cast<std::uint16_t>(state_.nodeCounter), bytes_ + namePos, nameEnd - namePos,
              arg, format.kind);
    return resume;
  }

  const std::uint8_t* bytes_;
  std::size_t size_;
  std::int32_t analyzeConnector_;
  ScanState& state_;
  ScanSink& sink_;

  ByteCursor prefixes_;  // "model::"
  // No 1.0 mark starts at or after it (size_: not known to be so).
  std::size_t markFreeFrom_ = size_;
  NextOccurrence mark_;
  NextOccurrence nul_;
  // The distinct arg patterns; room for every pattern of every kind.
  std::array<NextOccurrence, 3 * tav::kArgNodeFormats.size()> patterns_;
  std::size_t patternCount_ = 0;
  std::array<std::array<std::size_t, 3>, tav::kArgNodeFormats.size()> slots_{};
};

}  // namespace

void ScanModel(const std::uint8_t* bytes, std::size_t size, std::int32_t analyzeConnector,
               ScanState& state, ScanSink& sink) {
  FastScan(bytes, size, analyzeConnector, state, sink).Walk();
}
