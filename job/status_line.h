// The one-line outcome of a model file in a batch, shared by the dialog and
// the command line.
#ifndef QUORVEL_JOB_STATUS_LINE_H_
#define QUORVEL_JOB_STATUS_LINE_H_

#include <cstdio>
#include <string>
#include <string_view>

#include "engine/extract_result.h"
#include "engine/path_separator.h"

inline constexpr std::size_t kStatusColumn = 60;

// The part of `path` after its last `separator` (every other byte is an
// ordinary character), with A-Z lowered as tolower does in the "C" locale,
// padded with dots to 60 bytes, then "completed" or "failed". No line end.
std::string StatusLine(std::string_view path, ExtractResult result,
                       char separator = kPathSeparator);

// One finished model's output on `out`, as the command line prints it whether
// its models run in turn or side by side: `log`, the lines its job logged
// (empty when they went out as they came), then `statusLine` and a line end.
void PrintJobOutput(std::FILE* out, std::string_view log, std::string_view statusLine);

#endif  // QUORVEL_JOB_STATUS_LINE_H_
