#include "cli/cli_options.h"

#include <cstddef>
#include <string_view>

namespace {

enum class Action { SetFlag, Recursive, Jobs, Help, Version };

struct Option {
  std::string_view longName;  // without the leading "--"
  char shortName;
  Action action;
  std::int32_t CliOptions::*flag;  // for SetFlag
};

constexpr Option kOptions[] = {
    {"sort-by-name", 's', Action::SetFlag, &CliOptions::sortByName},
    {"save-beside-extractor", 'b', Action::SetFlag, &CliOptions::saveBesideExtractor},
    {"analyze-connector", 'c', Action::SetFlag, &CliOptions::analyzeConnector},
    {"recursive", 'r', Action::Recursive, nullptr},
    {"jobs", 'j', Action::Jobs, nullptr},
    {"help", 'h', Action::Help, nullptr},
    {"version", 'V', Action::Version, nullptr},
};

bool TakesValue(const Option& option) {
  return option.action == Action::Jobs;
}

const Option* FindShort(char name) {
  for (const Option& option : kOptions)
    if (option.shortName == name) return &option;
  return nullptr;
}

const Option* FindLong(std::string_view name) {
  for (const Option& option : kOptions)
    if (option.longName == name) return &option;
  return nullptr;
}

// A decimal count from 1 to kMaxJobs, digits only; -1 for anything else.
int ParseJobs(std::string_view text) {
  if (text.empty()) return -1;
  int value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
    if (value > kMaxJobs) return -1;
  }
  return value >= 1 ? value : -1;
}

class Parser {
 public:
  explicit Parser(const std::vector<std::string>& args) : args_(args) {}

  CliOptions Parse() {
    bool optionsEnded = false;
    for (next_ = 0; next_ < args_.size() && !done();) {
      const std::string& arg = args_[next_++];
      if (optionsEnded || arg == "-" || arg.empty() || arg[0] != '-') {
        options_.models.push_back(arg);
      } else if (arg == "--") {
        optionsEnded = true;
      } else if (arg[1] == '-') {
        ParseLong(std::string_view(arg).substr(2));
      } else {
        ParseShortBundle(std::string_view(arg).substr(1));
      }
    }
    if (!done() && options_.models.empty()) Fail("no MODEL given");
    return options_;
  }

 private:
  bool done() const { return options_.mode != CliMode::Run; }

  void Fail(std::string reason) {
    options_.mode = CliMode::UsageError;
    options_.error = std::move(reason);
  }

  // The value of an option that needs one and did not have it in its own
  // word: the next argument, whatever it looks like (as getopt takes it).
  bool TakeNextValue(std::string_view& value) {
    if (next_ >= args_.size()) return false;
    value = args_[next_++];
    return true;
  }

  void ParseLong(std::string_view body) {
    const std::size_t equals = body.find('=');
    const std::string_view name = body.substr(0, equals);
    const Option* option = FindLong(name);
    if (option == nullptr) {
      Fail("unrecognized option '--" + std::string(name) + "'");
      return;
    }
    std::string_view value;
    if (equals != std::string_view::npos) {
      if (!TakesValue(*option)) {
        Fail("option '--" + std::string(name) + "' doesn't allow an argument");
        return;
      }
      value = body.substr(equals + 1);
    } else if (TakesValue(*option) && !TakeNextValue(value)) {
      Fail("option '--" + std::string(name) + "' requires an argument");
      return;
    }
    Apply(*option, value);
  }

  // "-scj4": flags up to the first option that takes a value; the rest of
  // the word (or else the next argument) is that value.
  void ParseShortBundle(std::string_view bundle) {
    for (std::size_t i = 0; i < bundle.size() && !done(); ++i) {
      const Option* option = FindShort(bundle[i]);
      if (option == nullptr) {
        Fail(std::string("invalid option -- '") + bundle[i] + "'");
        return;
      }
      if (!TakesValue(*option)) {
        Apply(*option, {});
        continue;
      }
      std::string_view value = bundle.substr(i + 1);
      if (value.empty() && !TakeNextValue(value)) {
        Fail(std::string("option requires an argument -- '") + bundle[i] + "'");
        return;
      }
      Apply(*option, value);
      return;
    }
  }

  void Apply(const Option& option, std::string_view value) {
    switch (option.action) {
      case Action::SetFlag:
        options_.*option.flag = 1;
        return;
      case Action::Recursive:
        options_.recursive = true;
        return;
      case Action::Jobs:
        options_.jobs = ParseJobs(value);
        if (options_.jobs < 0) {
          options_.jobs = 0;
          Fail("invalid number of jobs '" + std::string(value) + "' (1 to " +
               std::to_string(kMaxJobs) + ")");
        }
        return;
      case Action::Help:
        options_.mode = CliMode::Help;
        return;
      case Action::Version:
        options_.mode = CliMode::Version;
        return;
    }
  }

  const std::vector<std::string>& args_;
  std::size_t next_ = 0;
  CliOptions options_;
};

}  // namespace

const char* CliUsage() {
  return "Usage: quorvel-cli [OPTION]... [--] MODEL...\n"
         "Writes the arg report of each TAV model file and prints its log lines and one\n"
         "status line per file, in the order the models are given.\n"
         "\n"
         "  -s, --sort-by-name           order objects that share a node by name, not by arg\n"
         "  -b, --save-beside-extractor  write reports into the current directory\n"
         "  -c, --analyze-connector      pair objects with connectors\n"
         "  -r, --recursive              a folder stands for every file below it whose name\n"
         "                               ends in .tav, in byte order of the paths; links\n"
         "                               below it are neither followed nor taken\n"
         "  -j, --jobs=N                 process up to N files at once (default: the number\n"
         "                               of logical processors); the output is the same as\n"
         "                               with -j 1\n"
         "  -h, --help                   show this help and exit\n"
         "  -V, --version                show the version and exit\n"
         "\n"
         "Short options may be bundled (-sc, -scj4); a value may follow its option in the\n"
         "same argument (-j4, --jobs=4) or as the next one.\n"
         "\n"
         "Exit status: 0 when every file completed, 1 when any failed or a folder could\n"
         "not be read, 2 on a usage error.\n";
}

CliOptions ParseCliArgs(const std::vector<std::string>& args) {
  return Parser(args).Parse();
}
