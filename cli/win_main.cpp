// The Windows entry of quorvel-cli: its arguments arrive wide and are narrowed
// like the dialog's paths before the shared command line runs.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/wide_args.h"

int QuorvelCliMain(const std::vector<std::string>& args);

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  int index = 0;
  const DWORD error = NarrowArguments(argc, argv, args, index);
  if (error != ERROR_SUCCESS) {
    std::fprintf(stderr,
                 "quorvel-cli: argument %d cannot be converted to the ANSI code page (error %lu)\n",
                 index, static_cast<unsigned long>(error));
    return 2;
  }
  return QuorvelCliMain(args);
}
