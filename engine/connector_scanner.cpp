#include "engine/connector_scanner.h"

#include <string>

#include "engine/byte_match.h"
#include "engine/name_clean.h"
#include "engine/tav_format.h"

ScanStep ScanConnectorReference(const std::uint8_t* bytes, std::size_t size, std::size_t hit,
                                std::int32_t analyzeConnector, ConnectorTable& connectors) {
  const std::size_t name = hit + tav::kConnectorNameOffset;
  if (analyzeConnector == 0) return {name, false};

  for (std::size_t p = name; p < size; ++p) {
    if (!MatchAt(bytes, size, p, tav::kConnectorRefPattern)) continue;
    const std::size_t ref = p + tav::kConnectorRefPattern.size();
    // A pattern without both reference bytes counts as no pattern.
    if (size - ref < tav::kNumberSize) break;
    const std::uint16_t nodeRef = ReadU16(bytes, ref);
    AddConnector(connectors, nodeRef, ConnectorRecord{ReadCleanName(bytes, size, name), nodeRef});
    // The stretch from the name to the pattern is not scanned again.
    return {ref, false};
  }
  return {size, true};
}
