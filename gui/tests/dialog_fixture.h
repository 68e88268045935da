// What the dialog tests share: a fresh headless backend and fake engine for
// every test, the application object the dialogs load their icon through,
// the main dialog run with a session of the user's, and its controls read
// back.
#ifndef QUORVEL_GUI_TESTS_DIALOG_FIXTURE_H_
#define QUORVEL_GUI_TESTS_DIALOG_FIXTURE_H_

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "gui/quorvel_app.h"
#include "gui/quorvel_dlg.h"
#include "gui/resources/resource.h"
#include "gui/tests/fake_engine.h"
#include "platform/headless/headless.h"

inline HWND Item(HWND dlg, int id) {
  return ::GetDlgItem(dlg, id);
}
inline bool ExtractEnabled(HWND dlg) {
  return ::IsWindowEnabled(Item(dlg, IDC_BUTTON_EXTRACT)) != FALSE;
}
inline std::vector<std::wstring> Lines(HWND dlg) {
  return qv::headless::ListLines(Item(dlg, IDC_LIST_STATUS));
}
// "Load TAV", with the open dialog answering `paths`.
inline void Load(HWND dlg, const std::vector<std::wstring>& paths) {
  qv::headless::QueueFileDialog(paths);
  qv::headless::Click(dlg, IDC_BUTTON_LOAD);
}
// Every path the engine received, in order.
inline std::vector<std::string> EnginePaths() {
  std::vector<std::string> paths;
  for (const fake_engine::Call& c : fake_engine::Calls()) paths.push_back(c.path);
  return paths;
}

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    qv::headless::Reset();
    fake_engine::Reset();
  }

  // Runs the main dialog modally, as the application's main window as start-up
  // makes it; `session` is what the user does in it, after which the dialog
  // must still be open: it ends here with IDCANCEL.
  void Run(const std::function<void(HWND)>& session) {
    qv::headless::QueueModal([&](HWND dlg) {
      session(dlg);
      return INT_PTR{IDCANCEL};
    });
    CQuorvelDlg dlg;
    app_.m_pMainWnd = &dlg;
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    app_.m_pMainWnd = nullptr;
  }

  CQuorvelApp app_;
};

#endif  // QUORVEL_GUI_TESTS_DIALOG_FIXTURE_H_
