#include "gui/path_narrowing.h"

#include <cwchar>
#include <vector>

#include "platform/afx.h"

namespace {

[[noreturn]] void ThrowLastError() {
  const HRESULT hr = HRESULT_FROM_WIN32(::GetLastError());
  if (hr == E_OUTOFMEMORY) AfxThrowMemoryException();
  AfxThrowOleException(hr);
}

}  // namespace

std::string NarrowPath(LPCWSTR path) {
  if (path == nullptr) path = L"";
  const int wideCount = static_cast<int>(std::wcslen(path)) + 1;  // with the terminator
  std::vector<char> narrow(static_cast<std::size_t>(wideCount) * 4);
  int written = ::WideCharToMultiByte(CP_THREAD_ACP, 0, path, wideCount, narrow.data(),
                                      static_cast<int>(narrow.size()), nullptr, nullptr);
  if (written == 0 && ::GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
    const int needed =
        ::WideCharToMultiByte(CP_THREAD_ACP, 0, path, wideCount, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) ThrowLastError();
    narrow.assign(static_cast<std::size_t>(needed), '\0');
    written = ::WideCharToMultiByte(CP_THREAD_ACP, 0, path, wideCount, narrow.data(), needed,
                                    nullptr, nullptr);
  }
  if (written == 0) ThrowLastError();
  return std::string(narrow.data());  // up to the first NUL
}
