#include "cli/cli_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct ParseCase {
  std::vector<std::string> args;
  CliMode mode;
  int sort, beside, connector;
  int jobs;
  bool recursive;
  std::vector<std::string> models;
};

TEST(CliOptions, Parse) {
  const ParseCase cases[] = {
      {{"a.tav"}, CliMode::Run, 0, 0, 0, 0, false, {"a.tav"}},
      {{"--sort-by-name", "--save-beside-extractor", "--analyze-connector", "a", "b"},
       CliMode::Run,
       1,
       1,
       1,
       0,
       false,
       {"a", "b"}},
      {{"-c", "a", "-s"}, CliMode::Run, 1, 0, 1, 0, false, {"a"}},
      {{"-b", "--", "-s", "--help"}, CliMode::Run, 0, 1, 0, 0, false, {"-s", "--help"}},
      {{"-", ""}, CliMode::Run, 0, 0, 0, 0, false, {"-", ""}},
      {{"a", "--help", "--bogus"}, CliMode::Help, 0, 0, 0, 0, false, {"a"}},
      {{"--version"}, CliMode::Version, 0, 0, 0, 0, false, {}},
      // Bundles: flags, then at most one option with a value, which takes
      // the rest of the word or else the next argument, whatever it is.
      {{"-sc", "a"}, CliMode::Run, 1, 0, 1, 0, false, {"a"}},
      {{"-scbr", "a"}, CliMode::Run, 1, 1, 1, 0, true, {"a"}},
      {{"-scj4", "a"}, CliMode::Run, 1, 0, 1, 4, false, {"a"}},
      {{"-rj", "12", "a"}, CliMode::Run, 0, 0, 0, 12, true, {"a"}},
      {{"-j1", "a"}, CliMode::Run, 0, 0, 0, 1, false, {"a"}},
      {{"a", "-j", "3", "b"}, CliMode::Run, 0, 0, 0, 3, false, {"a", "b"}},
      {{"-j", "2", "-j", "5", "a"}, CliMode::Run, 0, 0, 0, 5, false, {"a"}},
      {{"-j1024", "a"}, CliMode::Run, 0, 0, 0, 1024, false, {"a"}},
      {{"-j007", "a"}, CliMode::Run, 0, 0, 0, 7, false, {"a"}},
      // Long options: "=value" or the next argument.
      {{"--jobs=8", "a"}, CliMode::Run, 0, 0, 0, 8, false, {"a"}},
      {{"--jobs", "2", "--recursive", "a"}, CliMode::Run, 0, 0, 0, 2, true, {"a"}},
      // A value is taken before "--" is seen: "--" ends the options after it.
      {{"-j", "2", "--", "-j3"}, CliMode::Run, 0, 0, 0, 2, false, {"-j3"}},
      {{"-sV"}, CliMode::Version, 1, 0, 0, 0, false, {}},
      {{"-hx"}, CliMode::Help, 0, 0, 0, 0, false, {}},
  };
  for (const ParseCase& c : cases) {
    const CliOptions options = ParseCliArgs(c.args);
    const std::string where = testing::PrintToString(c.args);
    ASSERT_EQ(options.mode, c.mode) << where << ": " << options.error;
    EXPECT_EQ(options.sortByName, c.sort) << where;
    EXPECT_EQ(options.saveBesideExtractor, c.beside) << where;
    EXPECT_EQ(options.analyzeConnector, c.connector) << where;
    EXPECT_EQ(options.jobs, c.jobs) << where;
    EXPECT_EQ(options.recursive, c.recursive) << where;
    EXPECT_EQ(options.models, c.models) << where;
  }
}

struct ErrorCase {
  std::vector<std::string> args;
  std::string error;
};

TEST(CliOptions, UsageErrorsNameTheFault) {
  const ErrorCase cases[] = {
      {{}, "no MODEL given"},
      {{"-c"}, "no MODEL given"},
      {{"--"}, "no MODEL given"},
      {{"-j", "2"}, "no MODEL given"},
      {{"a", "--sort"}, "unrecognized option '--sort'"},
      {{"--bogus=1", "a"}, "unrecognized option '--bogus'"},
      {{"-sx", "a"}, "invalid option -- 'x'"},
      {{"-J", "a"}, "invalid option -- 'J'"},
      {{"a", "-j"}, "option requires an argument -- 'j'"},
      {{"a", "-scj"}, "option requires an argument -- 'j'"},
      {{"a", "--jobs"}, "option '--jobs' requires an argument"},
      {{"--sort-by-name=1", "a"}, "option '--sort-by-name' doesn't allow an argument"},
      {{"--recursive=", "a"}, "option '--recursive' doesn't allow an argument"},
      {{"--help=x"}, "option '--help' doesn't allow an argument"},
      {{"-j0", "a"}, "invalid number of jobs '0' (1 to 1024)"},
      {{"-j", "-3", "a"}, "invalid number of jobs '-3' (1 to 1024)"},
      {{"--jobs=", "a"}, "invalid number of jobs '' (1 to 1024)"},
      {{"--jobs=4x", "a"}, "invalid number of jobs '4x' (1 to 1024)"},
      {{"-j", " 4", "a"}, "invalid number of jobs ' 4' (1 to 1024)"},
      {{"-j1025", "a"}, "invalid number of jobs '1025' (1 to 1024)"},
      {{"-j99999999999999999999", "a"},
       "invalid number of jobs '99999999999999999999' (1 to 1024)"},
      // The first fault wins, even before a later --help.
      {{"-q", "--help"}, "invalid option -- 'q'"},
  };
  for (const ErrorCase& c : cases) {
    const CliOptions options = ParseCliArgs(c.args);
    const std::string where = testing::PrintToString(c.args);
    EXPECT_EQ(options.mode, CliMode::UsageError) << where;
    EXPECT_EQ(options.error, c.error) << where;
  }
}

}  // namespace
