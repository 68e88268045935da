// Object and connector names as the scanners read them.
#ifndef QUORVEL_ENGINE_NAME_CLEAN_H_
#define QUORVEL_ENGINE_NAME_CLEAN_H_

#include <cstddef>
#include <cstdint>
#include <string>

// The bytes of `bytes[pos, size)` up to the first NUL (or the end), keeping
// only printable ASCII (0x20..0x7E) in order. Empty when pos >= size.
std::string ReadCleanName(const std::uint8_t* bytes, std::size_t size, std::size_t pos);

// The same, over bytes already known to hold no NUL.
std::string CleanNameBytes(const std::uint8_t* bytes, std::size_t length);

#endif  // QUORVEL_ENGINE_NAME_CLEAN_H_
