#include "report/report_file.h"

#include <cstdio>
#include <string>

#include "engine/file_ops.h"
#include "engine/job_log.h"

std::string ReportBaseName(std::string_view path, std::int32_t saveBesideExtractor,
                           char separator) {
  const std::size_t dot = path.rfind('.');
  const std::size_t slash = path.rfind(separator);
  std::size_t start = (slash != std::string_view::npos && slash > 0) ? slash + 1 : 0;
  if (saveBesideExtractor == 0) start = 0;
  if (dot != std::string_view::npos && dot >= start)
    return std::string(path.substr(start, dot - start));
  return std::string(path.substr(start));
}

ExtractResult WriteArgReport(FileOps& files, JobLog& log, const char* path,
                             std::int32_t saveBesideExtractor, std::string_view text) {
  const std::string reportPath = ReportBaseName(path, saveBesideExtractor) + ".txt";
  // Opening with "w" would truncate the model itself.
  if (files.SameFile(reportPath.c_str(), path)) {
    log.Printf("ERROR: report path is the model file\n");
    return ExtractResult::Failed;
  }
  std::FILE* report = files.OpenWrite(reportPath.c_str());
  if (report == nullptr) {
    log.Printf("ERROR: fopen failed\n");
    return ExtractResult::Failed;
  }
  bool ok = files.Write(text.data(), text.size(), report) == text.size();
  ok = files.Flush(report) == 0 && ok;
  ok = files.Close(report) == 0 && ok;
  if (!ok) {
    files.Remove(reportPath.c_str());
    log.Printf("ERROR: write failed\n");
    return ExtractResult::Failed;
  }
  return ExtractResult::Completed;
}
