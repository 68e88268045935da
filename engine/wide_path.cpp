#include "engine/wide_path.h"

#include <windows.h>

#include <climits>
#include <cstring>
#include <string_view>

bool WidenUtf8(const char* utf8, std::wstring& wide) {
  if (utf8 == nullptr) return false;
  const std::size_t length = std::strlen(utf8);
  if (length == 0) {
    wide.clear();
    return true;
  }
  if (length > static_cast<std::size_t>(INT_MAX)) return false;
  const int count = static_cast<int>(length);
  const int needed = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, count, nullptr, 0);
  if (needed <= 0) return false;
  std::wstring out(static_cast<std::size_t>(needed), L'\0');
  if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, count, out.data(), needed) !=
      needed) {
    return false;
  }
  wide = std::move(out);
  return true;
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
