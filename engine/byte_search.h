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
// needle fits) that holds a candidate, and the blocks right after it. The
// vector versions test two blocks per step with one zero test and form masks
// only where a candidate is, so that empty stretches cost no more than
// reading them; where one is, they form the masks of a few steps more at
// once, since candidates come in clusters.
struct CandidateBlocks {
  static constexpr std::size_t kMost = 8;
  std::size_t block = 0;  // the first block's first start
  // How many blocks follow each other from `block`: 0 when no start in
  // [from, last] is a candidate; masks[0] is then never 0.
  std::size_t count = 0;
  std::uint64_t masks[kMost];  // bit i of masks[k]: start block + 64 k + i; the first `count` set
};
// `most` (2 to kMost, even) bounds the blocks found at once: a single search
// that likely stops at the first occurrence takes 2.
void FindCandidates(SearchImpl impl, const std::uint8_t* bytes, std::size_t from, std::size_t last,
                    const ByteNeedle& needle, CandidateBlocks& found,
                    std::size_t most = CandidateBlocks::kMost);

// Successive occurrences of one needle in one buffer, for a walk whose query
// positions mostly grow: the candidate search streams ahead from the last
// blocks it found, and queries walk their bits, clearing the ones passed, so
// that each byte of the buffer is tested about once however many queries
// fall into it. A query behind the last answer (rare) searches afresh from
// there.
class ByteCursor {
 public:
  ByteCursor(const std::uint8_t* bytes, std::size_t size, const ByteNeedle& needle);
  ByteCursor(SearchImpl impl, const std::uint8_t* bytes, std::size_t size,
             const ByteNeedle& needle);

  // As FindBytes(bytes, size, pos, needle).
  std::size_t From(std::size_t pos) {
    if (pos >= low_) {
      // At or after the last answer: within the blocks found, the bits still
      // stand.
      const std::size_t index = (pos - found_.block) / kCandidateBlock;
      if (index < found_.count) {
        if (index != index_) {
          index_ = index;
          base_ = found_.block + index * kCandidateBlock;
          mask_ = found_.masks[index];
        }
        return Walk(mask_ & (~std::uint64_t{0} << (pos - base_)));
      }
    }
    if (!fits_ || pos > last_) return size_;
    Search(pos);
    return found_.count == 0 ? size_ : Walk(mask_);
  }

  // The next occurrence after the last one From or Next returned (which must
  // not have been `size`): From(last + 1), without working out where that is.
  std::size_t Next() { return Walk(mask_ & (mask_ - 1)); }

  // As Next, but passes over every occurrence s for which pass(s) is true,
  // adding one to `passed` for each: the first one it does not pass over, or
  // `size`. For a caller that would only count those occurrences, this is
  // the loop with the least work per occurrence.
  template <typename Pass>
  std::size_t NextNotPassed(Pass pass, std::size_t& passed) {
    // Counted here, not through `passed`, which the compiler would have to
    // take for an alias of every size_t it reads.
    std::size_t count = 0;
    const std::size_t at = NextNotPassedCounting(pass, count);
    passed += count;
    return at;
  }

 private:
  template <typename Pass>
  std::size_t NextNotPassedCounting(const Pass& pass, std::size_t& passed) {
    std::uint64_t mask = mask_ & (mask_ - 1);
    if (!wordCompare_ || size_ < sizeof(std::uint64_t)) {
      std::size_t s = Walk(mask);
      for (; s != size_ && pass(s); s = Next()) ++passed;
      return s;
    }
    // Needles that compare as one word: the loop keeps what it needs in
    // registers, and words near the end go the long way.
    const std::uint8_t* const bytes = bytes_;
    const std::uint64_t text = wordText_;
    const std::uint64_t wordMask = wordMask_;
    const std::size_t wordLast = size_ - sizeof(std::uint64_t);
    std::size_t base = base_;
    for (;;) {
      while (mask != 0) {
        const std::size_t s = base + static_cast<std::size_t>(__builtin_ctzll(mask));
        if (s > wordLast) {
          mask_ = mask;
          for (std::size_t t = Walk(mask); t != size_; t = Next()) {
            if (!pass(t)) return t;
            ++passed;
          }
          return size_;
        }
        std::uint64_t word;
        __builtin_memcpy(&word, bytes + s, sizeof word);
        if ((word & wordMask) == text) {
          if (!pass(s)) {
            mask_ = mask;
            low_ = s;
            return s;
          }
          ++passed;
        }
        mask &= mask - 1;
      }
      if (++index_ < found_.count) {
        base += kCandidateBlock;
        base_ = base;
        mask = found_.masks[index_];
        continue;
      }
      const std::size_t from = base + kCandidateBlock;
      if (from > last_) break;
      Search(from);
      if (found_.count == 0) break;
      base = base_;
      mask = mask_;
    }
    found_.count = 0;
    mask_ = 0;
    low_ = static_cast<std::size_t>(-1);
    return size_;
  }

  // The candidate blocks from `from` on.
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
      if (++index_ < found_.count) {
        base_ += kCandidateBlock;
        mask = found_.masks[index_];
        continue;
      }
      const std::size_t from = base_ + kCandidateBlock;
      if (from > last_) break;
      Search(from);
      if (found_.count == 0) break;
      mask = mask_;
    }
    // None left: any later query searches afresh.
    found_.count = 0;
    mask_ = 0;
    low_ = static_cast<std::size_t>(-1);
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
  CandidateBlocks found_;
  // The current block (found_.masks[index_]) and its candidates from low_ on
  // (the last answer, or where the search began); the later blocks of found_
  // stand as found.
  std::size_t index_ = 0;
  std::size_t base_ = 0;
  std::uint64_t mask_ = 0;
  std::size_t low_ = static_cast<std::size_t>(-1);  // none yet: every query searches
};

// The first s >= from at which the needle lies wholly within bytes[0, size)
// and matches; `size` when there is none (also for an empty needle).
std::size_t FindBytes(const std::uint8_t* bytes, std::size_t size, std::size_t from,
                      const ByteNeedle& needle);

// The same with a chosen implementation, which must be supported.
std::size_t FindBytesWith(SearchImpl impl, const std::uint8_t* bytes, std::size_t size,
                          std::size_t from, const ByteNeedle& needle);

#endif  // QUORVEL_ENGINE_BYTE_SEARCH_H_
