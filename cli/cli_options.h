// Command-line parsing for quorvel-cli, in the manner of GNU getopt_long:
// short options bundle ("-sc", "-scj4"), an option's value may follow it in
// the same word ("-j4", "--jobs=4") or as the next word ("-j 4", "--jobs 4"),
// options and models mix in any order, and "--" ends the options.
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
  // Files processed at once; 0 when no -j was given (the caller then takes
  // the number of logical processors). Otherwise 1 to kMaxJobs.
  int jobs = 0;
  bool recursive = false;           // -r: a folder stands for the models below it
  std::vector<std::string> models;  // in command-line order
  std::string error;                // the one-line reason, for UsageError
};

// The largest -j accepted; more threads than this only cost memory.
inline constexpr int kMaxJobs = 1024;

// Parses the arguments after the program name. An argument "-" or one not
// starting with "-" is a model path. The first --help or --version decides the
// mode at once; the first malformed option gives UsageError with a GNU-style
// reason ("invalid option -- 'x'", "unrecognized option '--x'", ...). A run
// with no model is a UsageError too.
CliOptions ParseCliArgs(const std::vector<std::string>& args);

// The usage text printed by --help.
const char* CliUsage();

#endif  // QUORVEL_CLI_CLI_OPTIONS_H_
