// Bounded byte comparisons shared by the scanners.
#ifndef QUORVEL_ENGINE_BYTE_MATCH_H_
#define QUORVEL_ENGINE_BYTE_MATCH_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

// True when `text` lies wholly within bytes[0, size) at `pos` and matches.
inline bool MatchAt(const std::uint8_t* bytes, std::size_t size, std::size_t pos,
                    std::string_view text) {
  return pos <= size && text.size() <= size - pos &&
         std::memcmp(bytes + pos, text.data(), text.size()) == 0;
}

inline std::uint16_t ReadU16(const std::uint8_t* bytes, std::size_t pos) {
  return static_cast<std::uint16_t>(bytes[pos] | (bytes[pos + 1] << 8));
}

#endif  // QUORVEL_ENGINE_BYTE_MATCH_H_
