#include "engine/byte_search.h"

#include <cstring>

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
#define QUORVEL_X86_SIMD 1
#include <immintrin.h>
#endif

namespace {

bool FullMatch(const std::uint8_t* bytes, std::size_t start, const ByteNeedle& needle) {
  return std::memcmp(bytes + start, needle.text().data(), needle.text().size()) == 0;
}

// Tests the starts s in [from, last] one at a time, the two test bytes first.
std::size_t FindScalar(const std::uint8_t* bytes, std::size_t from, std::size_t last,
                       const ByteNeedle& needle, std::size_t none) {
  const std::uint8_t b1 = needle.At(needle.first());
  const std::uint8_t b2 = needle.At(needle.second());
  for (std::size_t s = from; s <= last; ++s) {
    if (bytes[s + needle.first()] == b1 && bytes[s + needle.second()] == b2 &&
        FullMatch(bytes, s, needle)) {
      return s;
    }
  }
  return none;
}

// memchr on the first test byte, then the second, then all.
std::size_t FindPortable(const std::uint8_t* bytes, std::size_t from, std::size_t last,
                         const ByteNeedle& needle, std::size_t none) {
  const std::size_t a = needle.first();
  const std::uint8_t b1 = needle.At(a);
  const std::uint8_t b2 = needle.At(needle.second());
  std::size_t s = from;
  while (s <= last) {
    const void* hit = std::memchr(bytes + s + a, b1, last - s + 1);
    if (hit == nullptr) return none;
    s = static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - bytes) - a;
    if (bytes[s + needle.second()] == b2 && FullMatch(bytes, s, needle)) return s;
    ++s;
  }
  return none;
}

// The first full match among the candidate starts base + (set bits of mask).
std::size_t FirstInMask(const std::uint8_t* bytes, std::size_t base, std::uint32_t mask,
                        const ByteNeedle& needle, std::size_t none) {
  while (mask != 0) {
    const std::size_t s = base + static_cast<std::size_t>(__builtin_ctz(mask));
    if (FullMatch(bytes, s, needle)) return s;
    mask &= mask - 1;
  }
  return none;
}

#if defined(QUORVEL_X86_SIMD)

// One vector version: `Width` starts per block. The last block is laid over
// the end of the range (overlapping starts already tested are masked off), so
// no load reaches past the needle's last possible byte.
#define QUORVEL_DEFINE_FIND(NAME, TARGET, VEC, WIDTH, SET1, LOADU, CMPEQ, AND, MOVEMASK)        \
  __attribute__((target(TARGET))) std::uint32_t NAME##Mask(const std::uint8_t* p, VEC v1,        \
                                                           VEC v2, std::size_t a, std::size_t b) { \
    const VEC x1 = LOADU(reinterpret_cast<const VEC*>(p + a));                                   \
    const VEC x2 = LOADU(reinterpret_cast<const VEC*>(p + b));                                   \
    return static_cast<std::uint32_t>(MOVEMASK(AND(CMPEQ(x1, v1), CMPEQ(x2, v2))));              \
  }                                                                                              \
  __attribute__((target(TARGET))) std::size_t NAME(const std::uint8_t* bytes, std::size_t from,  \
                                                   std::size_t last, const ByteNeedle& needle,   \
                                                   std::size_t none) {                           \
    constexpr std::size_t kWidth = WIDTH;                                                        \
    if (last - from + 1 < kWidth) return FindScalar(bytes, from, last, needle, none);            \
    const std::size_t a = needle.first();                                                        \
    const std::size_t b = needle.second();                                                       \
    const VEC v1 = SET1(static_cast<char>(needle.At(a)));                                        \
    const VEC v2 = SET1(static_cast<char>(needle.At(b)));                                        \
    std::size_t s = from;                                                                        \
    for (; s + 2 * kWidth <= last + 1; s += 2 * kWidth) {                                        \
      const std::uint32_t m1 = NAME##Mask(bytes + s, v1, v2, a, b);                              \
      const std::uint32_t m2 = NAME##Mask(bytes + s + kWidth, v1, v2, a, b);                     \
      if ((m1 | m2) == 0) continue;                                                              \
      std::size_t at = FirstInMask(bytes, s, m1, needle, none);                                  \
      if (at == none) at = FirstInMask(bytes, s + kWidth, m2, needle, none);                     \
      if (at != none) return at;                                                                 \
    }                                                                                            \
    for (; s + kWidth <= last + 1; s += kWidth) {                                                \
      const std::size_t at = FirstInMask(bytes, s, NAME##Mask(bytes + s, v1, v2, a, b), needle, \
                                         none);                                                  \
      if (at != none) return at;                                                                 \
    }                                                                                            \
    if (s > last) return none;                                                                   \
    const std::size_t base = last + 1 - kWidth;                                                  \
    const std::uint32_t tested = (std::uint32_t{1} << (s - base)) - 1;                          \
    return FirstInMask(bytes, base, NAME##Mask(bytes + base, v1, v2, a, b) & ~tested, needle,   \
                       none);                                                                    \
  }

QUORVEL_DEFINE_FIND(FindSse2, "sse2", __m128i, 16, _mm_set1_epi8, _mm_loadu_si128, _mm_cmpeq_epi8,
                    _mm_and_si128, _mm_movemask_epi8)
QUORVEL_DEFINE_FIND(FindAvx2, "avx2", __m256i, 32, _mm256_set1_epi8, _mm256_loadu_si256,
                    _mm256_cmpeq_epi8, _mm256_and_si256, _mm256_movemask_epi8)

#undef QUORVEL_DEFINE_FIND

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
      return __builtin_cpu_supports("avx2");
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

std::size_t FindBytesWith(SearchImpl impl, const std::uint8_t* bytes, std::size_t size,
                          std::size_t from, const ByteNeedle& needle) {
  const std::size_t length = needle.text().size();
  if (length == 0 || from >= size || length > size - from) return size;
  const std::size_t last = size - length;  // the last start at which the needle fits
  switch (impl) {
#if defined(QUORVEL_X86_SIMD)
    case SearchImpl::Avx2:
      return FindAvx2(bytes, from, last, needle, size);
    case SearchImpl::Sse2:
      return FindSse2(bytes, from, last, needle, size);
#endif
    default:
      return FindPortable(bytes, from, last, needle, size);
  }
}

std::size_t FindBytes(const std::uint8_t* bytes, std::size_t size, std::size_t from,
                      const ByteNeedle& needle) {
  return FindBytesWith(BestSearchImpl(), bytes, size, from, needle);
}
