// Paths for quorvel-cli's tests, written with "/" and used as the platform
// joins and splits them.
#ifndef QUORVEL_TESTS_CLI_NATIVE_PATH_H_
#define QUORVEL_TESTS_CLI_NATIVE_PATH_H_

#include <string>

#include "engine/path_separator.h"

// `path` with every "/" written as the platform's separator.
inline std::string Native(std::string path) {
  for (char& c : path)
    if (c == '/') c = kPathSeparator;
  return path;
}

#endif  // QUORVEL_TESTS_CLI_NATIVE_PATH_H_
