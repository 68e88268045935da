// Command-line parsing for quorvel-cli.
#ifndef QUORVEL_CLI_CLI_OPTIONS_H_
#define QUORVEL_CLI_CLI_OPTIONS_H_

#include <cstdint>
#include <string>
#include <vector>

enum class CliMode { Run, Help, Version, UsageError };

struct CliOptions {
  CliMode mode = CliMode::Run;
  std::int32_t sortByName = 0;
  std::int32_t saveBesideExtractor = 0;
  std::int32_t analyzeConnector = 0;
  std::vector<std::string> models;  // in command-line order
  std::string error;                // the one-line reason, for UsageError
};

// Parses the arguments after the program name. "--" ends the options; an
// argument "-" or one not starting with "-" is a model path.
CliOptions ParseCliArgs(const std::vector<std::string>& args);

// The usage text printed by --help.
const char* CliUsage();

#endif  // QUORVEL_CLI_CLI_OPTIONS_H_
