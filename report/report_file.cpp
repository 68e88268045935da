#include "report/report_file.h"

#include <cerrno>
#include <cstdio>
#include <string>

#include "engine/file_ops.h"
#include "engine/job_log.h"
#include "engine/path_text.h"
#include "engine/temp_files.h"

std::string ReportBaseName(std::string_view path, std::int32_t saveBesideExtractor,
                           char separator) {
  const std::size_t name = LastPartStart(path, separator);
  // A dot in a folder's name is no extension of the model's.
  std::size_t dot = path.rfind('.');
  if (dot != std::string_view::npos && dot < name) dot = std::string_view::npos;
  // A separator that is the first character does not count.
  std::size_t start = name > 1 ? name : 0;
  if (saveBesideExtractor == 0) start = 0;
  if (dot != std::string_view::npos && dot >= start)
    return std::string(path.substr(start, dot - start));
  return std::string(path.substr(start));
}

std::string ReportPath(std::string_view path, std::int32_t saveBesideExtractor, char separator) {
  return ReportBaseName(path, saveBesideExtractor, separator) + ".txt";
}

ExtractResult WriteArgReport(FileOps& files, JobLog& log, const char* path,
                             std::int32_t saveBesideExtractor, std::string_view text) {
  const std::string reportPath = ReportPath(path, saveBesideExtractor);
  // Opening with "w" would truncate the model itself.
  if (files.SameFile(reportPath.c_str(), path)) {
    log.Printf("ERROR: report path is the model file\n");
    return ExtractResult::Failed;
  }
  // Written whole beside the report, then put in its place in one step: a
  // failure or an interruption leaves the old report as it was.
  TempFile temp;
  errno = 0;
  std::FILE* report = files.CreateTemp(reportPath.c_str(), temp);
  if (report == nullptr) {
    if (files.FailedForWantOfResources()) log.NoteShortOfResources();
    log.Printf("ERROR: fopen failed\n");
    return ExtractResult::Failed;
  }
  bool ok = files.Write(text.data(), text.size(), report) == text.size();
  ok = files.Flush(report) == 0 && ok;
  temp.file = nullptr;
  ok = files.Close(report) == 0 && ok;
  ok = ok && files.ReplaceWithTemp(temp, reportPath.c_str());
  if (!ok) {
    files.RemoveTemp(temp);
    log.Printf("ERROR: write failed\n");
    return ExtractResult::Failed;
  }
  return ExtractResult::Completed;
}
