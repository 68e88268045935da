// Enter in the dialogs, as the Windows dialog manager handles it: the focused
// push button, else the default button, else IDOK.
#include <gtest/gtest.h>

#include <vector>

#include "gui/about_dlg.h"
#include "gui/quorvel_app.h"
#include "gui/quorvel_dlg.h"
#include "gui/resources/resource.h"
#include "gui/tests/dialog_fixture.h"
#include "gui/tests/fake_engine.h"
#include "platform/emulated/dialog_keys.h"
#include "platform/emulated/window.h"
#include "platform/headless/headless.h"

namespace hl = qv::headless;
namespace emu = qv::emu;

namespace {

constexpr int kNoFocus = 0;

struct EnterCase {
  const char* name;
  bool loaded;  // a file is queued, so "Extract!" is enabled
  int focus;    // control id, or kNoFocus
  std::size_t engineCalls;
  std::size_t fileDialogs;
};

class EnterInMainDialog : public DialogTest, public ::testing::WithParamInterface<EnterCase> {};

TEST_P(EnterInMainDialog, PressesTheFocusedOrTheDefaultButton) {
  const EnterCase& c = GetParam();
  hl::QueueModal([&](HWND dlg) {
    if (c.loaded) {
      hl::QueueFileDialog(std::vector<std::wstring>{L"/m/a.tav"});
      hl::Click(dlg, IDC_BUTTON_LOAD);
    }
    emu::Window& dialog = *emu::FromHandle(dlg);
    EXPECT_EQ(emu::DefaultButton(dialog), emu::FromHandle(::GetDlgItem(dlg, IDC_BUTTON_EXTRACT)));
    emu::Window* focused =
        c.focus == kNoFocus ? nullptr : emu::FromHandle(::GetDlgItem(dlg, c.focus));
    emu::PressEnter(dialog, focused);
    // Enter never ends the main dialog, which has no OK button.
    EXPECT_FALSE(dialog.ended);
    EXPECT_FALSE(hl::IsChecked(::GetDlgItem(dlg, IDC_CHECK_SORT_BY_NAME)));
    return INT_PTR{IDCANCEL};
  });
  CQuorvelDlg dlg;
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  EXPECT_EQ(fake_engine::Calls().size(), c.engineCalls);
  EXPECT_EQ(hl::Recorded().fileDialogs.size(), c.fileDialogs + (c.loaded ? 1 : 0));
}

INSTANTIATE_TEST_SUITE_P(
    Keyboard, EnterInMainDialog,
    ::testing::Values(
        EnterCase{"focused_load_opens_the_file_dialog", false, IDC_BUTTON_LOAD, 0, 1},
        EnterCase{"focused_load_when_loaded", true, IDC_BUTTON_LOAD, 0, 1},
        EnterCase{"focused_extract", true, IDC_BUTTON_EXTRACT, 1, 0},
        EnterCase{"check_box_presses_extract", true, IDC_CHECK_SORT_BY_NAME, 1, 0},
        EnterCase{"list_presses_extract", true, IDC_LIST_STATUS, 1, 0},
        EnterCase{"no_focus_presses_extract", true, kNoFocus, 1, 0},
        EnterCase{"disabled_default_does_nothing", false, IDC_CHECK_SORT_BY_NAME, 0, 0},
        EnterCase{"disabled_focus_falls_to_default", false, IDC_BUTTON_EXTRACT, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(EnterInAboutBox, PressesOk) {
  hl::Reset();
  for (const bool focusOk : {true, false}) {
    hl::QueueModal([&](HWND about) {
      emu::Window* ok = focusOk ? emu::FromHandle(::GetDlgItem(about, IDOK)) : nullptr;
      emu::PressEnter(*emu::FromHandle(about), ok);
      return INT_PTR{IDCANCEL};
    });
    CAboutDlg about;
    EXPECT_EQ(about.DoModal(), IDOK) << focusOk;
  }
}

// A dialog without a default push button gets IDOK, as on Windows.
TEST(EnterWithoutDefaultButton, SendsIdok) {
  hl::Reset();
  static const DialogItem items[] = {
      {7, kButtonClass, L"Plain", 0, 10, 10, 50, 14, BS_PUSHBUTTON | WS_TABSTOP, 0},
  };
  static const DialogTemplate tmpl = {
      900, L"Plain", L"MS Shell Dlg", 8, 100, 50, WS_POPUP | WS_CAPTION, 0, items};
  static std::vector<WPARAM> commands;
  commands.clear();
  const WNDPROC proc = [](HWND h, UINT msg, WPARAM wParam, LPARAM) -> LRESULT {
    if (msg == WM_COMMAND) {
      commands.push_back(wParam);
      ::EndDialog(h, LOWORD(wParam));
    }
    return 0;
  };
  hl::QueueModal([](HWND dlg) {
    EXPECT_EQ(emu::DefaultButton(*emu::FromHandle(dlg)), nullptr);
    emu::PressEnter(*emu::FromHandle(dlg), nullptr);
    return INT_PTR{IDCANCEL};
  });
  EXPECT_EQ(::DialogBoxTemplateW(::GetModuleHandleW(nullptr), tmpl, nullptr, proc, 0), IDOK);
  EXPECT_EQ(commands, (std::vector<WPARAM>{MAKEWPARAM(IDOK, BN_CLICKED)}));
}

}  // namespace
