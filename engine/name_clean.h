// The printable-byte filter of object and connector names.
#ifndef QUORVEL_ENGINE_NAME_CLEAN_H_
#define QUORVEL_ENGINE_NAME_CLEAN_H_

#include <cstddef>
#include <cstdint>

// Copies the bytes 0x20..0x7E of `bytes[0, length)` to `out`, in order, and
// returns how many; every other byte is dropped. `out` has room for `length`.
std::size_t CopyPrintable(const std::uint8_t* bytes, std::size_t length, char* out);

#endif  // QUORVEL_ENGINE_NAME_CLEAN_H_
