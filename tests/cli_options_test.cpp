#include "cli/cli_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct ParseCase {
  std::vector<std::string> args;
  CliMode mode;
  int sort, beside, connector;
  std::vector<std::string> models;
};

TEST(CliOptions, Parse) {
  const ParseCase cases[] = {
      {{"a.tav"}, CliMode::Run, 0, 0, 0, {"a.tav"}},
      {{"--sort-by-name", "--save-beside-extractor", "--analyze-connector", "a", "b"},
       CliMode::Run,
       1,
       1,
       1,
       {"a", "b"}},
      {{"-c", "a", "-s"}, CliMode::Run, 1, 0, 1, {"a"}},
      {{"-b", "--", "-s", "--help"}, CliMode::Run, 0, 1, 0, {"-s", "--help"}},
      {{"-", ""}, CliMode::Run, 0, 0, 0, {"-", ""}},
      {{"a", "--help", "--bogus"}, CliMode::Help, 0, 0, 0, {"a"}},
      {{"--version"}, CliMode::Version, 0, 0, 0, {}},
      {{}, CliMode::UsageError, 0, 0, 0, {}},
      {{"-c"}, CliMode::UsageError, 0, 0, 1, {}},
      {{"--"}, CliMode::UsageError, 0, 0, 0, {}},
      {{"a", "--sort"}, CliMode::UsageError, 0, 0, 0, {"a"}},
  };
  for (const ParseCase& c : cases) {
    const CliOptions options = ParseCliArgs(c.args);
    const std::string where = testing::PrintToString(c.args);
    EXPECT_EQ(options.mode, c.mode) << where;
    if (c.mode == CliMode::UsageError) {
      EXPECT_FALSE(options.error.empty()) << where;
      continue;
    }
    EXPECT_EQ(options.sortByName, c.sort) << where;
    EXPECT_EQ(options.saveBesideExtractor, c.beside) << where;
    EXPECT_EQ(options.analyzeConnector, c.connector) << where;
    EXPECT_EQ(options.models, c.models) << where;
  }
}

}  // namespace
