// The models a folder stands for: which files, in which order, and what
// a folder link does.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "job/folder_walk.h"
#include "tests/cli_native_path.h"
#include "tests/test_support.h"

#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;
using testing_support::ScratchDir;
using testing_support::WorkingDir;
using testing_support::WriteText;

TEST(CliFolderWalk, ListsModelsBelowInByteOrder) {
  const ScratchDir scratch;
  const WorkingDir cwd(scratch.path());
  fs::create_directories("t/sub/deeper");
  fs::create_directories("t/sub.tav");
  fs::create_directories("t/empty");
  for (const char* file :
       {"t/b.tav", "t/a.tav", "t/C.TAV", "t/.hidden.tav", "t/notes.txt", "t/model.tav.bak", "t/tav",
        "t/sub/c.Tav", "t/sub/deeper/d.tav", "t/sub.tav/e.tav"})
    WriteText(file, "x");
  std::error_code error;
  fs::create_directory_symlink("..", "t/sub/loop", error);  // a loop, never followed
  fs::create_symlink("b.tav", "t/link.tav", error);         // a link, not a file
#if !defined(_WIN32)
  ASSERT_EQ(::mkfifo("t/pipe.tav", 0600), 0);  // not a regular file
#endif

  // "t/sub.tav/..." before "t/sub/...": the whole paths are sorted, not each
  // folder's names; capitals before small letters.
  std::vector<std::string> below;
  for (const char* path : {"t/.hidden.tav", "t/C.TAV", "t/a.tav", "t/b.tav", "t/sub.tav/e.tav",
                           "t/sub/c.Tav", "t/sub/deeper/d.tav"})
    below.push_back(Native(path));
  struct Case {
    std::vector<std::string> args;
    bool recursive;
    std::vector<std::string> models;
  };
  std::vector<std::string> withFiles = {"first.tav"};
  withFiles.insert(withFiles.end(), below.begin(), below.end());
  withFiles.push_back("t/notes.txt");
  withFiles.push_back("missing");
  std::vector<std::string> twice = below;
  twice.insert(twice.end(), below.begin(), below.end());
  const Case cases[] = {
      {{"t"}, true, below},
      {{Native("t/")}, true, below},  // no doubled separator
      {{"first.tav", "t", "t/notes.txt", "missing"}, true, withFiles},
      {{"t", "t"}, true, twice},
      {{"t/empty"}, true, {}},
      {{"t", "first.tav"}, false, {"t", "first.tav"}},  // without -r a folder is a file
  };
  for (const Case& c : cases) {
    std::vector<std::string> errors;
    EXPECT_EQ(ExpandFolders(c.args, c.recursive, errors), c.models)
        << testing::PrintToString(c.args);
    EXPECT_EQ(errors, std::vector<std::string>{}) << testing::PrintToString(c.args);
  }
}

#if !defined(_WIN32)
TEST(CliFolderWalk, AnUnreadableFolderIsOneErrorAndTheRestIsListed) {
  // Root reads every folder: then the walk runs as nobody (the effective
  // user only, so that root is taken back after it).
  const bool root = ::geteuid() == 0;
  const ScratchDir scratch;
  fs::permissions(scratch.path(), fs::perms::others_read | fs::perms::others_exec,
                  fs::perm_options::add);
  const WorkingDir cwd(scratch.path());
  fs::create_directories("t/closed");
  fs::create_directories("t/open");
  WriteText("t/closed/hidden.tav", "x");
  WriteText("t/open/seen.tav", "x");
  ASSERT_EQ(::chmod("t/closed", 0), 0);
  std::vector<std::string> models, errors;
  ASSERT_EQ(root ? ::seteuid(65534) : 0, 0);
  ListModelsBelow("t", models, errors);
  ASSERT_EQ(root ? ::seteuid(0) : 0, 0);
  ::chmod("t/closed", 0700);
  EXPECT_EQ(models, std::vector<std::string>{"t/open/seen.tav"});  // "/" on POSIX
  EXPECT_EQ(errors, std::vector<std::string>{"cannot read folder 't/closed': Permission denied"});
}
#endif

}  // namespace
