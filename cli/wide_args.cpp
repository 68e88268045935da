#include "cli/wide_args.h"

#include "engine/win_narrow.h"

DWORD NarrowArguments(const std::vector<std::wstring>& wide, std::vector<std::string>& args,
                      std::size_t& index) {
  args.clear();
  for (index = 0; index < wide.size(); ++index) {
    std::string narrow;
    const DWORD error = NarrowNative(wide[index].c_str(), narrow);
    if (error != ERROR_SUCCESS) return error;
    args.push_back(std::move(narrow));
  }
  return ERROR_SUCCESS;
}
