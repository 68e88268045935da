// Windows only: wide text narrowed by the one rule of engine/narrow_text.h
// over the real WideCharToMultiByte, for code that calls <windows.h> itself
// (the command line, the folder walk).
#ifndef QUORVEL_ENGINE_WIN_NARROW_H_
#define QUORVEL_ENGINE_WIN_NARROW_H_

#if defined(_WIN32)

#include <cstdint>
#include <string>

// 0 (ERROR_SUCCESS) with `narrow` set, or the error with `narrow` unchanged.
// Never substitutes a character.
std::uint32_t NarrowNative(const wchar_t* wide, std::string& narrow);

#endif  // _WIN32

#endif  // QUORVEL_ENGINE_WIN_NARROW_H_
