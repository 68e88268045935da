// The two quicker ways in: files dropped on the dialog are a load, and a
// completed status line opens its report with the system's handler. Driven
// through the headless backend; the handler is recorded, never run.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "gui/path_narrowing.h"
#include "gui/quorvel_app.h"
#include "gui/quorvel_dlg.h"
#include "gui/resources/resource.h"
#include "gui/tests/dialog_fixture.h"
#include "gui/tests/fake_engine.h"
#include "gui/tests/platform_paths.h"
#include "platform/afx/afx.h"
#include "platform/emulated/dialog_keys.h"
#include "platform/emulated/window.h"
#include "platform/emulated/xdg_open.h"
#include "platform/headless/headless.h"

#if !defined(_WIN32)
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#endif

namespace fs = std::filesystem;
namespace hl = qv::headless;
namespace emu = qv::emu;

namespace {

using Paths = std::vector<std::wstring>;

std::vector<std::wstring> OpenedPaths() {
  std::vector<std::wstring> paths;
  for (const hl::OpenedDocument& d : hl::Recorded().opened) paths.push_back(d.path);
  return paths;
}
void PressEnter(HWND dlg, int focus) {
  emu::PressEnter(*emu::FromHandle(dlg), emu::FromHandle(Item(dlg, focus)));
}

// A folder tree of the test's own, removed afterwards:
//   models/b.tav, models/A.TAV, models/notes.txt, models/sub/c.Tav,
//   models/sub/deeper/d.tav, single/z.tav, empty/
// and, where links are made freely (not Windows): models/linked -> elsewhere/
// (holding e.tav), models/lnk.tav -> single/z.tav, and outer -> models.
class Tree {
 public:
  Tree() {
    // Random, not the object's address: test processes run side by side,
    // and under a sanitizer their heaps lie at the same addresses.
    root_ = fs::temp_directory_path() / ("quorvel-drop-" + std::to_string(std::random_device{}()) +
                                         "-" + std::to_string(++count_));
    fs::remove_all(root_);
    for (const char* folder : {"models/sub/deeper", "single", "empty", "elsewhere"}) {
      fs::create_directories(root_ / folder);
    }
    for (const char* file : {"models/b.tav", "models/A.TAV", "models/notes.txt", "models/sub/c.Tav",
                             "models/sub/deeper/d.tav", "single/z.tav", "elsewhere/e.tav"}) {
      std::ofstream(root_ / file) << "model";
    }
#if !defined(_WIN32)
    fs::create_directory_symlink(root_ / "elsewhere", root_ / "models/linked");
    fs::create_symlink(root_ / "single/z.tav", root_ / "models/lnk.tav");
    fs::create_directory_symlink(root_ / "models", root_ / "outer");
#endif
  }
  ~Tree() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }
  Tree(const Tree&) = delete;
  Tree& operator=(const Tree&) = delete;

  // A path below the root, "models/sub" written with '/', as dropped (wide)
  // and as queued (narrow).
  std::wstring Wide(const std::string& relative) const {
    return (root_ / fs::path(relative).make_preferred()).wstring();
  }
  std::string Narrow(const std::string& relative) const {
    return NarrowPath(Wide(relative).c_str());
  }

 private:
  fs::path root_;
  static inline int count_ = 0;
};

class DropOpenTest : public DialogTest {
 protected:
  Tree tree_;
};

// ---- A drop is a load ----

enum class Before { Idle, Loaded, AfterBatch };
enum class Onto { Dialog, List, Button };

// One dropped item: a path below the tree, or a literal wide path.
struct Dropped {
  std::string relative;
  std::wstring literal;
};
Dropped In(const char* relative) {
  return {relative, {}};
}

struct DropCase {
  const char* name;
  Before before;
  Onto onto;
  std::vector<Dropped> dropped;
  std::vector<std::string> queued;  // below the tree, as the engine then gets them
};

class Drop : public DropOpenTest, public ::testing::WithParamInterface<DropCase> {};

TEST_P(Drop, IsALoadOfTheDroppedFilesInDropOrder) {
  const DropCase& c = GetParam();
  Run([&](HWND dlg) {
    if (c.before != Before::Idle) Load(dlg, {P(L"/m/first.tav")});
    if (c.before == Before::AfterBatch) {
      hl::Click(dlg, IDC_BUTTON_EXTRACT);
      ASSERT_EQ(Lines(dlg).size(), 1u);
      fake_engine::Reset();
    }
    Paths paths;
    for (const Dropped& d : c.dropped) {
      paths.push_back(d.literal.empty() ? tree_.Wide(d.relative) : d.literal);
    }
    const int onto = c.onto == Onto::List     ? IDC_LIST_STATUS
                     : c.onto == Onto::Button ? IDC_CHECK_SORT_BY_NAME
                                              : 0;
    hl::DropFiles(onto == 0 ? dlg : Item(dlg, onto), paths);
    // As a load that ended with OK: the list emptied at once, Extract! enabled.
    EXPECT_TRUE(Lines(dlg).empty());
    EXPECT_TRUE(ExtractEnabled(dlg));
    EXPECT_TRUE(fake_engine::Calls().empty());
    hl::Click(dlg, IDC_BUTTON_EXTRACT);
    EXPECT_EQ(Lines(dlg).size(), c.queued.size());
    EXPECT_FALSE(ExtractEnabled(dlg));
  });
  std::vector<std::string> expected;
  for (const std::string& relative : c.queued) expected.push_back(tree_.Narrow(relative));
  EXPECT_EQ(EnginePaths(), expected);
  EXPECT_EQ(hl::Recorded().fileDialogs.size(), c.before == Before::Idle ? 0u : 1u);
}

const std::wstring kUnconvertible = P(L"/m/bad\xD800.tav");

std::vector<DropCase> DropCases() {
  std::vector<DropCase> cases = {
      {"FilesInDropOrderNotSorted",
       Before::Idle,
       Onto::Dialog,
       {In("single/z.tav"), In("models/b.tav")},
       {"single/z.tav", "models/b.tav"}},
      {"FolderIsEveryModelBelowItInByteOrder",
       Before::Idle,
       Onto::Dialog,
       {In("models")},
       {"models/A.TAV", "models/b.tav", "models/sub/c.Tav", "models/sub/deeper/d.tav"}},
      {"MixKeepsDropOrderAndRepeats",
       Before::Idle,
       Onto::Dialog,
       {In("single/z.tav"), In("models/sub"), In("empty"), In("single/z.tav")},
       {"single/z.tav", "models/sub/c.Tav", "models/sub/deeper/d.tav", "single/z.tav"}},
      {"OnTheListReachesTheDialog",
       Before::Idle,
       Onto::List,
       {In("models/sub/deeper"), In("single/z.tav")},
       {"models/sub/deeper/d.tav", "single/z.tav"}},
      {"OnACheckBoxReachesTheDialog",
       Before::Idle,
       Onto::Button,
       {In("single/z.tav")},
       {"single/z.tav"}},
      {"ReplacesALoadedQueue",
       Before::Loaded,
       Onto::Dialog,
       {In("models/b.tav")},
       {"models/b.tav"}},
      {"AfterABatchEmptiesTheList",
       Before::AfterBatch,
       Onto::List,
       {In("models/sub")},
       {"models/sub/c.Tav", "models/sub/deeper/d.tav"}},
      // Not narrowed: the drop stops there, as a load does; what came before stays.
      {"UnconvertibleNameStopsTheDrop",
       Before::Loaded,
       Onto::Dialog,
       {In("single/z.tav"), In("models/sub"), {"", kUnconvertible}, In("models/b.tav")},
       {"single/z.tav", "models/sub/c.Tav", "models/sub/deeper/d.tav"}},
      {"UnconvertibleFirstLeavesAnEmptyQueue",
       Before::AfterBatch,
       Onto::Dialog,
       {{"", kUnconvertible}, In("models/b.tav")},
       {}},
      {"EmptyFolderQueuesNothing", Before::Loaded, Onto::Dialog, {In("empty")}, {}},
      // A path that is no folder is queued as it is, as a selected one would be.
      {"MissingPathIsQueuedAsItIs",
       Before::Idle,
       Onto::Dialog,
       {In("gone.tav"), In("models/notes.txt")},
       {"gone.tav", "models/notes.txt"}},
  };
#if !defined(_WIN32)
  // A dropped link to a folder is walked; links below it are not followed.
  cases.push_back({"LinkedFolderIsWalkedItsLinksAreNot",
                   Before::Idle,
                   Onto::Dialog,
                   {In("outer")},
                   {"outer/A.TAV", "outer/b.tav", "outer/sub/c.Tav", "outer/sub/deeper/d.tav"}});
#endif
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Dialog, Drop, ::testing::ValuesIn(DropCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// Only a drop stands a folder for its models: a path the Open dialog returns is
// queued as it is, as ever.
TEST_F(DropOpenTest, TheOpenDialogsSelectionIsQueuedAsItIs) {
  Run([&](HWND dlg) {
    Load(dlg, {tree_.Wide("models"), tree_.Wide("single/z.tav")});
    hl::Click(dlg, IDC_BUTTON_EXTRACT);
  });
  EXPECT_EQ(EnginePaths(),
            (std::vector<std::string>{tree_.Narrow("models"), tree_.Narrow("single/z.tav")}));
}

// A drop while a box is open does nothing, on the main dialog or on the box.
enum class Box { About, Open };

class DropUnderABox : public DropOpenTest, public ::testing::WithParamInterface<Box> {};

TEST_P(DropUnderABox, ChangesNothing) {
  Run([&](HWND dlg) {
    Load(dlg, {P(L"/m/a.tav")});
    hl::Click(dlg, IDC_BUTTON_EXTRACT);
    Load(dlg, {P(L"/m/b.tav")});
    ::SendMessageW(Item(dlg, IDC_LIST_STATUS), LB_ADDSTRING, 0,
                   reinterpret_cast<LPARAM>(L"a line the drop must not take away"));
    auto drop = [&](HWND box) {
      EXPECT_FALSE(::IsWindowEnabled(dlg));
      hl::DropFiles(dlg, {tree_.Wide("models")});
      hl::DropFiles(Item(dlg, IDC_LIST_STATUS), {tree_.Wide("single/z.tav")});
      if (box != nullptr) hl::DropFiles(box, {tree_.Wide("single/z.tav")});
      EXPECT_EQ(Lines(dlg).size(), 1u);
    };
    if (GetParam() == Box::About) {
      hl::QueueModal([&](HWND about) {
        drop(about);
        return INT_PTR{IDOK};
      });
      ::SendMessageW(dlg, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    } else {
      hl::QueueFileDialog(std::nullopt, [&](HWND) { drop(nullptr); });
      hl::Click(dlg, IDC_BUTTON_LOAD);
    }
    EXPECT_TRUE(::IsWindowEnabled(dlg));
    EXPECT_TRUE(ExtractEnabled(dlg));
    EXPECT_EQ(Lines(dlg).size(), 1u);
    fake_engine::Reset();
    hl::Click(dlg, IDC_BUTTON_EXTRACT);
  });
  EXPECT_EQ(EnginePaths(), std::vector<std::string>{N("/m/b.tav")});
}

INSTANTIATE_TEST_SUITE_P(Dialog, DropUnderABox, ::testing::Values(Box::About, Box::Open),
                         [](const auto& info) {
                           return std::string(info.param == Box::About ? "About" : "Open");
                         });

// ---- A completed line opens its report ----

enum class Gesture { DoubleClick, Enter };

struct OpenCase {
  const char* name;
  Gesture gesture;
  int line;
  std::int32_t beside;  // "Save txt Beside Extractor"
  bool handlerFails;
  std::optional<std::string> report;  // what opens: a path below /m, or in the current folder
};

class OpenReport : public DropOpenTest, public ::testing::WithParamInterface<OpenCase> {};

// Line 0 /m/Cockpit.tav completes, line 1 /m/bad.tav fails, line 2
// /n/x.model.tav completes.
TEST_P(OpenReport, OpensOnlyTheReportTheJobWrote) {
  const OpenCase& c = GetParam();
  fake_engine::SetResult([](const std::string& path) {
    return path.find("bad") != std::string::npos ? ExtractResult::Failed : ExtractResult::Completed;
  });
  hl::SetOpenSucceeds(!c.handlerFails);
  std::vector<std::wstring> linesBefore;
  Run([&](HWND dlg) {
    if (c.beside != 0) hl::Click(dlg, IDC_CHECK_SAVE_BESIDE);
    Load(dlg, {P(L"/m/Cockpit.tav"), P(L"/m/bad.tav"), P(L"/n/x.model.tav")});
    hl::Click(dlg, IDC_BUTTON_EXTRACT);
    linesBefore = Lines(dlg);
    HWND list = Item(dlg, IDC_LIST_STATUS);
    if (c.gesture == Gesture::DoubleClick) {
      hl::ClickLine(list, c.line, true);
    } else {
      hl::ClickLine(list, c.line, false);
      PressEnter(dlg, IDC_LIST_STATUS);
    }
    // Nothing else happens: no box, no change to the list or the buttons.
    EXPECT_EQ(Lines(dlg), linesBefore);
    EXPECT_FALSE(ExtractEnabled(dlg));
    for (const hl::OpenedDocument& d : hl::Recorded().opened) EXPECT_EQ(d.owner, dlg);
  });
  std::vector<std::wstring> expected;
  if (c.report) {
    expected.push_back(c.beside != 0 ? (fs::current_path() / *c.report).wstring()
                                     : P(std::wstring(c.report->begin(), c.report->end())));
  }
  EXPECT_EQ(OpenedPaths(), expected);
  EXPECT_EQ(hl::Recorded().modalTemplates, std::vector<UINT>{IDD_QUORVEL_DIALOG});
  EXPECT_EQ(fake_engine::Calls().size(), 3u);
}

INSTANTIATE_TEST_SUITE_P(
    Dialog, OpenReport,
    ::testing::Values(
        OpenCase{"DoubleClickCompleted", Gesture::DoubleClick, 0, 0, false, "/m/Cockpit.txt"},
        OpenCase{"EnterCompleted", Gesture::Enter, 2, 0, false, "/n/x.model.txt"},
        OpenCase{"DoubleClickFailed", Gesture::DoubleClick, 1, 0, false, std::nullopt},
        OpenCase{"EnterFailed", Gesture::Enter, 1, 0, false, std::nullopt},
        // Beside the extractor: the report in the current folder, as a full path.
        OpenCase{"BesideExtractorDoubleClick", Gesture::DoubleClick, 2, 1, false, "x.model.txt"},
        OpenCase{"BesideExtractorEnter", Gesture::Enter, 0, 1, false, "Cockpit.txt"},
        // The handler was asked and failed: nothing more happens.
        OpenCase{"HandlerFails", Gesture::DoubleClick, 0, 0, true, "/m/Cockpit.txt"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DropOpenTest, EnterOpensOnlyFromTheListAndOnlyWithALineSelected) {
  Run([&](HWND dlg) {
    Load(dlg, {P(L"/m/a.tav")});
    hl::Click(dlg, IDC_BUTTON_EXTRACT);
    // Focus on the list, nothing selected: the default button, disabled now.
    PressEnter(dlg, IDC_LIST_STATUS);
    EXPECT_TRUE(hl::Recorded().opened.empty());
    // A line selected, but "Load TAV" has the focus: Enter presses it.
    hl::ClickLine(Item(dlg, IDC_LIST_STATUS), 0, false);
    PressEnter(dlg, IDC_BUTTON_LOAD);
    EXPECT_TRUE(hl::Recorded().opened.empty());
    EXPECT_EQ(hl::Recorded().fileDialogs.size(), 2u);
    // Loaded again: the list is empty, so Enter on it presses "Extract!".
    Load(dlg, {P(L"/m/b.tav")});
    PressEnter(dlg, IDC_LIST_STATUS);
    EXPECT_EQ(Lines(dlg).size(), 1u);
    EXPECT_TRUE(hl::Recorded().opened.empty());
    // The new line opens its own report, not the earlier batch's.
    PressEnter(dlg, IDC_LIST_STATUS);  // nothing selected after the batch
    hl::ClickLine(Item(dlg, IDC_LIST_STATUS), 0, true);
  });
  EXPECT_EQ(OpenedPaths(), std::vector<std::wstring>{P(L"/m/b.txt")});
  EXPECT_EQ(EnginePaths(), (std::vector<std::string>{N("/m/a.tav"), N("/m/b.tav")}));
}

TEST_F(DropOpenTest, ADropForgetsTheReportsOfTheEarlierLines) {
  Run([&](HWND dlg) {
    Load(dlg, {P(L"/m/a.tav")});
    hl::Click(dlg, IDC_BUTTON_EXTRACT);
    hl::DropFiles(dlg, {tree_.Wide("single/z.tav")});
    // The list is empty; a line added behind the dialog's back opens nothing.
    ::SendMessageW(Item(dlg, IDC_LIST_STATUS), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"x"));
    hl::ClickLine(Item(dlg, IDC_LIST_STATUS), 0, true);
  });
  EXPECT_TRUE(hl::Recorded().opened.empty());
}

// The list keeps one selected line, and none once emptied or sent past its end.
TEST_F(DropOpenTest, StatusListSelectsOneLineAndForgetsItWhenEmptied) {
  Run([](HWND dlg) {
    HWND list = ::GetDlgItem(dlg, IDC_LIST_STATUS);
    EXPECT_EQ(::SendMessageW(list, LB_GETCURSEL, 0, 0), LB_ERR);
    for (const wchar_t* line : {L"one", L"two"}) {
      ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line));
    }
    EXPECT_EQ(::SendMessageW(list, LB_SETCURSEL, 1, 0), 1);
    EXPECT_EQ(::SendMessageW(list, LB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(::SendMessageW(list, LB_SETCURSEL, 2, 0), LB_ERR);  // no such line: cleared
    EXPECT_EQ(::SendMessageW(list, LB_GETCURSEL, 0, 0), LB_ERR);
    ::SendMessageW(list, LB_SETCURSEL, 0, 0);
    ::SendMessageW(list, LB_RESETCONTENT, 0, 0);
    EXPECT_EQ(::SendMessageW(list, LB_GETCURSEL, 0, 0), LB_ERR);
  });
}

#if !defined(_WIN32)
// xdg-open is started without a shell: whatever the path holds reaches it as
// one argument, byte for byte.
TEST(XdgOpen, GetsThePathAsOneArgumentWithoutAShell) {
  const fs::path bin = fs::temp_directory_path() / ("quorvel-xdg-" + std::to_string(::getpid()));
  fs::create_directories(bin);
  const fs::path record = bin / "record";
  {
    std::ofstream script(bin / "xdg-open");
    script << "#!/bin/sh\nprintf '%s|%s' \"$#\" \"$1\" > '" << record.string()
           << ".part'\n/bin/mv '" << record.string() << ".part' '" << record.string() << "'\n";
  }
  fs::permissions(bin / "xdg-open", fs::perms::owner_all);
  const char* oldPath = std::getenv("PATH");
  const std::string savedPath = oldPath != nullptr ? oldPath : "";
  ::setenv("PATH", bin.c_str(), 1);

  const std::string path = "/m/it's \"a\" $(touch " + (bin / "pwned").string() + ") \xFF.txt";
  EXPECT_TRUE(emu::RunXdgOpen(path));
  for (int i = 0; i < 200 && !fs::exists(record); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  std::ifstream in(record);
  const std::string got((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(got, "1|" + path);
  EXPECT_FALSE(fs::exists(bin / "pwned"));

  ::setenv("PATH", (bin / "none").c_str(), 1);
  EXPECT_FALSE(emu::RunXdgOpen("/m/a.txt"));  // not found: false, nothing else
  ::setenv("PATH", savedPath.c_str(), 1);
  fs::remove_all(bin);
}
#endif

}  // namespace
