#include "engine/win_narrow.h"

#include <windows.h>

#include "engine/narrow_text.h"

std::uint32_t NarrowNative(const wchar_t* wide, std::string& narrow) {
  return qv::NarrowBy(WideCharToMultiByte, GetLastError, wide, narrow);
}
