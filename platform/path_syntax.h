// How file paths are written on the platform the program is built for: the
// folder separator and what makes a path absolute. The open dialog's
// selection buffer is split and joined by these rules, in the class library
// and in the in-memory file dialog alike.
#ifndef QUORVEL_PLATFORM_PATH_SYNTAX_H_
#define QUORVEL_PLATFORM_PATH_SYNTAX_H_

#include <string_view>

#include "engine/path_separator.h"  // kPathSeparator: the platform's one separator

#ifdef _WIN32
// A drive ("C:...") or a path from the root of the current drive ("\...").
inline bool IsAbsolutePath(std::wstring_view path) {
  return (path.size() >= 2 && path[1] == L':') || (!path.empty() && path[0] == kPathSeparator);
}
#else
inline bool IsAbsolutePath(std::wstring_view path) {
  return !path.empty() && path[0] == kPathSeparator;
}
#endif

#endif  // QUORVEL_PLATFORM_PATH_SYNTAX_H_
