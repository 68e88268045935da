#include "cli/cli_options.h"

#include <cstddef>

namespace {

struct Flag {
  const char* longName;
  const char* shortName;
  std::int32_t CliOptions::*field;
};

constexpr Flag kFlags[] = {
    {"--sort-by-name", "-s", &CliOptions::sortByName},
    {"--save-beside-extractor", "-b", &CliOptions::saveBesideExtractor},
    {"--analyze-connector", "-c", &CliOptions::analyzeConnector},
};

bool SetFlag(CliOptions& options, const std::string& arg) {
  for (const Flag& flag : kFlags) {
    if (arg == flag.longName || arg == flag.shortName) {
      options.*flag.field = 1;
      return true;
    }
  }
  return false;
}

}  // namespace

const char* CliUsage() {
  return "Usage: quorvel-cli [--sort-by-name] [--save-beside-extractor] [--analyze-connector] "
         "[--] MODEL...\n"
         "Writes the arg report of each TAV model file and prints one status line per file.\n"
         "\n"
         "  -s, --sort-by-name           order objects that share a node by name, not by arg\n"
         "  -b, --save-beside-extractor  write reports into the current directory\n"
         "  -c, --analyze-connector      pair objects with connectors\n"
         "  -h, --help                   show this help and exit\n"
         "  -V, --version                show the version and exit\n"
         "\n"
         "Exit status: 0 when every file completed, 1 when any failed, 2 on a usage error.\n";
}

CliOptions ParseCliArgs(const std::vector<std::string>& args) {
  CliOptions options;
  bool optionsEnded = false;
  for (const std::string& arg : args) {
    if (optionsEnded || arg == "-" || arg.empty() || arg[0] != '-') {
      options.models.push_back(arg);
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "--help" || arg == "-h") {
      options.mode = CliMode::Help;
      return options;
    } else if (arg == "--version" || arg == "-V") {
      options.mode = CliMode::Version;
      return options;
    } else if (!SetFlag(options, arg)) {
      options.mode = CliMode::UsageError;
      options.error = "unknown option '" + arg + "'";
      return options;
    }
  }
  if (options.models.empty()) {
    options.mode = CliMode::UsageError;
    options.error = "no MODEL given";
  }
  return options;
}
