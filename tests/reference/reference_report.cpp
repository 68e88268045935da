#include "tests/reference/reference_report.h"

#include <algorithm>
#include <cstdio>

#include "engine/scan_state.h"
#include "tests/reference/reference_scanner.h"

bool LessByArg(const ArgRecord& a, const ArgRecord& b) {
  return a.arg < b.arg;
}

bool LessByNodeIndex(const ArgRecord& a, const ArgRecord& b) {
  return a.nodeIndex < b.nodeIndex;
}

std::int32_t MatchConnectors(ArgTable& args, const ConnectorTable& connectors, ArgList& list) {
  std::int32_t matched = 0;
  for (auto& [name, record] : args) {
    const auto connector = connectors.find(record.nodeIndex);
    if (connector != connectors.end()) {
      record.hasConnector = 1;
      record.connectorName = connector->second.name;
      ++matched;
    }
    list.push_back(record);
  }
  return matched;
}

void OrderArgList(ArgList& list, std::int32_t sortByName) {
  if (sortByName == 0) std::stable_sort(list.begin(), list.end(), LessByArg);
  std::stable_sort(list.begin(), list.end(), LessByNodeIndex);
}

namespace {

// sprintf into a string, as the report's writer formats each text.
template <typename... Args>
void Append(std::string& text, const char* format, Args... args) {
  char buffer[64];
  const int n = std::snprintf(buffer, sizeof buffer, format, args...);
  text.append(buffer, static_cast<std::size_t>(n));
}

}  // namespace

std::string FormatArgReport(std::int32_t analyzeConnector, const ArgList& list,
                            std::int32_t matchedCount, std::int32_t connectorCount) {
  std::string text;
  text += "*************************\n";
  text += "**   arg list of tav   **\n";
  text += "*************************\n\n";
  Append(text, "**<< #connectors: %d (total %d)\n\n", matchedCount, connectorCount);
  text += "**   obj = arg (type) [connector]\n";
  text += "**     [-]: if connector name != obj name\n";
  text += "**          or no connector\n\n";
  for (const ArgRecord& record : list) {
    text += record.name;
    Append(text, " = %hu ( ", record.arg);
    text += NodeKindLabels[static_cast<int>(record.kinds[0]) - 1];
    text += " )";
    if (analyzeConnector == 1) {
      text += " [ ";
      if (record.hasConnector == 0) {
        text += "- ]";
      } else {
        text += record.connectorName;
        text += " ]";
      }
    }
    text += "\n";
  }
  return text;
}

std::string ReferenceReportText(const std::uint8_t* bytes, std::size_t size,
                                const ExtractOptions& options) {
  ArgTable args;
  ConnectorTable connectors;
  ScanState state;
  if (size > 0) ScanModelReference(bytes, size, options.analyzeConnector, state, args, connectors);
  ArgList list;
  const std::int32_t matched = MatchConnectors(args, connectors, list);
  OrderArgList(list, options.sortByName);
  return FormatArgReport(options.analyzeConnector, list, matched,
                         static_cast<std::int32_t>(connectors.size()));
}
