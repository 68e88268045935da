#include "engine/name_clean.h"

#include <cstring>
#include <string>

std::string CleanNameBytes(const std::uint8_t* bytes, std::size_t length) {
  std::string name;
  for (std::size_t i = 0; i < length; ++i) {
    const std::uint8_t c = bytes[i];
    if (c >= 0x20 && c <= 0x7E) name.push_back(static_cast<char>(c));
  }
  return name;
}

std::string ReadCleanName(const std::uint8_t* bytes, std::size_t size, std::size_t pos) {
  if (pos >= size) return {};
  const void* nul = std::memchr(bytes + pos, 0, size - pos);
  const std::size_t end =
      nul ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) - bytes) : size;
  return CleanNameBytes(bytes + pos, end - pos);
}

std::string RecordName(std::string cleaned, std::int32_t& unnamedCounter) {
  if (cleaned.empty()) cleaned = "unnamed";
  if (cleaned == "unnamed") cleaned += std::to_string(unnamedCounter++);
  return cleaned;
}
