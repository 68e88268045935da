// The Windows entry of quorvel-cli: its arguments arrive wide, model
// arguments with wildcards are expanded, and everything is narrowed to UTF-8
// as the dialog narrows its paths before the shared command line runs. While
// it runs, a console shows its output as UTF-8 text.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/console_relay.h"
#include "cli/process_guard.h"
#include "cli/wide_args.h"
#include "cli/wildcards.h"

int QuorvelCliMain(const std::vector<std::string>& args);

namespace {

int Run(int argc, wchar_t** argv) {
  const std::vector<std::wstring> expanded =
      ExpandModelArguments(std::vector<std::wstring>(argv + 1, argv + argc));
  std::vector<std::string> args;
  std::size_t index = 0;
  if (const DWORD error = NarrowArguments(expanded, args, index); error != ERROR_SUCCESS) {
    // The argument itself cannot be shown: it is not valid text.
    std::fprintf(stderr,
                 "quorvel-cli: argument %zu is not valid Unicode text and names no file that "
                 "can be opened (error %lu)\n",
                 index + 1, static_cast<unsigned long>(error));
    return 2;
  }
  return QuorvelCliMain(args);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  // Before the relay, which takes the streams' descriptors as they are.
  const bool stdoutClosed = OpenClosedStandardStreams();
  RemoveTempFilesOnInterrupt();
  ConsoleRelay relay;
  return FinishStandardOutput(Run(argc, argv), stdoutClosed);
}
