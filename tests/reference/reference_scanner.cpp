#include "tests/reference/reference_scanner.h"

#include <algorithm>
#include <string>

#include "engine/byte_match.h"
#include "engine/tav_format.h"

namespace {

// The connector branch for a hit at `hit`, byte by byte.
ScanStep ScanConnectorNode(const std::uint8_t* bytes, std::size_t size, std::size_t hit,
                           std::int32_t analyzeConnector, ConnectorTable& connectors) {
  const std::size_t namePos = hit + tav::kConnectorNameOffset;
  if (analyzeConnector == 0) return {namePos, false};
  std::size_t p = namePos;
  while (p < size && !MatchAt(bytes, size, p, tav::kConnectorRefPattern)) ++p;
  const std::size_t refPos = p + tav::kConnectorRefPattern.size();
  // A pattern without both reference bytes behind it counts as no pattern.
  if (p >= size || size - refPos < tav::kNumberSize) return {size, true};
  const std::uint16_t nodeRef = ReadU16(bytes, refPos);
  AddConnector(connectors, nodeRef, ConnectorRecord{ReadCleanName(bytes, size, namePos), nodeRef});
  return {refPos, false};
}

// The arg node steps for a hit of `format` at `hit`.
ScanStep ScanArgNode(const std::uint8_t* bytes, std::size_t size, std::size_t hit,
                     const tav::ArgNodeFormat& format, ScanState& state, ArgTable& args) {
  const ScanStep resume{hit + tav::kArgResumeOffset, false};
  const std::size_t namePos = hit + format.typeName.size() + tav::kArgNameGap;

  bool markSeen = false;
  bool found = false;
  std::size_t numberPos = 0;
  for (std::size_t p = namePos; p < size && !found; ++p) {
    for (std::size_t i = 0; i < format.patternCount && !found; ++i) {
      if (MatchAt(bytes, size, p, format.patterns[i])) {
        found = true;
        numberPos = p + format.patterns[i].size();
      }
      if (i == 0 && MatchAt(bytes, size, p, tav::kOneMark)) markSeen = true;
    }
  }
  // A pattern without both arg bytes behind it counts as no pattern.
  if (found && size - numberPos < tav::kNumberSize) found = false;

  if (!markSeen && format.needsMark) return resume;
  if (!found) return {size, true};

  const std::uint16_t arg = ReadU16(bytes, numberPos);
  std::string name = RecordName(ReadCleanName(bytes, size, namePos), state.unnamedCounter);
  AddArgRecord(args, MakeArgRecord(static_cast<std::uint16_t>(state.nodeCounter), std::move(name),
                                   arg, format.kind));
  return resume;
}

}  // namespace

void ScanModelReference(const std::uint8_t* bytes, std::size_t size, std::int32_t analyzeConnector,
                        ScanState& state, ArgTable& args, ConnectorTable& connectors) {
  std::size_t pos = 0;
  while (pos < size) {
    if (state.versionFound == 0) {
      const std::uint8_t* end = bytes + size;
      const std::uint8_t* marker =
          std::search(bytes + pos, end, tav::kVersionMarker.begin(), tav::kVersionMarker.end());
      if (marker == end) return;
      pos = static_cast<std::size_t>(marker - bytes) + tav::kVersionMarker.size();
      state.versionFound = 1;
      continue;
    }

    ScanStep step{pos + 1, false};
    bool matched = true;
    if (MatchAt(bytes, size, pos, tav::kNodeTypeName)) {
      ++state.nodeCounter;
      state.nodeSeen = 1;
      step.next = pos + tav::kNodeTypeName.size();
    } else if (MatchAt(bytes, size, pos, tav::kConnectorTypeName)) {
      step = ScanConnectorNode(bytes, size, pos, analyzeConnector, connectors);
    } else {
      matched = false;
      for (const tav::ArgNodeFormat& format : tav::kArgNodeFormats) {
        if (MatchAt(bytes, size, pos, format.typeName)) {
          step = ScanArgNode(bytes, size, pos, format, state, args);
          matched = true;
          break;
        }
      }
    }
    if (step.end) return;
    pos = step.next;
    // A one-byte step onto "model::" counts a node once the first node was seen.
    if (!matched && state.nodeSeen != 0 && MatchAt(bytes, size, pos, tav::kModelPrefix)) {
      ++state.nodeCounter;
    }
  }
}
