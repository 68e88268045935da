#include "report/status_line.h"

std::string StatusLine(std::string_view path, ExtractResult result, char separator) {
  const std::size_t slash = path.rfind(separator);
  std::string line(slash == std::string_view::npos ? path : path.substr(slash + 1));
  // tolower in the "C" locale: only A-Z change.
  for (char& c : line) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  if (line.size() < kStatusColumn) line.append(kStatusColumn - line.size(), '.');
  line += result == ExtractResult::Completed ? "completed" : "failed";
  return line;
}
