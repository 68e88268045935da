// The one-line outcome of a model file in a batch, shared by the dialog and
// the command line.
#ifndef QUORVEL_JOB_STATUS_LINE_H_
#define QUORVEL_JOB_STATUS_LINE_H_

#include <string>
#include <string_view>

#include "engine/extract_result.h"
#include "engine/path_separator.h"

inline constexpr std::size_t kStatusColumn = 60;

// `text` with A-Z lowered as tolower does in the "C" locale; every other byte
// (UTF-8 included) kept as it is.
std::string AsciiLowered(std::string_view text);

// The part of `path` after its last `separator` (every other byte is an
// ordinary character), with A-Z lowered as tolower does in the "C" locale,
// padded with dots to 60 bytes, then "completed" or "failed". No line end.
std::string StatusLine(std::string_view path, ExtractResult result,
                       char separator = kPathSeparator);

#endif  // QUORVEL_JOB_STATUS_LINE_H_
