// Test paths written once, in POSIX form, and given in the form of the
// platform the tests run on: on Windows "/m/a.tav" is "C:\m\a.tav".
#ifndef QUORVEL_GUI_TESTS_PLATFORM_PATHS_H_
#define QUORVEL_GUI_TESTS_PLATFORM_PATHS_H_

#include <string>
#include <string_view>

#include "platform/path_syntax.h"

template <typename Char>
std::basic_string<Char> PlatformPath(std::basic_string_view<Char> posix) {
  std::basic_string<Char> path;
#ifdef _WIN32
  if (!posix.empty() && posix[0] == Char('/')) path = {Char('C'), Char(':')};
#endif
  for (Char c : posix) path.push_back(c == Char('/') ? static_cast<Char>(kPathSeparator) : c);
  return path;
}

inline std::wstring P(std::wstring_view posix) {
  return PlatformPath(posix);
}
inline std::string N(std::string_view posix) {
  return PlatformPath(posix);
}

#endif  // QUORVEL_GUI_TESTS_PLATFORM_PATHS_H_
