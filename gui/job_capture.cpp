#include "gui/job_capture.h"

#include "engine/job_log.h"
#include "job/extract_job.h"
#include "job/os_error.h"

namespace {

ExtractResult EngineJob(FileOps& files, JobLog& log, const std::string& model,
                        const ExtractOptions& options) {
  return ExtractModelArgsWith(files, log, model.c_str(), options.sortByName,
                              options.saveBesideExtractor, options.analyzeConnector);
}

ModelJob& TheModelJob() {
  static ModelJob job = &EngineJob;
  return job;
}

}  // namespace

void SetModelJob(ModelJob job) {
  TheModelJob() = job;
}

void ReasonFileOps::Before() {
  ClearOsError();
}

void ReasonFileOps::NoteFailure() {
  // The first failure is the one the job reports.
  if (reason_.empty()) reason_ = OsErrorText();
}

std::string ReasonFileOps::TakeReason() {
  std::string reason;
  reason.swap(reason_);
  return reason;
}

std::FILE* ReasonFileOps::OpenRead(const char* path) {
  Before();
  std::FILE* file = inner_.OpenRead(path);
  if (file == nullptr) NoteFailure();
  return file;
}

std::int64_t ReasonFileOps::MeasureSize(std::FILE* file) {
  Before();
  const std::int64_t size = inner_.MeasureSize(file);
  if (size < 0) NoteFailure();
  return size;
}

std::size_t ReasonFileOps::Read(void* buffer, std::size_t count, std::FILE* file) {
  Before();
  const std::size_t read = inner_.Read(buffer, count, file);
  if (read < count && std::ferror(file) != 0) NoteFailure();
  return read;
}

int ReasonFileOps::Close(std::FILE* file) {
  Before();
  const int result = inner_.Close(file);
  if (result != 0) NoteFailure();
  return result;
}

std::FILE* ReasonFileOps::CreateTemp(const char* reportPath, TempFile& temp) {
  Before();
  std::FILE* file = inner_.CreateTemp(reportPath, temp);
  if (file == nullptr) NoteFailure();
  return file;
}

bool ReasonFileOps::ReplaceWithTemp(TempFile& temp, const char* reportPath) {
  Before();
  const bool replaced = inner_.ReplaceWithTemp(temp, reportPath);
  if (!replaced) NoteFailure();
  return replaced;
}

std::size_t ReasonFileOps::Write(const void* bytes, std::size_t count, std::FILE* file) {
  Before();
  const std::size_t written = inner_.Write(bytes, count, file);
  if (written < count) NoteFailure();
  return written;
}

int ReasonFileOps::Flush(std::FILE* file) {
  Before();
  const int result = inner_.Flush(file);
  if (result != 0) NoteFailure();
  return result;
}

CapturedJob RunCapturedJob(ReasonFileOps& files, const std::string& model,
                           const ExtractOptions& options, std::FILE* out) {
  BufferedJobLog log;
  files.TakeReason();
  CapturedJob job;
  job.result = TheModelJob()(files, log, model, options);
  std::fwrite(log.text().data(), 1, log.text().size(), out);
  job.log = log.text();
  const std::string reason = files.TakeReason();
  if (job.result == ExtractResult::Failed && !reason.empty()) {
    std::size_t error = job.log.rfind("ERROR: ", 0) == 0 ? 0 : job.log.find("\nERROR: ");
    if (error != std::string::npos) {
      if (error != 0) ++error;
      std::size_t end = job.log.find('\n', error);
      if (end == std::string::npos) end = job.log.size();
      job.log.insert(end, ": " + reason);
    }
  }
  return job;
}

std::string OneLine(const std::string& log) {
  std::string line;
  std::size_t start = 0;
  while (start < log.size()) {
    std::size_t end = log.find('\n', start);
    if (end == std::string::npos) end = log.size();
    if (end > start) {
      if (!line.empty()) line += "  ";
      line.append(log, start, end - start);
    }
    start = end + 1;
  }
  return line;
}
