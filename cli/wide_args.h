// Windows only: the wide command-line arguments of wmain narrowed to the
// thread's ANSI code page, the bytes that fopen expects there.
#ifndef QUORVEL_CLI_WIDE_ARGS_H_
#define QUORVEL_CLI_WIDE_ARGS_H_

#if defined(_WIN32)

#include <windows.h>

#include <string>
#include <vector>

// The signature of WideCharToMultiByte, so that tests can stand in for it.
using WideToMultiByteFn = int(WINAPI*)(UINT codePage, DWORD flags, LPCWCH wide, int wideCount,
                                       LPSTR narrow, int narrowSize, LPCCH defaultChar,
                                       LPBOOL usedDefault);

// Converts `wide` with its terminator in CP_THREAD_ACP, no flags and no default
// character: first into a buffer of four bytes per wide character and, when
// that reports ERROR_INSUFFICIENT_BUFFER, into one of the size the conversion
// asks for. On success `narrow` holds the text up to the first NUL and the
// result is ERROR_SUCCESS; otherwise the result is the error (never
// ERROR_SUCCESS) and `narrow` is unchanged.
DWORD NarrowWith(WideToMultiByteFn convert, const wchar_t* wide, std::string& narrow);

// NarrowWith over the real WideCharToMultiByte.
DWORD NarrowToThreadAcp(const wchar_t* wide, std::string& narrow);

// Narrows argv[1..argc-1]. On failure `index` names the argument and the
// result is its error.
DWORD NarrowArguments(int argc, wchar_t** argv, std::vector<std::string>& args, int& index);

#endif  // _WIN32

#endif  // QUORVEL_CLI_WIDE_ARGS_H_
