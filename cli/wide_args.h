// Windows only: the wide command-line arguments of wmain narrowed to UTF-8,
// the narrow text the engine opens (engine/narrow_text.h).
#ifndef QUORVEL_CLI_WIDE_ARGS_H_
#define QUORVEL_CLI_WIDE_ARGS_H_

#if defined(_WIN32)

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

// Narrows each of `wide` in order by NarrowNative (engine/win_narrow.h), which
// never substitutes. ERROR_SUCCESS with `args` set; or the error of the first
// argument that cannot be narrowed, with `index` its position in `wide`.
DWORD NarrowArguments(const std::vector<std::wstring>& wide, std::vector<std::string>& args,
                      std::size_t& index);

#endif  // _WIN32

#endif  // QUORVEL_CLI_WIDE_ARGS_H_
