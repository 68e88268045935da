#include "cli/wide_args.h"

#include <climits>
#include <cstring>
#include <cwchar>

namespace {

// A failing conversion that left no error code still has to read as failure.
DWORD LastErrorOr(DWORD fallback) {
  const DWORD error = GetLastError();
  return error != ERROR_SUCCESS ? error : fallback;
}

}  // namespace

DWORD NarrowWith(WideToMultiByteFn convert, const wchar_t* wide, std::string& narrow) {
  const std::size_t count = std::wcslen(wide) + 1;
  if (count > static_cast<std::size_t>(INT_MAX / 4)) return ERROR_ARITHMETIC_OVERFLOW;
  const int wideCount = static_cast<int>(count);

  std::vector<char> buffer(count * 4);
  int written = convert(CP_THREAD_ACP, 0, wide, wideCount, buffer.data(),
                        static_cast<int>(buffer.size()), nullptr, nullptr);
  if (written <= 0) {
    const DWORD error = LastErrorOr(ERROR_INVALID_DATA);
    if (error != ERROR_INSUFFICIENT_BUFFER) return error;
    const int needed = convert(CP_THREAD_ACP, 0, wide, wideCount, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return LastErrorOr(ERROR_INVALID_DATA);
    buffer.assign(static_cast<std::size_t>(needed), '\0');
    written = convert(CP_THREAD_ACP, 0, wide, wideCount, buffer.data(), needed, nullptr, nullptr);
    if (written <= 0) return LastErrorOr(ERROR_INVALID_DATA);
  }
  // The terminator was converted too; stop at the first NUL either way.
  const std::size_t length = strnlen(buffer.data(), static_cast<std::size_t>(written));
  narrow.assign(buffer.data(), length);
  return ERROR_SUCCESS;
}

DWORD NarrowToThreadAcp(const wchar_t* wide, std::string& narrow) {
  return NarrowWith(&WideCharToMultiByte, wide, narrow);
}

DWORD NarrowArguments(int argc, wchar_t** argv, std::vector<std::string>& args, int& index) {
  args.clear();
  for (index = 1; index < argc; ++index) {
    std::string narrow;
    const DWORD error = NarrowToThreadAcp(argv[index], narrow);
    if (error != ERROR_SUCCESS) return error;
    args.push_back(std::move(narrow));
  }
  return ERROR_SUCCESS;
}
