// Which models of a batch must wait for which, over real files and links.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "job/job_order.h"
#include "tests/cli_native_path.h"
#include "tests/test_support.h"

namespace {

namespace fs = std::filesystem;
using testing_support::ScratchDir;
using testing_support::WorkingDir;
using testing_support::WriteText;

struct OrderCase {
  const char* what;
  std::vector<std::string> models;
  int beside;
  std::vector<std::vector<std::size_t>> predecessors;
};

TEST(CliJobOrder, ModelsTouchingOneFileWaitInArgumentOrder) {
  const ScratchDir scratch;
  const WorkingDir cwd(scratch.path());
  fs::create_directories("d/sub");
  fs::create_directories("e");
  for (const char* model : {"d/a.tav", "d/b.tav", "d/A.TAV", "e/a.tav", "d/sub/a.tav"})
    WriteText(model, "model");
  WriteText("d/old.txt", "an earlier report");
  fs::create_hard_link("d/old.txt", "d/hard.txt");  // two names, one report
  bool links = true;
  std::error_code error;
  fs::create_directory_symlink("d", "dlink", error);
  links = links && !error;
  fs::create_symlink("a.tav", "d/alias.tav", error);
  links = links && !error;

  std::vector<OrderCase> cases = {
      {"distinct models", {"d/a.tav", "d/b.tav", "e/a.tav"}, 0, {{}, {}, {}}},
      {"the same model twice", {"d/a.tav", "d/b.tav", "d/a.tav"}, 0, {{}, {}, {0}}},
      {"spelled apart, report not there yet", {"d/a.tav", "d/sub/../a.tav"}, 0, {{}, {0}}},
      {"the same name in two folders under -b",
       {"d/a.tav", "e/a.tav", "d/sub/a.tav"},
       1,
       {{}, {0}, {1}}},
      {"-b keeps apart different names", {"d/a.tav", "d/b.tav"}, 1, {{}, {}}},
      {"a model that is an earlier one's report", {"d/a.tav", "d/a.txt"}, 0, {{}, {0}}},
      {"a report that is a later one's model", {"d/a.txt", "d/a.tav"}, 0, {{}, {0}}},
      {"names that differ in case only", {"d/a.tav", "d/A.TAV"}, 0, {{}, {0}}},
      {"reports that are one file under two names", {"d/old.tav", "d/hard.tav"}, 0, {{}, {0}}},
      {"each waits for the last one before it",
       {"d/a.tav", "d/b.tav", "d/a.tav", "d/b.tav", "d/a.tav"},
       0,
       {{}, {}, {0}, {1}, {2}}},
  };
  if (links) {
    cases.push_back({"a folder and a link to it", {"dlink/a.tav", "d/a.tav"}, 0, {{}, {0}}});
    // Reading one model through two names is no conflict: the reports differ.
    cases.push_back({"a model and a link to it", {"d/a.tav", "d/alias.tav"}, 0, {{}, {}}});
  }
  for (const OrderCase& c : cases) {
    std::vector<std::string> models;
    for (const std::string& model : c.models) models.push_back(Native(model));
    EXPECT_EQ(JobPredecessors(models, c.beside), c.predecessors) << c.what;
  }
}

}  // namespace
