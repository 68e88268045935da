// Finding byte strings in a model image at memory speed.
//
// A candidate start must match two chosen bytes of the needle at their fixed
// offsets (non-zero bytes first, because zero bytes are by far the commonest
// in model data); only then are all bytes compared. The vector versions test
// 16 or 32 starts at once, so the search stays fast even where one byte of
// the needle is common. Every read stays within bytes[0, size).
#ifndef QUORVEL_ENGINE_BYTE_SEARCH_H_
#define QUORVEL_ENGINE_BYTE_SEARCH_H_

#include <cstddef>
#include <cstdint>
#include <string_view>

enum class SearchImpl { Portable, Sse2, Avx2 };

// True when this processor can run `impl`; Portable always can.
bool SearchImplSupported(SearchImpl impl);

// The fastest supported implementation; FindBytes uses it.
SearchImpl BestSearchImpl();

// A needle with its two test bytes chosen; build it once (constexpr).
class ByteNeedle {
 public:
  // The first test byte is the first non-zero one (or the first byte); the
  // second the last non-zero one after or before it, else the byte farthest
  // from the first.
  constexpr explicit ByteNeedle(std::string_view text) : text_(text) {
    const std::size_t n = text.size();
    if (n == 0) return;
    while (first_ < n && text[first_] == '\0') ++first_;
    if (first_ == n) first_ = 0;
    second_ = n - 1;
    while (second_ > 0 && (second_ == first_ || text[second_] == '\0')) --second_;
    if (second_ == first_ || text[second_] == '\0') second_ = first_ == n - 1 ? 0 : n - 1;
  }

  std::string_view text() const { return text_; }
  std::size_t first() const { return first_; }    // offset of the first test byte
  std::size_t second() const { return second_; }  // offset of the second (== first if length 1)
  std::uint8_t At(std::size_t offset) const { return static_cast<std::uint8_t>(text_[offset]); }

 private:
  std::string_view text_;
  std::size_t first_ = 0;
  std::size_t second_ = 0;
};

// Starts tested together: one bit each in a 64-bit mask.
inline constexpr std::size_t kCandidateBlock = 64;

// Successive occurrences of one needle in one buffer, for a walk whose query
// positions mostly grow: the candidates of the current block of 64 starts are
// kept between queries, so that a query within that block costs a few
// instructions. A query anywhere else works too; it starts a new block.
class ByteCursor {
 public:
  ByteCursor(const std::uint8_t* bytes, std::size_t size, const ByteNeedle& needle);
  ByteCursor(SearchImpl impl, const std::uint8_t* bytes, std::size_t size,
             const ByteNeedle& needle);

  // As FindBytes(bytes, size, pos, needle). The common case is inline: pos
  // within the current block, with a candidate left behind it that matches.
  std::size_t From(std::size_t pos) {
    if (pos >= low_ && pos - block_ < kCandidateBlock) {
      const std::uint64_t mask = mask_ & (~std::uint64_t{0} << (pos - block_));
      if (mask != 0) {
        const std::size_t s = block_ + static_cast<std::size_t>(__builtin_ctzll(mask));
        if (MatchesAt(s)) {
          mask_ = mask;
          low_ = pos;
          return s;
        }
      }
    }
    return FromAnywhere(pos);
  }

 private:
  std::size_t FromAnywhere(std::size_t pos);

  // Needles are short: a plain loop beats a call of memcmp.
  bool MatchesAt(std::size_t s) const {
    const std::string_view text = needle_.text();
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (bytes_[s + i] != static_cast<std::uint8_t>(text[i])) return false;
    }
    return true;
  }

  SearchImpl impl_;
  const std::uint8_t* bytes_;
  std::size_t size_;
  ByteNeedle needle_;
  std::size_t block_ = 0;  // first start of the current block
  // Its starts from here on are tested; a query below it starts a new block.
  std::size_t low_ = static_cast<std::size_t>(-1);
  std::uint64_t mask_ = 0;  // its candidates not yet ruled out (bit i: start block_ + i)
  std::size_t none_ = static_cast<std::size_t>(-1);  // no occurrence starts at or after it
};

// The first s >= from at which the needle lies wholly within bytes[0, size)
// and matches; `size` when there is none (also for an empty needle).
std::size_t FindBytes(const std::uint8_t* bytes, std::size_t size, std::size_t from,
                      const ByteNeedle& needle);

// The same with a chosen implementation, which must be supported.
std::size_t FindBytesWith(SearchImpl impl, const std::uint8_t* bytes, std::size_t size,
                          std::size_t from, const ByteNeedle& needle);

#endif  // QUORVEL_ENGINE_BYTE_SEARCH_H_
