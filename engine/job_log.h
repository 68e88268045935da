// Where one extraction job's log lines go.
//
// The engine writes every log line through a JobLog, never to standard output
// directly. JobLog::Stdout() prints each line with printf at once, as the
// dialog and a one-file-at-a-time batch need; a BufferedJobLog keeps one job's
// lines so that a caller running jobs side by side can print them in order.
#ifndef QUORVEL_ENGINE_JOB_LOG_H_
#define QUORVEL_ENGINE_JOB_LOG_H_

#include <string>

class JobLog {
 public:
  virtual ~JobLog() = default;
  // Logs one line (or a few) made from a printf format. Never throws; a line
  // that cannot be formatted or kept is dropped.
  __attribute__((format(printf, 2, 3))) virtual void Printf(const char* format, ...) = 0;

  // Notes that the job failed for want of memory or descriptors, so that it
  // may complete when fewer jobs run beside it. Ignored by default.
  virtual void NoteShortOfResources() {}

  // Prints every line with printf on standard output as it comes.
  static JobLog& Stdout();
};

// Keeps the lines in memory, in the order they were logged.
class BufferedJobLog final : public JobLog {
 public:
  __attribute__((format(printf, 2, 3))) void Printf(const char* format, ...) override;
  void NoteShortOfResources() override { shortOfResources_ = true; }
  const std::string& text() const { return text_; }
  bool shortOfResources() const { return shortOfResources_; }

 private:
  std::string text_;
  bool shortOfResources_ = false;
};

#endif  // QUORVEL_ENGINE_JOB_LOG_H_
