// Windows only: the wide command-line arguments of wmain narrowed to UTF-8,
// the narrow text the engine opens (engine/narrow_text.h).
#ifndef QUORVEL_CLI_WIDE_ARGS_H_
#define QUORVEL_CLI_WIDE_ARGS_H_

#if defined(_WIN32)

#include <windows.h>

#include <string>
#include <vector>

// NarrowNative (engine/win_narrow.h): ERROR_SUCCESS with
// `narrow` set, or the error with `narrow` unchanged. Never substitutes.
DWORD NarrowArgument(const wchar_t* wide, std::string& narrow);

// Narrows argv[1..argc-1]. On failure `index` names the argument and the
// result is its error.
DWORD NarrowArguments(int argc, wchar_t** argv, std::vector<std::string>& args, int& index);

#endif  // _WIN32

#endif  // QUORVEL_CLI_WIDE_ARGS_H_
