#include "engine/wide_path.h"

#include <windows.h>

#include <string_view>

#include "engine/narrow_text.h"

bool WidenUtf8(std::string_view utf8, std::wstring& wide) {
  return qv::WidenBy(MultiByteToWideChar, utf8, wide);
}

bool WidenUtf8(const char* utf8, std::wstring& wide) {
  return utf8 != nullptr && WidenUtf8(std::string_view(utf8), wide);
}

bool LongPathForm(const char* utf8, std::wstring& wide) {
  std::wstring path;
  return WidenUtf8(utf8, path) && LongPathFormOf(path, wide);
}

bool LongPathFormOf(const std::wstring& path, std::wstring& wide) {
  if (path.empty()) return false;
  const std::wstring_view view(path);
  if (view.starts_with(L"\\\\?\\") || view.starts_with(L"\\\\.\\")) {
    wide = path;
    return true;
  }
  // GetFullPathNameW resolves "." and "..", turns "/" into "\" and drops a
  // last component's trailing dots and spaces, as the narrow calls would;
  // the "\\?\" form does none of that itself.
  DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  std::wstring full;
  for (int attempt = 0; attempt < 2 && size > 0; ++attempt) {
    full.assign(size, L'\0');
    const DWORD got = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
    if (got == 0) return false;
    if (got < size) {
      full.resize(got);
      break;
    }
    size = got;  // the current directory changed between the calls
    full.clear();
  }
  if (full.empty()) return false;
  const std::wstring_view resolved(full);
  if (resolved.starts_with(L"\\\\?\\") || resolved.starts_with(L"\\\\.\\")) {
    wide = std::move(full);  // a device ("CON") or an already long form
  } else if (resolved.starts_with(L"\\\\")) {
    wide = L"\\\\?\\UNC\\" + full.substr(2);
  } else {
    wide = L"\\\\?\\" + full;
  }
  return true;
}
