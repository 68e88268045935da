// What a backend's user input does to the real dialogs (emulated/input.h):
// the keys the dialog takes before its focused control, the popup that stands
// for the system menu, and clicks and toggles as the toolkit reports them.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "gui/quorvel_app.h"
#include "gui/quorvel_dlg.h"
#include "gui/resources/resource.h"
#include "gui/tests/dialog_fixture.h"
#include "gui/tests/fake_engine.h"
#include "platform/emulated/input.h"
#include "platform/emulated/window.h"
#include "platform/headless/headless.h"

namespace hl = qv::headless;
namespace emu = qv::emu;
using emu::Key;
using emu::KeyAction;

namespace {

constexpr int kNoFocus = 0;

struct KeyCase {
  const char* name;
  Key key;
  bool shift;
  bool control;
  int focus;  // control id, or kNoFocus
  KeyAction action;
};

class KeyInMainDialog : public DialogTest, public ::testing::WithParamInterface<KeyCase> {};

// Keys that change no state: what the backend is told to do with them.
TEST_P(KeyInMainDialog, AnswersWhatTheBackendDoes) {
  const KeyCase& c = GetParam();
  hl::QueueModal([&](HWND dlg) {
    emu::Window* focused =
        c.focus == kNoFocus ? nullptr : emu::FromHandle(::GetDlgItem(dlg, c.focus));
    emu::Window& dialog = *emu::FromHandle(dlg);
    EXPECT_EQ(emu::UserKey(dialog, focused, {c.key, c.shift, c.control}), c.action);
    EXPECT_FALSE(dialog.ended);
    return INT_PTR{IDOK};
  });
  CQuorvelDlg dlg;
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_TRUE(fake_engine::Calls().empty());
  EXPECT_TRUE(hl::Recorded().fileDialogs.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Keyboard, KeyInMainDialog,
    ::testing::Values(
        KeyCase{"shift_f10_opens_the_popup", Key::F10, true, false, IDC_BUTTON_LOAD,
                KeyAction::OpenSystemMenu},
        KeyCase{"menu_opens_the_popup", Key::Menu, false, false, IDC_LIST_STATUS,
                KeyAction::OpenSystemMenu},
        KeyCase{"menu_without_focus", Key::Menu, false, false, kNoFocus, KeyAction::OpenSystemMenu},
        KeyCase{"f10_alone_is_not_ours", Key::F10, false, false, IDC_BUTTON_LOAD,
                KeyAction::Unused},
        KeyCase{"shift_menu_is_not_ours", Key::Menu, true, false, IDC_BUTTON_LOAD,
                KeyAction::Unused},
        KeyCase{"ctrl_enter_is_not_ours", Key::Enter, false, true, IDC_BUTTON_LOAD,
                KeyAction::Unused},
        KeyCase{"alt_escape_is_not_ours", Key::Escape, false, true, kNoFocus, KeyAction::Unused},
        // The selection keys of an empty list are taken, and select nothing.
        KeyCase{"empty_list_down", Key::Down, false, false, IDC_LIST_STATUS, KeyAction::Done},
        KeyCase{"empty_list_end", Key::End, false, false, IDC_LIST_STATUS, KeyAction::Done},
        KeyCase{"list_left", Key::Left, false, false, IDC_LIST_STATUS, KeyAction::ScrollLeft},
        KeyCase{"list_right", Key::Right, false, false, IDC_LIST_STATUS, KeyAction::ScrollRight},
        KeyCase{"ctrl_down_on_the_list", Key::Down, false, true, IDC_LIST_STATUS,
                KeyAction::Unused},
        // Arrows on a button or box are the toolkit's (focus moves).
        KeyCase{"down_on_a_box", Key::Down, false, false, IDC_CHECK_SORT_BY_NAME,
                KeyAction::Unused},
        KeyCase{"down_without_focus", Key::Down, false, false, kNoFocus, KeyAction::Unused},
        KeyCase{"other_key", Key::Other, false, false, IDC_LIST_STATUS, KeyAction::Unused}),
    [](const auto& info) { return std::string(info.param.name); });

class UserInput : public DialogTest {
 protected:
  static emu::Window& Control(HWND dlg, int id) { return *emu::FromHandle(Item(dlg, id)); }
};

TEST_F(UserInput, EscapeAndTheCloseButtonEndTheDialog) {
  for (const bool escape : {true, false}) {
    hl::QueueModal([&](HWND dlg) {
      emu::Window& dialog = *emu::FromHandle(dlg);
      if (escape) {
        EXPECT_EQ(emu::UserKey(dialog, &Control(dlg, IDC_LIST_STATUS), {Key::Escape}),
                  KeyAction::Done);
      } else {
        emu::UserClosed(dialog);
      }
      EXPECT_TRUE(dialog.ended);
      return INT_PTR{IDOK};  // not taken: the dialog has ended
    });
    CQuorvelDlg dlg;
    EXPECT_EQ(dlg.DoModal(), IDCANCEL) << escape;
  }
}

TEST_F(UserInput, EnterOnABoxPressesExtractWithTheTickedOptions) {
  hl::QueueFileDialog(std::vector<std::wstring>{L"/m/a.tav"});
  hl::QueueModal([&](HWND dlg) {
    emu::Window& dialog = *emu::FromHandle(dlg);
    EXPECT_EQ(emu::UserKey(dialog, &Control(dlg, IDC_BUTTON_LOAD), {Key::Enter}), KeyAction::Done);
    // The toolkit ticked the box and reports it; then unticks and ticks
    // another: each flag follows its box.
    emu::UserToggled(Control(dlg, IDC_CHECK_SORT_BY_NAME), true);
    emu::UserToggled(Control(dlg, IDC_CHECK_ANALYZE_CONNECTOR), true);
    emu::UserToggled(Control(dlg, IDC_CHECK_ANALYZE_CONNECTOR), false);
    EXPECT_TRUE(hl::IsChecked(::GetDlgItem(dlg, IDC_CHECK_SORT_BY_NAME)));
    EXPECT_FALSE(hl::IsChecked(::GetDlgItem(dlg, IDC_CHECK_ANALYZE_CONNECTOR)));
    EXPECT_EQ(emu::UserKey(dialog, &Control(dlg, IDC_CHECK_SAVE_BESIDE), {Key::Enter}),
              KeyAction::Done);
    // "Extract!" is disabled after the batch: pressing it does nothing.
    emu::UserPressed(Control(dlg, IDC_BUTTON_EXTRACT));
    EXPECT_EQ(hl::ListLines(::GetDlgItem(dlg, IDC_LIST_STATUS)).size(), 1u);
    return INT_PTR{IDOK};
  });
  CQuorvelDlg dlg;
  dlg.DoModal();
  ASSERT_EQ(fake_engine::Calls().size(), 1u);
  const fake_engine::Call& call = fake_engine::Calls()[0];
  EXPECT_EQ(call.path, "/m/a.tav");
  EXPECT_EQ(call.sortByName, 1);
  EXPECT_EQ(call.saveBesideExtractor, 0);
  EXPECT_EQ(call.analyzeConnector, 0);
}

TEST_F(UserInput, ADisabledBoxIgnoresAToggle) {
  hl::QueueModal([&](HWND dlg) {
    ::EnableWindow(::GetDlgItem(dlg, IDC_CHECK_SORT_BY_NAME), FALSE);
    emu::UserToggled(Control(dlg, IDC_CHECK_SORT_BY_NAME), true);
    EXPECT_FALSE(hl::IsChecked(::GetDlgItem(dlg, IDC_CHECK_SORT_BY_NAME)));
    return INT_PTR{IDOK};
  });
  CQuorvelDlg dlg;
  dlg.DoModal();
}

TEST_F(UserInput, ThePopupHoldsTheSystemMenuAndItsAboutEntryOpensTheAboutBox) {
  hl::QueueModal([&](HWND dlg) {
    emu::Window& dialog = *emu::FromHandle(dlg);
    const std::vector<emu::PopupEntry> popup = emu::SystemMenuPopup(dialog);
    EXPECT_EQ(popup.size(), 2u);
    if (popup.size() != 2u) return INT_PTR{IDOK};
    EXPECT_EQ(popup[0].label, L"&Close");  // the accelerator column is cut off
    EXPECT_EQ(popup[0].id, SC_CLOSE);
    EXPECT_FALSE(popup[0].separatorBefore);
    EXPECT_EQ(popup[1].label, L"&About Quorvel...");
    EXPECT_EQ(popup[1].id, 16u);
    EXPECT_TRUE(popup[1].separatorBefore);
    hl::QueueModal([](HWND) { return INT_PTR{IDOK}; });
    emu::UserPickedMenu(dialog, popup[1].id);
    EXPECT_FALSE(dialog.ended);
    return INT_PTR{IDOK};
  });
  CQuorvelDlg dlg;
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(hl::Recorded().modalTemplates, (std::vector<UINT>{IDD_QUORVEL_DIALOG, IDD_ABOUTBOX}));
}

// Clicks on a list's lines as a list box reports them: LBN_SELCHANGE only
// when the selection changed, LBN_DBLCLK for each double-click; a list that
// does not notify, or a disabled one, tells nothing.
struct LineCase {
  const char* name;
  DWORD listStyle;
  bool enabled;
  std::vector<std::pair<int, bool>> clicks;  // line, double
  std::vector<WORD> codes;
  int selected;
};

class LineClicks : public ::testing::TestWithParam<LineCase> {};

TEST_P(LineClicks, NotifyAsAListBoxDoes) {
  const LineCase& c = GetParam();
  hl::Reset();
  const DialogItem items[] = {
      {7, kListBoxClass, nullptr, 0, 5, 5, 80, 40, c.listStyle, 0},
  };
  const DialogTemplate tmpl = {901, L"Lines", L"MS Shell Dlg", 8, 100, 50, WS_POPUP, 0, items};
  static std::vector<WORD> codes;
  codes.clear();
  const WNDPROC proc = [](HWND, UINT msg, WPARAM wParam, LPARAM) -> LRESULT {
    if (msg == WM_COMMAND && LOWORD(wParam) == 7) codes.push_back(HIWORD(wParam));
    return 0;
  };
  int selected = -2;
  hl::QueueModal([&](HWND dlg) {
    HWND list = ::GetDlgItem(dlg, 7);
    for (const wchar_t* line : {L"a", L"b", L"c"}) {
      ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line));
    }
    ::EnableWindow(list, c.enabled ? TRUE : FALSE);
    for (const auto& [line, twice] : c.clicks)
      emu::UserClickedLine(*emu::FromHandle(list), line, twice);
    selected = static_cast<int>(::SendMessageW(list, LB_GETCURSEL, 0, 0));
    return INT_PTR{IDCANCEL};
  });
  ::DialogBoxTemplateW(::GetModuleHandleW(nullptr), tmpl, nullptr, proc, 0);
  EXPECT_EQ(codes, c.codes);
  EXPECT_EQ(selected, c.selected);
}

INSTANTIATE_TEST_SUITE_P(
    Input, LineClicks,
    ::testing::Values(
        LineCase{"ClickThenDoubleClick",
                 LBS_NOTIFY,
                 true,
                 {{1, false}, {1, true}},
                 {LBN_SELCHANGE, LBN_DBLCLK},
                 1},
        LineCase{"DoubleClickOnAnotherLine",
                 LBS_NOTIFY,
                 true,
                 {{0, false}, {2, true}},
                 {LBN_SELCHANGE, LBN_SELCHANGE, LBN_DBLCLK},
                 2},
        LineCase{"SameLineAgain", LBS_NOTIFY, true, {{1, false}, {1, false}}, {LBN_SELCHANGE}, 1},
        LineCase{"WithoutNotify", 0, true, {{1, true}}, {}, 1},
        LineCase{"NoSelectionStillNotifiesDoubleClicks",
                 LBS_NOTIFY | LBS_NOSEL,
                 true,
                 {{1, true}},
                 {LBN_DBLCLK},
                 static_cast<int>(LB_ERR)},
        LineCase{"Disabled", LBS_NOTIFY, false, {{1, true}}, {}, static_cast<int>(LB_ERR)}),
    [](const auto& info) { return std::string(info.param.name); });

// The selection keys on a focused list, as a Windows list box answers them:
// the list of 20 lines shows 5 (40 dialog units), so a page moves 4.
struct ListKeyCase {
  const char* name;
  int from;  // the selected line before, or -1
  Key key;
  bool shift;
  int to;  // the selected line after
};

class ListKeys : public ::testing::TestWithParam<ListKeyCase> {};

TEST_P(ListKeys, MoveTheSelectionAndBringItIntoView) {
  const ListKeyCase& c = GetParam();
  hl::Reset();
  const DialogItem items[] = {
      {7, kListBoxClass, nullptr, 0, 5, 5, 80, 40, LBS_NOTIFY | WS_TABSTOP, 0},
  };
  const DialogTemplate tmpl = {902, L"Keys", L"MS Shell Dlg", 8, 100, 50, WS_POPUP, 0, items};
  static std::vector<WORD> codes;
  codes.clear();
  const WNDPROC proc = [](HWND, UINT msg, WPARAM wParam, LPARAM) -> LRESULT {
    if (msg == WM_COMMAND && LOWORD(wParam) == 7) codes.push_back(HIWORD(wParam));
    return 0;
  };
  int selected = -2;
  hl::QueueModal([&](HWND dlg) {
    HWND list = ::GetDlgItem(dlg, 7);
    for (int i = 0; i < 20; ++i) {
      const std::wstring line = L"line " + std::to_wstring(i);
      ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    }
    ::SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(c.from), 0);
    EXPECT_EQ(emu::UserKey(*emu::FromHandle(dlg), emu::FromHandle(list), {c.key, c.shift, false}),
              KeyAction::Done);
    selected = static_cast<int>(::SendMessageW(list, LB_GETCURSEL, 0, 0));
    return INT_PTR{IDCANCEL};
  });
  ::DialogBoxTemplateW(::GetModuleHandleW(nullptr), tmpl, nullptr, proc, 0);
  EXPECT_EQ(selected, c.to);
  EXPECT_EQ(codes, c.to != c.from ? std::vector<WORD>{LBN_SELCHANGE} : std::vector<WORD>{});
  EXPECT_EQ(hl::Recorded().shownLines, std::vector<int>{c.to});
}

INSTANTIATE_TEST_SUITE_P(
    Input, ListKeys,
    ::testing::Values(ListKeyCase{"NoneDown", -1, Key::Down, false, 0},
                      ListKeyCase{"NoneUp", -1, Key::Up, false, 0},
                      ListKeyCase{"NoneHome", -1, Key::Home, false, 0},
                      ListKeyCase{"NoneEnd", -1, Key::End, false, 19},
                      ListKeyCase{"NonePageDown", -1, Key::PageDown, false, 0},
                      ListKeyCase{"Up", 5, Key::Up, false, 4},
                      ListKeyCase{"Down", 5, Key::Down, false, 6},
                      ListKeyCase{"ShiftDown", 5, Key::Down, true, 6},
                      ListKeyCase{"PageUp", 5, Key::PageUp, false, 1},
                      ListKeyCase{"PageUpStopsAtTheTop", 2, Key::PageUp, false, 0},
                      ListKeyCase{"PageDown", 5, Key::PageDown, false, 9},
                      ListKeyCase{"PageDownStopsAtTheEnd", 17, Key::PageDown, false, 19},
                      ListKeyCase{"Home", 5, Key::Home, false, 0},
                      ListKeyCase{"End", 5, Key::End, false, 19},
                      ListKeyCase{"UpAtTheTop", 0, Key::Up, false, 0},
                      ListKeyCase{"DownAtTheEnd", 19, Key::Down, false, 19}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
