#include "cli/wide_args.h"

#include "platform/narrow_text.h"

DWORD NarrowArgument(const wchar_t* wide, std::string& narrow) {
  return qv::NarrowWith(
      [](const wchar_t* text, int count, char* out, int outSize) {
        return WideCharToMultiByte(qv::kNarrowCodePage, qv::kNarrowFlags, text, count, out, outSize,
                                   nullptr, nullptr);
      },
      [] { return GetLastError(); }, wide, narrow);
}

DWORD NarrowArguments(int argc, wchar_t** argv, std::vector<std::string>& args, int& index) {
  args.clear();
  for (index = 1; index < argc; ++index) {
    std::string narrow;
    const DWORD error = NarrowArgument(argv[index], narrow);
    if (error != ERROR_SUCCESS) return error;
    args.push_back(std::move(narrow));
  }
  return ERROR_SUCCESS;
}
