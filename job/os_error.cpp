#include "job/os_error.h"

#include <cerrno>
#include <system_error>

#if defined(_WIN32)
#include <windows.h>

#include "engine/win_narrow.h"
#endif

namespace {

std::string Trimmed(std::string text) {
  while (!text.empty() &&
         (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.')) {
    text.pop_back();
  }
  return text;
}

}  // namespace

void ClearOsError() {
  errno = 0;
#if defined(_WIN32)
  SetLastError(ERROR_SUCCESS);
#endif
}

std::string OsErrorText() {
  if (const int error = errno; error != 0) return Trimmed(std::generic_category().message(error));
#if defined(_WIN32)
  const DWORD last = GetLastError();
  if (last == ERROR_SUCCESS) return std::string();
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, last, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string utf8;
  if (length > 0 && text != nullptr) NarrowNative(text, utf8);
  if (text != nullptr) LocalFree(text);
  return utf8.empty() ? "error " + std::to_string(last) : Trimmed(utf8);
#else
  return std::string();
#endif
}
