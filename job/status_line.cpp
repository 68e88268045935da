#include "job/status_line.h"

std::string AsciiLowered(std::string_view text) {
  std::string lowered(text);
  for (char& c : lowered) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lowered;
}

std::string StatusLine(std::string_view path, ExtractResult result, char separator) {
  const std::size_t slash = path.rfind(separator);
  std::string line = AsciiLowered(slash == std::string_view::npos ? path : path.substr(slash + 1));
  if (line.size() < kStatusColumn) line.append(kStatusColumn - line.size(), '.');
  line += result == ExtractResult::Completed ? "completed" : "failed";
  return line;
}
