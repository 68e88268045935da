#include "engine/win_narrow.h"

#include <windows.h>

#include "engine/narrow_text.h"

std::uint32_t NarrowNative(const wchar_t* wide, std::string& narrow) {
  return qv::NarrowWith(
      [](const wchar_t* text, int count, char* out, int outSize) {
        return WideCharToMultiByte(qv::kNarrowCodePage, qv::kNarrowFlags, text, count, out, outSize,
                                   nullptr, nullptr);
      },
      [] { return GetLastError(); }, wide, narrow);
}
