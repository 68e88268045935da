#include "engine/job_log.h"

#include <cstdarg>
#include <cstdio>

namespace {

class StdoutJobLog final : public JobLog {
 public:
  __attribute__((format(printf, 2, 3))) void Printf(const char* format, ...) override {
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
  }
};

}  // namespace

JobLog& JobLog::Stdout() {
  static StdoutJobLog log;
  return log;
}

void BufferedJobLog::Printf(const char* format, ...) {
  char line[256];
  va_list args;
  va_start(args, format);
  const int length = std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  if (length < 0) return;
  try {
    if (static_cast<std::size_t>(length) < sizeof line) {
      text_.append(line, static_cast<std::size_t>(length));
      return;
    }
    // A longer line: format it again into room of its own size.
    std::string longer(static_cast<std::size_t>(length) + 1, '\0');
    va_start(args, format);
    std::vsnprintf(longer.data(), longer.size(), format, args);
    va_end(args);
    longer.pop_back();
    text_ += longer;
  } catch (...) {
    // Out of memory: the line is lost, the job goes on.
  }
}
