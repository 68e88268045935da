// The text report of one model file: its path rule, its text and its writing.
#ifndef QUORVEL_REPORT_REPORT_FILE_H_
#define QUORVEL_REPORT_REPORT_FILE_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/extract_result.h"
#include "engine/path_separator.h"

class FileOps;
class JobLog;

// The report path without ".txt": `path` up to its last dot, where that dot
// stands after the last `separator` (a dot in a folder's name is no
// extension). With `saveBesideExtractor` set it starts after the last
// `separator` (unless that separator is the first character). Only
// `separator` separates. Always a substring of `path`.
std::string ReportBaseName(std::string_view path, std::int32_t saveBesideExtractor,
                           char separator = kPathSeparator);

// The path the report of the model at `path` is written to: the base name
// above followed by ".txt". Relative when `path` is, and with
// `saveBesideExtractor`, to the current folder.
std::string ReportPath(std::string_view path, std::int32_t saveBesideExtractor,
                       char separator = kPathSeparator);

// Writes `text`, the whole report of `path`, in one write into a new
// temporary file beside the report, which then replaces the report in one
// step (FileOps::CreateTemp), and returns Completed; or logs one line to `log`
// and returns Failed: "ERROR: report path is the model file\n" (nothing is
// opened), "ERROR: fopen failed\n" (the report cannot be created: the folder
// refuses, or the report path is a folder, FIFO, device, socket or a file
// this process may not write) or "ERROR: write failed\n" (a write, flush,
// close or the replacement failed). On failure the temporary file is removed
// and an existing report is left as it was.
ExtractResult WriteArgReport(FileOps& files, JobLog& log, const char* path,
                             std::int32_t saveBesideExtractor, std::string_view text);

#endif  // QUORVEL_REPORT_REPORT_FILE_H_
