// quorvel-cli: the dialog's batch run for scripts. One engine call per model,
// in order; each file's log lines, then its status line, on standard output.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "engine/extract_job.h"
#include "report/status_line.h"

// QUORVEL_VERSION: the project's version, set by the build.

namespace {

int RunBatch(const CliOptions& options) {
  int status = 0;
  for (const std::string& model : options.models) {
    const ExtractResult result = ExtractModelArgs(
        model.c_str(), options.sortByName, options.saveBesideExtractor, options.analyzeConnector);
    std::printf("%s\n", StatusLine(model, result).c_str());
    if (result != ExtractResult::Completed) status = 1;
  }
  std::fflush(stdout);
  return status;
}

}  // namespace

int QuorvelCliMain(const std::vector<std::string>& args) {
  const CliOptions options = ParseCliArgs(args);
  switch (options.mode) {
    case CliMode::Help:
      std::fputs(CliUsage(), stdout);
      return 0;
    case CliMode::Version:
      std::printf("quorvel-cli %s\n", QUORVEL_VERSION);
      return 0;
    case CliMode::UsageError:
      std::fprintf(stderr, "quorvel-cli: %s\nTry 'quorvel-cli --help' for more information.\n",
                   options.error.c_str());
      return 2;
    case CliMode::Run:
      break;
  }
  return RunBatch(options);
}

#if !defined(QUORVEL_CLI_WIDE_MAIN)
int main(int argc, char** argv) {
  return QuorvelCliMain(std::vector<std::string>(argv + 1, argv + argc));
}
#endif
