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

// The needle's bytes at `s`, compared inline: needles are a few bytes long,
// shorter than what a library call costs.
bool WholeAt(const std::uint8_t* bytes, std::size_t s, std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (bytes[s + i] != static_cast<std::uint8_t>(text[i])) return false;
  }
  return true;
}

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

void PortableCandidates(const std::uint8_t* bytes, std::size_t from, std::size_t last,
                        const ByteNeedle& needle, CandidateBlocks& found) {
  found.count = 0;
  for (; from <= last; from += kCandidateBlock) {
    const std::uint64_t mask = ScalarBlock(bytes, from, last, needle);
    if (mask != 0) {
      found.block = from;
      found.count = 1;
      found.masks[0] = mask;
      return;
    }
    if (last - from < kCandidateBlock) break;
  }
}

#if defined(QUORVEL_X86_SIMD)

// One vector version, `VEC_BYTES` starts per vector. The main loop tests two
// blocks (128 starts) per step and forms masks only when one of them holds a
// candidate. Blocks that reach past `last` are laid over the end instead (the
// starts already passed masked off), so no load reaches past the needle's
// last possible byte; a buffer too short for that is tested one start at a
// time. Masks are formed from 32-bit movemask results, so the code is the
// same in 32-bit builds.
#define QUORVEL_DEFINE_CANDIDATES(NAME, TARGET, VEC, VEC_BYTES, SET1, LOADU, CMPEQ, AND, OR,     \
                                  MOVEMASK)                                                      \
  __attribute__((target(TARGET), always_inline)) inline VEC NAME##Pairs(                         \
      const std::uint8_t* p, VEC v1, VEC v2, std::size_t a, std::size_t b) {                     \
    return AND(CMPEQ(LOADU(reinterpret_cast<const VEC*>(p + a)), v1),                            \
               CMPEQ(LOADU(reinterpret_cast<const VEC*>(p + b)), v2));                           \
  }                                                                                              \
  __attribute__((target(TARGET), always_inline)) inline std::uint64_t NAME##Block(               \
      const std::uint8_t* p, VEC v1, VEC v2, std::size_t a, std::size_t b) {                     \
    std::uint64_t mask = 0;                                                                      \
    for (std::size_t i = 0; i < kCandidateBlock; i += VEC_BYTES) {                               \
      const auto bits = static_cast<std::uint32_t>(MOVEMASK(NAME##Pairs(p + i, v1, v2, a, b)));  \
      mask |= std::uint64_t{bits} << i;                                                          \
    }                                                                                            \
    return mask;                                                                                 \
  }                                                                                              \
  __attribute__((target(TARGET))) QUORVEL_SIMD_ENTRY void NAME(                                  \
      const std::uint8_t* bytes, std::size_t from, std::size_t last, const ByteNeedle& needle,   \
      CandidateBlocks& found, std::size_t most) {                                                \
    if (last < kCandidateBlock - 1) return PortableCandidates(bytes, from, last, needle, found); \
    const std::size_t a = needle.first();                                                        \
    const std::size_t b = needle.second();                                                       \
    const VEC v1 = SET1(static_cast<char>(needle.At(a)));                                        \
    const VEC v2 = SET1(static_cast<char>(needle.At(b)));                                        \
    found.count = 0;                                                                             \
    constexpr std::size_t kStep = 2 * kCandidateBlock;                                           \
    constexpr std::size_t kVectors = kStep / VEC_BYTES;                                          \
    for (; from <= last && last - from >= kStep - 1; from += kStep) {                            \
      const std::uint8_t* p = bytes + from;                                                      \
      VEC pairs[kVectors];                                                                       \
      VEC any = NAME##Pairs(p, v1, v2, a, b);                                                    \
      pairs[0] = any;                                                                            \
      for (std::size_t i = 1; i < kVectors; ++i) {                                               \
        pairs[i] = NAME##Pairs(p + i * VEC_BYTES, v1, v2, a, b);                                 \
        any = OR(any, pairs[i]);                                                                 \
      }                                                                                          \
      if (MOVEMASK(any) == 0) continue;                                                          \
      std::uint64_t masks[2] = {0, 0};                                                           \
      for (std::size_t i = 0; i < kVectors; ++i) {                                               \
        const auto bits = static_cast<std::uint32_t>(MOVEMASK(pairs[i]));                        \
        masks[i * VEC_BYTES / kCandidateBlock] |= std::uint64_t{bits}                            \
                                                  << (i * VEC_BYTES % kCandidateBlock);          \
      }                                                                                          \
      /* The first block with a candidate, the blocks after it as far as the                     \
         steps that follow reach. */                                                             \
      std::size_t n = 0;                                                                         \
      if (masks[0] != 0) found.masks[n++] = masks[0];                                            \
      found.block = masks[0] != 0 ? from : from + kCandidateBlock;                               \
      found.masks[n++] = masks[1];                                                               \
      for (from += kStep; n + 2 <= most && from <= last && last - from >= kStep - 1;             \
           from += kStep) {                                                                      \
        found.masks[n++] = NAME##Block(bytes + from, v1, v2, a, b);                              \
        found.masks[n++] = NAME##Block(bytes + from + kCandidateBlock, v1, v2, a, b);            \
      }                                                                                          \
      found.count = n;                                                                           \
      return;                                                                                    \
    }                                                                                            \
    for (; from <= last; from += kCandidateBlock) {                                              \
      /* Laid over the end when it reaches past `last`. */                                       \
      const std::size_t base =                                                                   \
          last - from >= kCandidateBlock - 1 ? from : last + 1 - kCandidateBlock;                \
      const std::uint64_t mask =                                                                 \
          NAME##Block(bytes + base, v1, v2, a, b) & (~std::uint64_t{0} << (from - base));        \
      if (mask != 0) {                                                                           \
        found.block = base;                                                                      \
        found.count = 1;                                                                         \
        found.masks[0] = mask;                                                                   \
        return;                                                                                  \
      }                                                                                          \
      if (base != from) break;                                                                   \
    }                                                                                            \
  }

QUORVEL_DEFINE_CANDIDATES(Sse2Candidates, "sse2", __m128i, 16, _mm_set1_epi8, _mm_loadu_si128,
                          _mm_cmpeq_epi8, _mm_and_si128, _mm_or_si128, _mm_movemask_epi8)
#if !defined(QUORVEL_NO_AVX2)
QUORVEL_DEFINE_CANDIDATES(Avx2Candidates, "avx2", __m256i, 32, _mm256_set1_epi8, _mm256_loadu_si256,
                          _mm256_cmpeq_epi8, _mm256_and_si256, _mm256_or_si256,
                          _mm256_movemask_epi8)
#endif

#undef QUORVEL_DEFINE_CANDIDATES

#endif  // QUORVEL_X86_SIMD

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

void FindCandidates(SearchImpl impl, const std::uint8_t* bytes, std::size_t from, std::size_t last,
                    const ByteNeedle& needle, CandidateBlocks& found, std::size_t most) {
  switch (impl) {
#if defined(QUORVEL_X86_SIMD)
#if !defined(QUORVEL_NO_AVX2)
    case SearchImpl::Avx2:
      return Avx2Candidates(bytes, from, last, needle, found, most);
#endif
    case SearchImpl::Sse2:
      return Sse2Candidates(bytes, from, last, needle, found, most);
#endif
    default:
      return PortableCandidates(bytes, from, last, needle, found);
  }
}

ByteCursor::ByteCursor(SearchImpl impl, const std::uint8_t* bytes, std::size_t size,
                       const ByteNeedle& needle)
    : impl_(impl), bytes_(bytes), size_(size), needle_(needle) {
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

void ByteCursor::Search(std::size_t from) {
  FindCandidates(impl_, bytes_, from, last_, needle_, found_);
  index_ = 0;
  base_ = found_.block;
  mask_ = found_.count == 0 ? 0 : found_.masks[0];
  // Starts below `from` in a block laid over the end are not candidates.
  low_ = found_.count == 0 ? static_cast<std::size_t>(-1) : from > base_ ? from : base_;
}

std::size_t FindBytesWith(SearchImpl impl, const std::uint8_t* bytes, std::size_t size,
                          std::size_t from, const ByteNeedle& needle) {
  const std::string_view text = needle.text();
  if (text.empty() || from >= size || text.size() > size - from) return size;
  if (text.size() == 1) {
    // The C library's own search, which is quickest over the short
    // distances that single bytes (a name's NUL) are mostly found at.
    const void* at = std::memchr(bytes + from, static_cast<unsigned char>(text[0]), size - from);
    return at == nullptr ? size
                         : static_cast<std::size_t>(static_cast<const std::uint8_t*>(at) - bytes);
  }
  const std::size_t last = size - text.size();
  if (last - from < kCandidateBlock) {
    // A short stretch (the patterns sought right behind a name): one start
    // at a time costs less than setting up the vectors.
    for (std::size_t s = from; s <= last; ++s) {
      if (PairAt(bytes, s, needle) && WholeAt(bytes, s, text)) return s;
    }
    return size;
  }
  CandidateBlocks found;
  for (;;) {
    FindCandidates(impl, bytes, from, last, needle, found, 2);
    if (found.count == 0) return size;
    for (std::size_t k = 0; k < found.count; ++k) {
      const std::size_t block = found.block + k * kCandidateBlock;
      for (std::uint64_t mask = found.masks[k]; mask != 0; mask &= mask - 1) {
        const std::size_t s = block + static_cast<std::size_t>(__builtin_ctzll(mask));
        if (WholeAt(bytes, s, text)) return s;
      }
    }
    from = found.block + found.count * kCandidateBlock;
    if (from > last) return size;
  }
}

std::size_t FindBytes(const std::uint8_t* bytes, std::size_t size, std::size_t from,
                      const ByteNeedle& needle) {
  return FindBytesWith(BestSearchImpl(), bytes, size, from, needle);
}
