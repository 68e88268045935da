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
// positions only grow: the candidate starts of a whole window (64 KiB by
// default) are found in one vector pass into a bit mask, and queries walk
// those bits, clearing the ones passed, so that each byte of the buffer is
// tested about once however many queries fall into it. A query behind the
// last one (rare) fills the window afresh from there.
class ByteCursor {
 public:
  static constexpr std::size_t kWindowWords = 1024;  // 64 KiB of starts
  ByteCursor(const std::uint8_t* bytes, std::size_t size, const ByteNeedle& needle);
  // `windowWords` (1..kWindowWords) words of 64 starts per pass; small
  // windows serve the tests of the refill.
  ByteCursor(SearchImpl impl, const std::uint8_t* bytes, std::size_t size, const ByteNeedle& needle,
             std::size_t windowWords = kWindowWords);

  // As FindBytes(bytes, size, pos, needle).
  std::size_t From(std::size_t pos) {
    if (pos < low_ || pos >= end_) {
      if (pos >= none_ || !fits_ || pos > last_) return size_;
      Fill(pos);
    }
    const std::size_t word = (pos - base_) / kCandidateBlock;
    const std::uint64_t mask = (word == word_ ? mask_ : masks_[word]) &
                               (~std::uint64_t{0} << ((pos - base_) % kCandidateBlock));
    return Walk(pos, word, mask);
  }

  // The next occurrence after the last one From or Next returned (which must
  // not have been `size`): From(last + 1), without working out where that is.
  std::size_t Next() { return Walk(low_ + 1, word_, mask_ & (mask_ - 1)); }

 private:
  // Candidates of the starts from `from` on, one window of them.
  void Fill(std::size_t from);

  // The first occurrence among the candidates `mask` of `word` and those of
  // the words after it (filling further windows as needed), `from` being the
  // query position.
  std::size_t Walk(std::size_t from, std::size_t word, std::uint64_t mask) {
    for (;;) {
      while (mask != 0) {
        const std::size_t s =
            base_ + word * kCandidateBlock + static_cast<std::size_t>(__builtin_ctzll(mask));
        if (MatchesAt(s)) {
          word_ = word;
          mask_ = mask;
          low_ = s;
          return s;
        }
        mask &= mask - 1;
      }
      if (++word == words_) {
        if (end_ > last_) break;
        Fill(end_);
        word = 0;
        mask = mask_;
        continue;
      }
      mask = masks_[word];
    }
    none_ = from;
    low_ = end_;  // any later query below none_ fills afresh
    return size_;
  }

  bool MatchesAt(std::size_t s) const {
    if (wordCompare_ && size_ - s >= sizeof(std::uint64_t)) {
      std::uint64_t word;
      __builtin_memcpy(&word, bytes_ + s, sizeof word);
      return (word & wordMask_) == wordText_;
    }
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
  std::size_t windowWords_;
  // Needles of up to 8 bytes compare as one word (little-endian).
  std::uint64_t wordText_ = 0;
  std::uint64_t wordMask_ = 0;
  bool wordCompare_ = false;
  bool fits_ = false;     // the needle is not empty and fits in the buffer
  std::size_t last_ = 0;  // the last start at which it fits
  std::size_t base_ = 0;  // the window's first start
  std::size_t end_ = 0;   // one past its last start; 0 before the first fill
  std::size_t words_ = 0;
  // The last answer (or the last fill's start): queries below it fill afresh.
  std::size_t low_ = static_cast<std::size_t>(-1);
  // The word of low_ and its candidates from low_ on; the words after it
  // are as filled.
  std::size_t word_ = 0;
  std::uint64_t mask_ = 0;
  std::size_t none_ = static_cast<std::size_t>(-1);  // no occurrence starts at or after it
  std::uint64_t masks_[kWindowWords];  // bit i of word w: start base_ + 64 w + i is a candidate
};

// The first s >= from at which the needle lies wholly within bytes[0, size)
// and matches; `size` when there is none (also for an empty needle).
std::size_t FindBytes(const std::uint8_t* bytes, std::size_t size, std::size_t from,
                      const ByteNeedle& needle);

// The same with a chosen implementation, which must be supported.
std::size_t FindBytesWith(SearchImpl impl, const std::uint8_t* bytes, std::size_t size,
                          std::size_t from, const ByteNeedle& needle);

#endif  // QUORVEL_ENGINE_BYTE_SEARCH_H_
