#include "report/status_line.h"

#include "engine/read_ahead.h"

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

bool RunBatch(const std::vector<std::string>& models,
              const std::function<ExtractResult(const std::string& model)>& job,
              const std::function<void(const std::string& line)>& show) {
  bool completed = true;
  ReadAhead ahead(models);
  for (std::size_t i = 0; i < models.size(); ++i) {
    const std::string& model = models[i];
    ahead.Starting(i);
    const ExtractResult result = job(model);
    show(StatusLine(model, result));
    completed = completed && result == ExtractResult::Completed;
  }
  return completed;
}
