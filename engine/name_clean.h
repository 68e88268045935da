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

// An arg record's name from its cleaned name: an empty name reads as
// "unnamed", and "unnamed" (read so or written so) takes the next number of
// `unnamedCounter`, which then counts on. Call it only for a record that is
// made, so that the numbers run without gaps.
std::string RecordName(std::string cleaned, std::int32_t& unnamedCounter);

#endif  // QUORVEL_ENGINE_NAME_CLEAN_H_
