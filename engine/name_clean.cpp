#include "engine/name_clean.h"

std::size_t CopyPrintable(const std::uint8_t* bytes, std::size_t length, char* out) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < length; ++i) {
    const std::uint8_t c = bytes[i];
    out[n] = static_cast<char>(c);
    n += c >= 0x20 && c <= 0x7E;  // written always, kept only when printable
  }
  return n;
}
