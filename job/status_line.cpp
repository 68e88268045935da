#include "job/status_line.h"

#include "engine/path_text.h"

std::string StatusLine(std::string_view path, ExtractResult result, char separator) {
  std::string line = AsciiLowered(LastPart(path, separator));
  if (line.size() < kStatusColumn) line.append(kStatusColumn - line.size(), '.');
  line += result == ExtractResult::Completed ? "completed" : "failed";
  return line;
}

void PrintJobOutput(std::FILE* out, std::string_view log, std::string_view statusLine) {
  // An empty view may hold no buffer at all, which fwrite must not be given.
  if (!log.empty()) std::fwrite(log.data(), 1, log.size(), out);
  if (!statusLine.empty()) std::fwrite(statusLine.data(), 1, statusLine.size(), out);
  std::fputc('\n', out);
}
