// The rules of path text every layer shares, each written once: the
// separator (engine/path_separator.h), narrowing and widening
// (engine/narrow_text.h), and here joining a folder and a name, the part
// after the last separator, and ASCII lowering.
#ifndef QUORVEL_ENGINE_PATH_TEXT_H_
#define QUORVEL_ENGINE_PATH_TEXT_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "engine/narrow_text.h"
#include "engine/path_separator.h"

// Where the last part of `path` starts: just after its last `separator`, or 0
// when it holds none. Only `separator` separates: the report path and the
// status line read a '/' on Windows as an ordinary character.
std::size_t LastPartStart(std::string_view path, char separator = kPathSeparator);
std::size_t LastPartStart(std::wstring_view path, wchar_t separator = kPathSeparator);

// `path` from LastPartStart on: the whole path when it holds no separator.
std::string_view LastPart(std::string_view path, char separator = kPathSeparator);
std::wstring_view LastPart(std::wstring_view path, wchar_t separator = kPathSeparator);

// Where the name starts that the file system sees in `path`: after its last
// '/', and on Windows also after its last '\' or, without either, a drive
// "X:". For code that hands the folder part to a file-system call.
std::size_t FileNameStart(std::string_view path);
std::size_t FileNameStart(std::wstring_view path);

// `name` in `folder`: the two joined with `separator`, which is not doubled
// when `folder` ends in one. An empty `folder` gives `name` alone.
std::string JoinPath(std::string_view folder, std::string_view name,
                     char separator = kPathSeparator);
std::wstring JoinPath(std::wstring_view folder, std::wstring_view name,
                      wchar_t separator = kPathSeparator);

// `text` with A-Z lowered as tolower does in the "C" locale; every other byte
// (UTF-8 included) kept as it is.
std::string AsciiLowered(std::string_view text);

#endif  // QUORVEL_ENGINE_PATH_TEXT_H_
