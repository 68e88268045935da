#include "engine/byte_search.h"

#include <algorithm>
#include <cstring>

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
#define QUORVEL_X86_SIMD 1
#if defined(_WIN64)
// GCC cannot align 32-byte vectors on the stack of 64-bit Windows code; the
// 16-byte version serves there.
#define QUORVEL_NO_AVX2 1
#endif
#include <immintrin.h>
#if defined(__i386__)
// 32-bit callers (Windows callbacks among them) may pass a stack aligned to 4
// bytes only; the vector code realigns it on entry.
#define QUORVEL_SIMD_ENTRY __attribute__((force_align_arg_pointer))
#else
#define QUORVEL_SIMD_ENTRY
#endif
#endif

namespace {

bool PairAt(const std::uint8_t* bytes, std::size_t s, const ByteNeedle& needle) {
  return bytes[s + needle.first()] == needle.At(needle.first()) &&
         bytes[s + needle.second()] == needle.At(needle.second());
}

// The candidates among the starts [from, last] (at most 64), one at a time.
std::uint64_t ScalarBlock(const std::uint8_t* bytes, std::size_t from, std::size_t last,
                          const ByteNeedle& needle) {
  std::uint64_t mask = 0;
  for (std::size_t s = from; s <= last && s - from < kCandidateBlock; ++s) {
    if (PairAt(bytes, s, needle)) mask |= std::uint64_t{1} << (s - from);
  }
  return mask;
}

std::uint64_t PortableCandidates(const std::uint8_t* bytes, std::size_t from, std::size_t last,
                                 const ByteNeedle& needle, std::size_t* block) {
  for (; from <= last; from += kCandidateBlock) {
    const std::uint64_t mask = ScalarBlock(bytes, from, last, needle);
    if (mask != 0) {
      *block = from;
      return mask;
    }
    if (last - from < kCandidateBlock) break;
  }
  return 0;
}

#if defined(QUORVEL_X86_SIMD)

// One vector version, `VecBytes` starts per vector and 64 per block. Blocks
// that reach past `last` are laid over the end instead (the starts already
// passed masked off), so no load reaches past the needle's last possible
// byte; a buffer too short for that is tested one start at a time.
#define QUORVEL_DEFINE_CANDIDATES(NAME, TARGET, VEC, VEC_BYTES, SET1, LOADU, CMPEQ, AND, MOVEMASK) \
  __attribute__((target(TARGET), always_inline)) inline std::uint64_t NAME##Block(                 \
      const std::uint8_t* p, VEC v1, VEC v2, std::size_t a, std::size_t b) {                       \
    std::uint64_t mask = 0;                                                                        \
    for (std::size_t i = 0; i < kCandidateBlock; i += VEC_BYTES) {                                 \
      const VEC x1 = LOADU(reinterpret_cast<const VEC*>(p + i + a));                               \
      const VEC x2 = LOADU(reinterpret_cast<const VEC*>(p + i + b));                               \
      const auto bits = static_cast<std::uint32_t>(MOVEMASK(AND(CMPEQ(x1, v1), CMPEQ(x2, v2))));   \
      mask |= std::uint64_t{bits} << i;                                                            \
    }                                                                                              \
    return mask;                                                                                   \
  }                                                                                                \
  __attribute__((target(TARGET))) QUORVEL_SIMD_ENTRY std::uint64_t NAME(                           \
      const std::uint8_t* bytes, std::size_t from, std::size_t last, const ByteNeedle& needle,     \
      std::size_t* block) {                                                                        \
    if (last < kCandidateBlock - 1) return PortableCandidates(bytes, from, last, needle, block);   \
    const std::size_t a = needle.first();                                                          \
    const std::size_t b = needle.second();                                                         \
    const VEC v1 = SET1(static_cast<char>(needle.At(a)));                                          \
    const VEC v2 = SET1(static_cast<char>(needle.At(b)));                                          \
    for (; from + kCandidateBlock - 1 <= last; from += kCandidateBlock) {                          \
      const std::uint64_t mask = NAME##Block(bytes + from, v1, v2, a, b);                          \
      if (mask != 0) {                                                                             \
        *block = from;                                                                             \
        return mask;                                                                               \
      }                                                                                            \
    }                                                                                              \
    if (from > last) return 0;                                                                     \
    const std::size_t base = last + 1 - kCandidateBlock;                                           \
    *block = base;                                                                                 \
    return NAME##Block(bytes + base, v1, v2, a, b) & (~std::uint64_t{0} << (from - base));         \
  }                                                                                                \
  __attribute__((target(TARGET))) QUORVEL_SIMD_ENTRY void NAME##Window(                            \
      const std::uint8_t* bytes, std::size_t from, std::size_t blocks, const ByteNeedle& needle,   \
      std::uint64_t* masks) {                                                                      \
    const std::size_t a = needle.first();                                                          \
    const std::size_t b = needle.second();                                                         \
    const VEC v1 = SET1(static_cast<char>(needle.At(a)));                                          \
    const VEC v2 = SET1(static_cast<char>(needle.At(b)));                                          \
    for (std::size_t w = 0; w < blocks; ++w) {                                                     \
      masks[w] = NAME##Block(bytes + from + w * kCandidateBlock, v1, v2, a, b);                    \
    }                                                                                              \
  }

QUORVEL_DEFINE_CANDIDATES(Sse2Candidates, "sse2", __m128i, 16, _mm_set1_epi8, _mm_loadu_si128,
                          _mm_cmpeq_epi8, _mm_and_si128, _mm_movemask_epi8)
#if !defined(QUORVEL_NO_AVX2)
QUORVEL_DEFINE_CANDIDATES(Avx2Candidates, "avx2", __m256i, 32, _mm256_set1_epi8, _mm256_loadu_si256,
                          _mm256_cmpeq_epi8, _mm256_and_si256, _mm256_movemask_epi8)
#endif

#undef QUORVEL_DEFINE_CANDIDATES

#endif  // QUORVEL_X86_SIMD

std::uint64_t Candidates(SearchImpl impl, const std::uint8_t* bytes, std::size_t from,
                         std::size_t last, const ByteNeedle& needle, std::size_t* block) {
  switch (impl) {
#if defined(QUORVEL_X86_SIMD)
#if !defined(QUORVEL_NO_AVX2)
    case SearchImpl::Avx2:
      return Avx2Candidates(bytes, from, last, needle, block);
#endif
    case SearchImpl::Sse2:
      return Sse2Candidates(bytes, from, last, needle, block);
#endif
    default:
      return PortableCandidates(bytes, from, last, needle, block);
  }
}

// The candidates of `blocks` whole blocks of starts from `from` into
// masks[0, blocks); every start's needle lies within the buffer.
void WindowCandidates(SearchImpl impl, const std::uint8_t* bytes, std::size_t from,
                      std::size_t blocks, const ByteNeedle& needle, std::uint64_t* masks) {
  switch (impl) {
#if defined(QUORVEL_X86_SIMD)
#if !defined(QUORVEL_NO_AVX2)
    case SearchImpl::Avx2:
      Avx2CandidatesWindow(bytes, from, blocks, needle, masks);
      return;
#endif
    case SearchImpl::Sse2:
      Sse2CandidatesWindow(bytes, from, blocks, needle, masks);
      return;
#endif
    default:
      for (std::size_t w = 0; w < blocks; ++w) {
        const std::size_t start = from + w * kCandidateBlock;
        masks[w] = ScalarBlock(bytes, start, start + kCandidateBlock - 1, needle);
      }
  }
}

}  // namespace

bool SearchImplSupported(SearchImpl impl) {
  switch (impl) {
    case SearchImpl::Portable:
      return true;
#if defined(QUORVEL_X86_SIMD)
    case SearchImpl::Sse2:
      return __builtin_cpu_supports("sse2");
    case SearchImpl::Avx2:
#if defined(QUORVEL_NO_AVX2)
      return false;
#else
      return __builtin_cpu_supports("avx2");
#endif
#else
    case SearchImpl::Sse2:
    case SearchImpl::Avx2:
      return false;
#endif
  }
  return false;
}

SearchImpl BestSearchImpl() {
  static const SearchImpl best = [] {
    if (SearchImplSupported(SearchImpl::Avx2)) return SearchImpl::Avx2;
    if (SearchImplSupported(SearchImpl::Sse2)) return SearchImpl::Sse2;
    return SearchImpl::Portable;
  }();
  return best;
}

ByteCursor::ByteCursor(SearchImpl impl, const std::uint8_t* bytes, std::size_t size,
                       const ByteNeedle& needle, std::size_t windowWords)
    : impl_(impl),
      bytes_(bytes),
      size_(size),
      needle_(needle),
      windowWords_(windowWords == 0 || windowWords > kWindowWords ? kWindowWords : windowWords) {
  const std::string_view text = needle.text();
  fits_ = !text.empty() && text.size() <= size;
  if (fits_) last_ = size - text.size();
  if (!text.empty() && text.size() <= sizeof(std::uint64_t)) {
    wordCompare_ = true;
    for (std::size_t i = 0; i < text.size(); ++i) {
      wordText_ |= std::uint64_t{static_cast<std::uint8_t>(text[i])} << (8 * i);
      wordMask_ |= std::uint64_t{0xFF} << (8 * i);
    }
  }
}

ByteCursor::ByteCursor(const std::uint8_t* bytes, std::size_t size, const ByteNeedle& needle)
    : ByteCursor(BestSearchImpl(), bytes, size, needle) {}

void ByteCursor::Fill(std::size_t from) {
  const std::size_t starts = std::min(windowWords_ * kCandidateBlock, last_ - from + 1);
  base_ = from;
  end_ = from + starts;
  words_ = (starts + kCandidateBlock - 1) / kCandidateBlock;
  const std::size_t whole = starts / kCandidateBlock;
  WindowCandidates(impl_, bytes_, from, whole, needle_, masks_);
  if (whole < words_) {
    const std::size_t start = from + whole * kCandidateBlock;
    masks_[whole] = ScalarBlock(bytes_, start, last_, needle_);
  }
  low_ = from;
  word_ = 0;
  mask_ = masks_[0];
}

std::size_t FindBytesWith(SearchImpl impl, const std::uint8_t* bytes, std::size_t size,
                          std::size_t from, const ByteNeedle& needle) {
  // Block by block, so that a near occurrence costs one block only.
  const std::string_view text = needle.text();
  if (text.empty() || from >= size || text.size() > size - from) return size;
  const std::size_t last = size - text.size();
  for (std::size_t block = from;;) {
    std::uint64_t mask = Candidates(impl, bytes, from, last, needle, &block);
    if (mask == 0) return size;
    while (mask != 0) {
      const std::size_t s = block + static_cast<std::size_t>(__builtin_ctzll(mask));
      if (std::memcmp(bytes + s, text.data(), text.size()) == 0) return s;
      mask &= mask - 1;
    }
    from = block + kCandidateBlock;
    if (from > last) return size;
  }
}

std::size_t FindBytes(const std::uint8_t* bytes, std::size_t size, std::size_t from,
                      const ByteNeedle& needle) {
  return FindBytesWith(BestSearchImpl(), bytes, size, from, needle);
}
