#include "cli/wide_args.h"

#include "engine/win_narrow.h"

DWORD NarrowArgument(const wchar_t* wide, std::string& narrow) {
  return NarrowNative(wide, narrow);
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
