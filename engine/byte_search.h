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

// The candidate search that FindBytes and ByteCursor share: from `from`, the
// first block of 64 starts (none past `last`, the last start at which the
// needle fits) that holds a candidate. The vector versions test two blocks
// per step with one zero test and form masks only where a candidate is, so
// that empty stretches cost no more than reading them. `mask` is 0 when no
// start in [from, last] is a candidate; bit i of `mask` is start block + i.
// When the block after it was tested in the same step, its candidates are in
// `following`.
struct CandidateBlock {
  std::size_t block = 0;
  std::uint64_t mask = 0;
  std::uint64_t following = 0;
  bool hasFollowing = false;
};
CandidateBlock FindCandidates(SearchImpl impl, const std::uint8_t* bytes, std::size_t from,
                              std::size_t last, const ByteNeedle& needle);

// Successive occurrences of one needle in one buffer, for a walk whose query
// positions mostly grow: the candidate search streams ahead from the last
// block it found, and queries walk that block's bits, clearing the ones
// passed, so that each byte of the buffer is tested about once however many
// queries fall into it. A query behind the last answer (rare) searches
// afresh from there.
class ByteCursor {
 public:
  ByteCursor(const std::uint8_t* bytes, std::size_t size, const ByteNeedle& needle);
  ByteCursor(SearchImpl impl, const std::uint8_t* bytes, std::size_t size,
             const ByteNeedle& needle);

  // As FindBytes(bytes, size, pos, needle).
  std::size_t From(std::size_t pos) {
    if (pos - low_ < kCandidateBlock - (low_ - base_)) {
      // Within the current block, at or after the last answer.
      return Walk(mask_ & (~std::uint64_t{0} << (pos - base_)));
    }
    if (hasFollowing_ && pos - base_ - kCandidateBlock < kCandidateBlock) {
      // Within the block after it, already tested.
      hasFollowing_ = false;
      base_ += kCandidateBlock;
      return Walk(following_ & (~std::uint64_t{0} << (pos - base_)));
    }
    if (!fits_ || pos > last_) return size_;
    Search(pos);
    return mask_ == 0 ? size_ : Walk(mask_);
  }

  // The next occurrence after the last one From or Next returned (which must
  // not have been `size`): From(last + 1), without working out where that is.
  std::size_t Next() { return Walk(mask_ & (mask_ - 1)); }

 private:
  // The first candidate block from `from` on into base_ and mask_.
  void Search(std::size_t from);

  // The first occurrence among the candidates `mask` of the current block and
  // those of the blocks after it.
  std::size_t Walk(std::uint64_t mask) {
    for (;;) {
      while (mask != 0) {
        const std::size_t s = base_ + static_cast<std::size_t>(__builtin_ctzll(mask));
        if (MatchesAt(s)) {
          mask_ = mask;
          low_ = s;
          return s;
        }
        mask &= mask - 1;
      }
      const std::size_t from = base_ + kCandidateBlock;
      if (hasFollowing_) {
        hasFollowing_ = false;
        base_ = from;
        mask = following_;
        continue;
      }
      if (from > last_) break;
      Search(from);
      mask = mask_;
      if (mask == 0) break;
    }
    // None left: any later query searches afresh.
    mask_ = 0;
    low_ = base_ + kCandidateBlock;
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
  // Needles of up to 8 bytes compare as one word (little-endian).
  std::uint64_t wordText_ = 0;
  std::uint64_t wordMask_ = 0;
  bool wordCompare_ = false;
  bool fits_ = false;     // the needle is not empty and fits in the buffer
  std::size_t last_ = 0;  // the last start at which it fits
  // The current block of 64 starts and its candidates from low_ on (the last
  // answer, or the start of the search); the block after it when known.
  std::size_t base_ = 0;
  std::size_t low_ = kCandidateBlock;  // none yet: every query searches
  std::uint64_t mask_ = 0;
  std::uint64_t following_ = 0;
  bool hasFollowing_ = false;
};

// The first s >= from at which the needle lies wholly within bytes[0, size)
// and matches; `size` when there is none (also for an empty needle).
std::size_t FindBytes(const std::uint8_t* bytes, std::size_t size, std::size_t from,
                      const ByteNeedle& needle);

// The same with a chosen implementation, which must be supported.
std::size_t FindBytesWith(SearchImpl impl, const std::uint8_t* bytes, std::size_t size,
                          std::size_t from, const ByteNeedle& needle);

#endif  // QUORVEL_ENGINE_BYTE_SEARCH_H_
