// A long batch in the dialog: what runs while it runs, the three ways to stop
// it, each line's kept log, and a report that is gone. The fake engine is
// slow and runs on the batch's worker; the user acts at the dialog's pumps.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "gui/job_capture.h"
#include "gui/quorvel_app.h"
#include "gui/quorvel_dlg.h"
#include "gui/resources/resource.h"
#include "gui/tests/dialog_fixture.h"
#include "gui/tests/fake_engine.h"
#include "gui/tests/platform_paths.h"
#include "job/os_error.h"
#include "platform/emulated/input.h"
#include "platform/emulated/window.h"
#include "platform/headless/headless.h"

namespace hl = qv::headless;
namespace emu = qv::emu;

namespace {

constexpr const wchar_t* kCredit = L"By the Quorvel authors, 2026";

bool Enabled(HWND dlg, int id) {
  return ::IsWindowEnabled(Item(dlg, id)) != FALSE;
}
std::wstring Info(HWND dlg) {
  return hl::TextOf(Item(dlg, IDC_TEXT_INFO));
}

const std::string kMissingModel = N("/nonexistent-quorvel-test/a.tav");

// A job that takes a while, long beside the dialog's pumps, and logs as the
// engine does; a model whose name holds "gone" fails as the engine fails on a
// missing model.
ExtractResult SlowJob(FileOps& files, JobLog& log, const std::string& path) {
  std::this_thread::sleep_for(std::chrono::milliseconds(25));
  if (path.find("gone") != std::string::npos) {
    if (std::FILE* f = files.OpenRead(kMissingModel.c_str())) files.Close(f);
    log.Printf("ERROR: fopen failed\n");
    return ExtractResult::Failed;
  }
  log.Printf("fsize: 3(3)\n");
  log.Printf("start\n");
  return ExtractResult::Completed;
}

// What the system says of a model whose folder is not there.
std::string MissingReason() {
#ifdef _WIN32
  // The thread's last error as the system words it (FormatMessageW), taken
  // from the very call; checked not to be empty.
  ClearOsError();
  EXPECT_EQ(FileOps::Default().OpenRead(kMissingModel.c_str()), nullptr);
  const std::string text = OsErrorText();
  EXPECT_FALSE(text.empty());
  return text;
#else
  return std::generic_category().message(ENOENT);
#endif
}

class BatchTest : public DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    fake_engine::SetJob(SlowJob);
  }
  void TearDown() override { hl::SetPumpScript(nullptr); }

  static void LoadAndExtract(HWND dlg, const std::vector<std::wstring>& paths) {
    Load(dlg, paths);
    hl::Click(dlg, IDC_BUTTON_EXTRACT);
  }
};

enum class Way { Finish, Escape, CloseButton, Stop };

class BatchStops : public BatchTest, public ::testing::WithParamInterface<Way> {};

TEST_P(BatchStops, AfterTheFileInWorkWithTheDialogOpen) {
  const Way way = GetParam();
  std::vector<std::wstring> paths;
  for (int i = 0; i < 6; ++i) paths.push_back(P(L"/m/f" + std::to_wstring(i) + L".tav"));
  bool sawRunning = false;
  bool acted = false;
  hl::SetPumpScript([&](HWND dlg) {
    const std::size_t lines = Lines(dlg).size();
    if (!sawRunning && lines >= 1 && lines < 6) {
      sawRunning = true;
      // Running: the progress shown, only the list and Stop take input.
      EXPECT_EQ(Info(dlg), L"file " + std::to_wstring(lines + 1) + L" of 6");
      EXPECT_EQ(hl::TextOf(Item(dlg, IDC_BUTTON_EXTRACT)), L"Stop");
      EXPECT_TRUE(Enabled(dlg, IDC_BUTTON_EXTRACT));
      EXPECT_TRUE(Enabled(dlg, IDC_LIST_STATUS));
      for (int id : {IDC_BUTTON_LOAD, IDC_CHECK_SORT_BY_NAME, IDC_CHECK_SAVE_BESIDE,
                     IDC_CHECK_ANALYZE_CONNECTOR}) {
        EXPECT_FALSE(Enabled(dlg, id)) << id;
      }
      // What would act on a later state does nothing: a click on a box, a
      // drop, the About entry.
      emu::UserToggled(*emu::FromHandle(Item(dlg, IDC_CHECK_SORT_BY_NAME)), true);
      hl::DropFiles(dlg, {P(L"/x/other.tav")});
      emu::UserPickedMenu(*emu::FromHandle(dlg), IDM_ABOUTBOX);
    }
    // Lines are shown in groups, the first as soon as it is done: act then,
    // with the rest of the batch still to come.
    if (acted || lines < 1) return;
    acted = true;
    emu::Window& dialog = *emu::FromHandle(dlg);
    switch (way) {
      case Way::Finish:
        break;
      case Way::Escape:
        emu::UserKey(dialog, emu::FromHandle(Item(dlg, IDC_LIST_STATUS)), {emu::Key::Escape});
        break;
      case Way::CloseButton:
        emu::UserClosed(dialog);
        break;
      case Way::Stop:
        emu::UserPressed(*emu::FromHandle(Item(dlg, IDC_BUTTON_EXTRACT)));
        break;
    }
    EXPECT_FALSE(dialog.ended);
  });
  std::size_t listed = 0;
  Run([&](HWND dlg) {
    LoadAndExtract(dlg, paths);
    EXPECT_FALSE(emu::FromHandle(dlg)->ended);
    listed = Lines(dlg).size();
    if (way == Way::Finish) {
      EXPECT_EQ(listed, 6u);
      EXPECT_EQ(Info(dlg), kCredit);
    } else {
      // The file in work when the stop came is finished, no other started.
      EXPECT_GE(listed, 1u);
      EXPECT_LT(listed, 6u);
      EXPECT_EQ(Info(dlg), L"stopped after file " + std::to_wstring(listed) + L" of 6");
    }
    EXPECT_EQ(hl::TextOf(Item(dlg, IDC_BUTTON_EXTRACT)), L"Extract!");
    EXPECT_FALSE(Enabled(dlg, IDC_BUTTON_EXTRACT));
    EXPECT_TRUE(Enabled(dlg, IDC_BUTTON_LOAD));
    EXPECT_FALSE(hl::IsChecked(Item(dlg, IDC_CHECK_SORT_BY_NAME)));
    // The newest line was kept in view.
    ASSERT_FALSE(hl::Recorded().shownLines.empty());
    EXPECT_EQ(hl::Recorded().shownLines.back(), static_cast<int>(listed) - 1);
    // With no batch, Esc closes the dialog.
    emu::UserKey(*emu::FromHandle(dlg), nullptr, {emu::Key::Escape});
    EXPECT_TRUE(emu::FromHandle(dlg)->ended);
  });
  EXPECT_TRUE(sawRunning);
  EXPECT_TRUE(acted);
  ASSERT_EQ(fake_engine::Calls().size(), listed);
  for (std::size_t i = 0; i < listed; ++i) {
    EXPECT_EQ(fake_engine::Calls()[i].path, N("/m/f" + std::to_string(i) + ".tav"));
    EXPECT_EQ(fake_engine::Calls()[i].sortByName, 0);
  }
  EXPECT_EQ(hl::Recorded().modalTemplates, std::vector<UINT>{IDD_QUORVEL_DIALOG});
  // Stop takes the focus for the batch, the list after it.
  EXPECT_EQ(hl::Recorded().focused, (std::vector<int>{IDC_BUTTON_EXTRACT, IDC_LIST_STATUS}));
}

std::string WayName(const ::testing::TestParamInfo<Way>& info) {
  static const char* const names[] = {"Finish", "Escape", "CloseButton", "Stop"};
  return names[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Dialog, BatchStops,
                         ::testing::Values(Way::Finish, Way::Escape, Way::CloseButton, Way::Stop),
                         WayName);

// One job's lines: printed exactly as logged, kept with the reason added to
// the first error line when a file call failed.
struct CaptureCase {
  const char* name;
  std::function<ExtractResult(FileOps&, JobLog&)> job;
  ExtractResult result;
  std::string printed;
  std::string kept;
};

class Capture : public ::testing::TestWithParam<CaptureCase> {
 protected:
  void SetUp() override { fake_engine::Reset(); }
};

TEST_P(Capture, PrintsTheLinesAndKeepsThemWithTheReason) {
  const CaptureCase& c = GetParam();
  fake_engine::SetJob(
      [&](FileOps& files, JobLog& log, const std::string&) { return c.job(files, log); });
  ReasonFileOps files(FileOps::Default());
  std::FILE* out = std::tmpfile();
  ASSERT_NE(out, nullptr);
  const CapturedJob job = RunCapturedJob(files, "/m/a.tav", ExtractOptions{1, 0, 1}, out);
  std::string printed(256, '\0');
  std::rewind(out);
  printed.resize(std::fread(printed.data(), 1, printed.size(), out));
  std::fclose(out);
  EXPECT_EQ(job.result, c.result);
  EXPECT_EQ(printed, c.printed);
  EXPECT_EQ(job.log, c.kept);
  ASSERT_EQ(fake_engine::Calls().size(), 1u);
  EXPECT_EQ(fake_engine::Calls()[0].sortByName, 1);
  EXPECT_EQ(fake_engine::Calls()[0].analyzeConnector, 1);
}

ExtractResult MissingModel(FileOps& files, JobLog& log) {
  log.Printf("fsize: 0(0)\n");
  EXPECT_EQ(files.OpenRead(kMissingModel.c_str()), nullptr);
  log.Printf("ERROR: fopen failed\n");
  return ExtractResult::Failed;
}

INSTANTIATE_TEST_SUITE_P(
    Dialog, Capture,
    ::testing::Values(CaptureCase{"Completed",
                                  [](FileOps&, JobLog& log) {
                                    log.Printf("fsize: 3(3)\n");
                                    log.Printf("start\n");
                                    return ExtractResult::Completed;
                                  },
                                  ExtractResult::Completed, "fsize: 3(3)\nstart\n",
                                  "fsize: 3(3)\nstart\n"},
                      CaptureCase{"FailedFileCall", MissingModel, ExtractResult::Failed,
                                  "fsize: 0(0)\nERROR: fopen failed\n",
                                  "fsize: 0(0)\nERROR: fopen failed: " + MissingReason() + "\n"},
                      CaptureCase{"FailedWithoutAFileCall",
                                  [](FileOps&, JobLog& log) {
                                    log.Printf("ERROR: model changed while reading\n");
                                    return ExtractResult::Failed;
                                  },
                                  ExtractResult::Failed, "ERROR: model changed while reading\n",
                                  "ERROR: model changed while reading\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(OneLine, JoinsTheLinesWithTwoSpaces) {
  EXPECT_EQ(OneLine("fsize: 3(3)\nstart\n"), "fsize: 3(3)  start");
  EXPECT_EQ(OneLine("ERROR: fopen failed: x\n"), "ERROR: fopen failed: x");
  EXPECT_EQ(OneLine(""), "");
}

TEST_F(BatchTest, TheSelectedLineShowsItsLogAndAGoneReportSaysSo) {
  hl::MarkGone(P(L"/m/a.txt"));
  Run([&](HWND dlg) {
    LoadAndExtract(dlg, {P(L"/m/a.tav"), P(L"/m/gone.tav")});
    HWND list = Item(dlg, IDC_LIST_STATUS);
    hl::ClickLine(list, 1, false);
    EXPECT_EQ(Info(dlg), L"ERROR: fopen failed: " + std::wstring(CString(MissingReason().c_str())));
    emu::UserKey(*emu::FromHandle(dlg), emu::FromHandle(list), {emu::Key::Up});
    EXPECT_EQ(Info(dlg), L"fsize: 3(3)  start");
    hl::ClickLine(list, 0, true);  // its report was deleted since
    EXPECT_EQ(Info(dlg), L"report not found: " + P(L"/m/a.txt"));
  });
  EXPECT_TRUE(hl::Recorded().opened.empty());
}

}  // namespace
