#include "engine/connector_scanner.h"

#include <cstring>

#include "engine/byte_match.h"
#include "engine/byte_search.h"
#include "engine/tav_format.h"

ScanStep ScanConnector(const std::uint8_t* bytes, std::size_t size, std::size_t hit,
                       std::int32_t analyzeConnector, ScanSink& sink) {
  const std::size_t name = hit + tav::kConnectorNameOffset;
  if (analyzeConnector == 0) return {name, false};

  static constexpr ByteNeedle kRefPattern(tav::kConnectorRefPattern);
  const std::size_t found = FindBytes(bytes, size, name, kRefPattern);
  const std::size_t ref = found + tav::kConnectorRefPattern.size();
  // No pattern, or one without both reference bytes behind it: the search ran to the end.
  if (found == size || size - ref < tav::kNumberSize) return {size, true};
  const std::uint16_t nodeRef = ReadU16(bytes, ref);
  std::size_t length = 0;
  if (name < size) {
    const void* nul = std::memchr(bytes + name, 0, size - name);
    length = nul != nullptr
                 ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) - (bytes + name))
                 : size - name;
  }
  sink.Connector(nodeRef, bytes + name, length);
  // The stretch from the name to the pattern is not scanned again.
  return {ref, false};
}
