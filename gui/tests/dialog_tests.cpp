// The main dialog, the About box and the application object, driven through
// the headless backend the way a user drives the real window.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "gui/path_narrowing.h"
#include "gui/quorvel_app.h"
#include "gui/quorvel_dlg.h"
#include "gui/resources/resource.h"
#include "gui/tests/dialog_fixture.h"
#include "gui/tests/fake_engine.h"
#include "gui/tests/narrowing_cases.h"
#include "gui/tests/platform_paths.h"
#include "job/status_line.h"
#include "platform/afx/afx.h"
#include "platform/headless/headless.h"

namespace hl = qv::headless;

namespace {

using Paths = std::vector<std::wstring>;

void CancelLoad(HWND dlg) {
  hl::QueueFileDialog(std::nullopt);
  hl::Click(dlg, IDC_BUTTON_LOAD);
}
void Extract(HWND dlg) {
  hl::Click(dlg, IDC_BUTTON_EXTRACT);
}

// ---- Idle and Loaded ----

enum class Act { Load, Cancel, Extract, LoadBadFirst };

struct Step {
  Act act;
  Paths paths;
  bool extractEnabled;  // after the step
  std::size_t lines;    // status lines after the step
};

struct StateCase {
  const char* name;
  std::vector<Step> steps;
  std::vector<std::string> engineGot;  // every path the engine received, in order
};

class StateTable : public DialogTest, public ::testing::WithParamInterface<StateCase> {};

TEST_P(StateTable, QueueListAndExtractButtonFollowTheStates) {
  const StateCase& c = GetParam();
  Run([&](HWND dlg) {
    EXPECT_FALSE(ExtractEnabled(dlg)) << "Idle at start";
    EXPECT_TRUE(Lines(dlg).empty());
    for (std::size_t i = 0; i < c.steps.size(); ++i) {
      const Step& s = c.steps[i];
      switch (s.act) {
        case Act::Load:
          Load(dlg, s.paths);
          break;
        case Act::Cancel:
          CancelLoad(dlg);
          break;
        case Act::Extract:
          Extract(dlg);
          break;
        case Act::LoadBadFirst: {
          Paths paths = s.paths;
          paths.insert(paths.begin(), P(L"/m/bad\xD800.tav"));
          Load(dlg, paths);
          break;
        }
      }
      EXPECT_EQ(ExtractEnabled(dlg), s.extractEnabled) << "after step " << i;
      EXPECT_EQ(Lines(dlg).size(), s.lines) << "after step " << i;
    }
  });
  EXPECT_EQ(EnginePaths(), c.engineGot);
}

INSTANTIATE_TEST_SUITE_P(
    Dialog, StateTable,
    ::testing::Values(StateCase{"LoadThenExtract",
                                {{Act::Load, {P(L"/m/a.tav"), P(L"/m/b.tav")}, true, 0},
                                 {Act::Extract, {}, false, 2}},
                                {N("/m/a.tav"), N("/m/b.tav")}},
                      StateCase{"SecondLoadReplacesTheQueue",
                                {{Act::Load, {P(L"/m/a.tav")}, true, 0},
                                 {Act::Load, {P(L"/n/b.tav"), P(L"/n/c.tav")}, true, 0},
                                 {Act::Extract, {}, false, 2}},
                                {N("/n/b.tav"), N("/n/c.tav")}},
                      StateCase{"CancelledLoadKeepsTheFirst",
                                {{Act::Load, {P(L"/m/a.tav")}, true, 0},
                                 {Act::Cancel, {}, true, 0},
                                 {Act::Extract, {}, false, 1}},
                                {N("/m/a.tav")}},
                      StateCase{"CancelAtStartChangesNothing",
                                {{Act::Cancel, {}, false, 0}, {Act::Extract, {}, false, 0}},
                                {}},
                      StateCase{"SuccessfulLoadEmptiesTheListAtOnce",
                                {{Act::Load, {P(L"/m/a.tav"), P(L"/m/b.tav")}, true, 0},
                                 {Act::Extract, {}, false, 2},
                                 {Act::Cancel, {}, false, 2},
                                 {Act::Load, {P(L"/m/c.tav")}, true, 0},
                                 {Act::Extract, {}, false, 1}},
                                {N("/m/a.tav"), N("/m/b.tav"), N("/m/c.tav")}},
                      StateCase{"ExtractNeedsANewLoad",
                                {{Act::Load, {P(L"/m/a.tav")}, true, 0},
                                 {Act::Extract, {}, false, 1},
                                 {Act::Extract, {}, false, 1}},
                                {N("/m/a.tav")}},
                      // The first path cannot be narrowed: the list is emptied and Extract!
                      // enabled, but nothing is queued; Extract! then adds nothing.
                      StateCase{"FailedNarrowingLeavesAnEmptyQueue",
                                {{Act::Load, {P(L"/m/a.tav")}, true, 0},
                                 {Act::Extract, {}, false, 1},
                                 {Act::LoadBadFirst, {P(L"/m/b.tav")}, true, 0},
                                 {Act::Extract, {}, false, 0}},
                                {N("/m/a.tav")}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DialogTest, NarrowingFailureKeepsThePathsBeforeIt) {
  Run([&](HWND dlg) {
    Load(dlg, {P(L"/m/a.tav"), P(L"/m/b\xDFFF.tav"), P(L"/m/c.tav")});
    EXPECT_TRUE(ExtractEnabled(dlg));
    Extract(dlg);
  });
  EXPECT_EQ(EnginePaths(), std::vector<std::string>{N("/m/a.tav")});
}

// More files than the 2562 characters of the buffer hold: every one is
// queued, in selection order, whether within one folder or not.
TEST_F(DialogTest, SelectionTooLongForTheBufferIsQueuedWhole) {
  for (const bool oneFolder : {true, false}) {
    SCOPED_TRACE(oneFolder);
    fake_engine::Reset();
    Paths many;
    std::vector<std::string> queued;
    for (int i = 0; i < 200; ++i) {
      const std::string folder = oneFolder || i % 2 == 0 ? "/m/" : "/\xD0\x9F/";
      many.push_back(P((oneFolder || i % 2 == 0 ? L"/m/" : L"/\u041f/") + std::wstring(L"model_") +
                       std::to_wstring(i) + L".tav"));
      queued.push_back(N(folder + "model_" + std::to_string(i) + ".tav"));
    }
    Run([&](HWND dlg) {
      Load(dlg, {P(L"/m/a.tav")});
      Load(dlg, many);  // about 3000 characters and more
      EXPECT_TRUE(ExtractEnabled(dlg));
      Extract(dlg);
      EXPECT_EQ(Lines(dlg).size(), many.size());
    });
    EXPECT_EQ(EnginePaths(), queued);
  }
}

// The same dialog object, used again, forgets the selection it kept.
TEST_F(DialogTest, KeptSelectionIsForgottenByTheNextChoice) {
  Paths many;
  for (int i = 0; i < 200; ++i) many.push_back(P(L"/m/model_" + std::to_wstring(i) + L".tav"));
  CFileDialog box(TRUE, nullptr, nullptr, OFN_ALLOWMULTISELECT, nullptr);
  std::vector<wchar_t> buffer(2562, L'\0');
  box.GetOFN().lpstrFile = buffer.data();
  box.GetOFN().nMaxFile = 2562;
  const auto chosen = [&] {
    std::vector<std::wstring> out;
    for (POSITION pos = box.GetStartPosition(); pos != nullptr;)
      out.emplace_back(box.GetNextPathName(pos).GetString());
    return out;
  };
  hl::QueueFileDialog(many);
  ASSERT_EQ(box.DoModal(), IDOK);
  EXPECT_EQ(chosen(), many);
  hl::QueueFileDialog(Paths{P(L"/m/b.tav")});
  ASSERT_EQ(box.DoModal(), IDOK);
  EXPECT_EQ(chosen(), std::vector<std::wstring>{P(L"/m/b.tav")});
  hl::QueueFileDialog(many);
  ASSERT_EQ(box.DoModal(), IDOK);
  hl::QueueFileDialog(std::nullopt);
  EXPECT_EQ(box.DoModal(), IDCANCEL);
}

TEST_F(DialogTest, OpenDialogIsAskedForMultipleTavFiles) {
  Run([&](HWND dlg) { CancelLoad(dlg); });
  ASSERT_EQ(hl::Recorded().fileDialogs.size(), 1u);
  const hl::FileDialogRequest& r = hl::Recorded().fileDialogs[0];
  EXPECT_EQ(r.filter, (std::vector<std::wstring>{L"Rule Profile (*.tav)", L"*.tav*"}));
  EXPECT_NE(r.flags & OFN_ALLOWMULTISELECT, 0u);
  EXPECT_EQ(r.maxFile, 2562u);
  EXPECT_EQ(r.defaultExtension, L"tav");
  EXPECT_TRUE(r.initialNameEmpty);
  EXPECT_FALSE(r.hasTitle);
}

// ---- Options ----

struct FlagCase {
  const char* name;
  std::vector<int> clicks;
  std::int32_t sort, beside, analyze;
};

class Flags : public DialogTest, public ::testing::WithParamInterface<FlagCase> {};

TEST_P(Flags, FollowTheClicksInTheirOwnArgumentSlot) {
  const FlagCase& c = GetParam();
  Run([&](HWND dlg) {
    for (int id : c.clicks) hl::Click(dlg, id);
    Load(dlg, {L"/m/a.tav"});
    Extract(dlg);
  });
  ASSERT_EQ(fake_engine::Calls().size(), 1u);
  const fake_engine::Call& call = fake_engine::Calls()[0];
  EXPECT_EQ(call.sortByName, c.sort);
  EXPECT_EQ(call.saveBesideExtractor, c.beside);
  EXPECT_EQ(call.analyzeConnector, c.analyze);
}

INSTANTIATE_TEST_SUITE_P(
    Dialog, Flags,
    ::testing::Values(
        FlagCase{"None", {}, 0, 0, 0}, FlagCase{"SortByName", {IDC_CHECK_SORT_BY_NAME}, 1, 0, 0},
        FlagCase{"SaveBeside", {IDC_CHECK_SAVE_BESIDE}, 0, 1, 0},
        FlagCase{"AnalyzeConnector", {IDC_CHECK_ANALYZE_CONNECTOR}, 0, 0, 1},
        FlagCase{"TickedAndUnticked", {IDC_CHECK_SAVE_BESIDE, IDC_CHECK_SAVE_BESIDE}, 0, 0, 0},
        FlagCase{"All",
                 {IDC_CHECK_ANALYZE_CONNECTOR, IDC_CHECK_SORT_BY_NAME, IDC_CHECK_SAVE_BESIDE},
                 1,
                 1,
                 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DialogTest, FlagsAreReadOnClicksNotWhenExtracting) {
  Run([&](HWND dlg) {
    // Ticked without a click (no BN_CLICKED): the flag stays 0.
    ::SendMessageW(Item(dlg, IDC_CHECK_SORT_BY_NAME), BM_SETCHECK, BST_CHECKED, 0);
    // Clicked, then unticked without a click: the flag stays 1.
    hl::Click(dlg, IDC_CHECK_ANALYZE_CONNECTOR);
    ::SendMessageW(Item(dlg, IDC_CHECK_ANALYZE_CONNECTOR), BM_SETCHECK, BST_UNCHECKED, 0);
    Load(dlg, {L"/m/a.tav"});
    Extract(dlg);
    // A batch leaves the boxes as they are.
    EXPECT_TRUE(hl::IsChecked(Item(dlg, IDC_CHECK_SORT_BY_NAME)));
  });
  ASSERT_EQ(fake_engine::Calls().size(), 1u);
  EXPECT_EQ(fake_engine::Calls()[0].sortByName, 0);
  EXPECT_EQ(fake_engine::Calls()[0].analyzeConnector, 1);
}

// ---- The batch ----

// The status line of a queued path as the list shows it: the report's line,
// widened.
std::wstring ListLine(const std::string& queued, ExtractResult result) {
  return CString(StatusLine(queued, result).c_str()).GetString();
}

TEST_F(DialogTest, BatchListsEveryFileInQueueOrderAndPassesPathsUnchanged) {
  fake_engine::SetResult([](const std::string& path) {
    return path.find("bad") != std::string::npos ? ExtractResult::Failed : ExtractResult::Completed;
  });
  // A raw byte stands at index 3 where names are bytes (Linux); on Windows an
  // unpaired surrogate cannot be narrowed, so another name takes its place.
#if defined(_WIN32)
  const std::wstring third = P(L"/m/\u041a\u0430\u0431.tav");
  const std::string thirdNarrow = N("/m/\xD0\x9A\xD0\xB0\xD0\xB1.tav");
  const std::wstring thirdLine = L"\u041a\u0430\u0431.tav" + std::wstring(50, L'.') + L"completed";
#else
  const std::wstring third = P(L"/m/raw\xDCFF.tav");
  const std::string thirdNarrow = N("/m/raw\xFF.tav");
  const std::wstring thirdLine = L"raw\xDCFF.tav" + std::wstring(52, L'.') + L"completed";
#endif
  const std::vector<std::string> queued = {N("/D/models/PLANEA.TAV"),
                                           N("/m/bad.tav"),
                                           N("/m/\xC3\x9Cn\xC3\xAF M\xC3\xB6"
                                             "del.tav"),
                                           thirdNarrow,
                                           N("/m/" + std::string(56, 'N') + ".tav"),
                                           N("/other/bad.tav")};
  Run([&](HWND dlg) {
    Load(dlg, {P(L"/D/models/PLANEA.TAV"), P(L"/m/bad.tav"), P(L"/m/Ünï Mödel.tav"), third,
               P(L"/m/" + std::wstring(56, L'N') + L".tav"), P(L"/other/bad.tav")});
    Extract(dlg);
    const std::vector<std::wstring> lines = Lines(dlg);
    ASSERT_EQ(lines.size(), queued.size());
    for (std::size_t i = 0; i < queued.size(); ++i) {
      const bool bad = queued[i].find("bad") != std::string::npos;
      EXPECT_EQ(lines[i],
                ListLine(queued[i], bad ? ExtractResult::Failed : ExtractResult::Completed))
          << i;
    }
    // The name is what follows the platform's last separator. Widened back
    // from the narrow line: only A-Z lowered, a raw byte kept; the dots count
    // bytes.
    EXPECT_EQ(lines[0], L"planea.tav" + std::wstring(50, L'.') + L"completed");
    EXPECT_EQ(lines[2], L"Ünï mödel.tav" + std::wstring(44, L'.') + L"completed");
    EXPECT_EQ(lines[3], thirdLine);
    EXPECT_EQ(lines[4], std::wstring(56, L'n') + L".tavcompleted");
    EXPECT_FALSE(ExtractEnabled(dlg));
  });
  EXPECT_EQ(EnginePaths(), queued);  // exactly as queued: neither lowered nor cut
}

TEST_F(DialogTest, AllFailedStillDisablesExtract) {
  fake_engine::SetResult([](const std::string&) { return ExtractResult::Failed; });
  Run([&](HWND dlg) {
    hl::Click(dlg, IDC_CHECK_SORT_BY_NAME);
    Load(dlg, {P(L"/m/a.tav"), P(L"/m/a.tav")});
    Extract(dlg);
    EXPECT_EQ(Lines(dlg),
              (std::vector<std::wstring>(2, ListLine(N("/m/a.tav"), ExtractResult::Failed))));
    EXPECT_FALSE(ExtractEnabled(dlg));
    EXPECT_TRUE(hl::IsChecked(Item(dlg, IDC_CHECK_SORT_BY_NAME)));
  });
}

// ---- System menu, About, icons ----

TEST_F(DialogTest, SystemMenuGetsTheAboutEntry) {
  Run([&](HWND dlg) {
    const auto menu = hl::SystemMenu(dlg);
    ASSERT_GE(menu.size(), 2u);
    EXPECT_EQ(menu[menu.size() - 2].flags, MF_SEPARATOR);
    EXPECT_EQ(menu.back().flags, MF_STRING);
    EXPECT_EQ(menu.back().id, 16u);
    EXPECT_EQ(menu.back().text, L"&About Quorvel...");
  });
}

struct SysCase {
  const char* name;
  UINT command;
  bool opensAbout;
  bool closesDialog;
};

class SysCommands : public DialogTest, public ::testing::WithParamInterface<SysCase> {};

TEST_P(SysCommands, OnlyCommand16OpensTheAboutBox) {
  const SysCase& c = GetParam();
  bool stillOpen = false;
  Run([&](HWND dlg) {
    Load(dlg, {L"/m/a.tav"});
    hl::QueueModal([&](HWND about) {
      EXPECT_EQ(hl::TemplateOf(about), IDD_ABOUTBOX);
      EXPECT_EQ(hl::TextOf(about), L"About Quorvel");
      // The first control is the icon static showing icon 134.
      EXPECT_EQ(hl::IconOf(::GetDlgItem(about, IDC_STATIC)), hl::BigIcon(dlg));
      hl::Click(about, IDOK);
      return INT_PTR{IDCANCEL};  // ignored: OK ended the box already
    });
    ::SendMessageW(dlg, WM_SYSCOMMAND, c.command, 0);
    // Dialog state is untouched by the About box.
    if (!c.closesDialog) {
      EXPECT_TRUE(ExtractEnabled(dlg));
      stillOpen = true;
    }
  });
  const std::vector<UINT> expected = c.opensAbout
                                         ? std::vector<UINT>{IDD_QUORVEL_DIALOG, IDD_ABOUTBOX}
                                         : std::vector<UINT>{IDD_QUORVEL_DIALOG};
  EXPECT_EQ(hl::Recorded().modalTemplates, expected);
  EXPECT_EQ(stillOpen, !c.closesDialog);
}

INSTANTIATE_TEST_SUITE_P(Dialog, SysCommands,
                         ::testing::Values(SysCase{"About", 16, true, false},
                                           SysCase{"AboutWithLowBits", 0x1F, true, false},
                                           SysCase{"Other", 0x20, false, false},
                                           SysCase{"Close", SC_CLOSE, false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DialogTest, IconIsTheWindowsBigAndSmallIconAndTheDragIcon) {
  Run([&](HWND dlg) {
    const HICON icon = hl::BigIcon(dlg);
    EXPECT_NE(icon, nullptr);
    EXPECT_EQ(hl::SmallIcon(dlg), icon);
    EXPECT_EQ(reinterpret_cast<HICON>(::SendMessageW(dlg, WM_QUERYDRAGICON, 0, 0)), icon);
  });
}

struct IconCase {
  int width, height;
  int x, y;
};

class MinimisedIcon : public DialogTest, public ::testing::WithParamInterface<IconCase> {};

TEST_P(MinimisedIcon, IsCentredWithDivisionTowardZero) {
  const IconCase& c = GetParam();
  Run([&](HWND dlg) {
    hl::SetIconic(dlg, true);
    hl::SetClientSize(dlg, c.width, c.height);
    ::SendMessageW(dlg, WM_PAINT, 0, 0);
    const auto& drawn = hl::Recorded().drawn;
    ASSERT_EQ(drawn.size(), 2u);
    EXPECT_EQ(drawn[0].kind, hl::DrawOp::EraseIconBackground);
    EXPECT_EQ(drawn[1].kind, hl::DrawOp::Icon);
    EXPECT_EQ(drawn[1].x, c.x);
    EXPECT_EQ(drawn[1].y, c.y);
    EXPECT_EQ(drawn[1].icon, hl::BigIcon(dlg));
  });
}

// The icon is 32 x 32.
INSTANTIATE_TEST_SUITE_P(Dialog, MinimisedIcon,
                         ::testing::Values(IconCase{437, 325, 203, 147}, IconCase{32, 32, 0, 0},
                                           IconCase{33, 34, 1, 1}, IconCase{0, 0, -15, -15},
                                           IconCase{1, 2, -15, -14}, IconCase{160, 0, 64, -15}),
                         [](const auto& info) {
                           return "Client" + std::to_string(info.param.width) + "x" +
                                  std::to_string(info.param.height);
                         });

TEST_F(DialogTest, NotMinimisedPaintsNormally) {
  Run([&](HWND dlg) {
    ::SendMessageW(dlg, WM_PAINT, 0, 0);
    ASSERT_EQ(hl::Recorded().drawn.size(), 1u);
    EXPECT_EQ(hl::Recorded().drawn[0].kind, hl::DrawOp::DefaultPaint);
  });
}

// ---- Modal boxes: owned, with their owner disabled ----

enum class Box { About, Open };
enum class Parent { None, Host };
enum class MainWnd { Host, None, TheBox };

struct OwnerCase {
  const char* name;
  Box box;
  Parent parent;
  MainWnd main;
  bool hostDisabledBefore;
  bool ownedByHost;
};

class Owners : public DialogTest, public ::testing::WithParamInterface<OwnerCase> {};

// A host dialog runs a box; the box reports its owner and whether the host was
// enabled while it ran. The host's state must be back as it was afterwards.
TEST_P(Owners, BoxIsOwnedAndItsOwnerDisabledUntilItEnds) {
  const OwnerCase& c = GetParam();
  CDialogEx host(IDD_QUORVEL_DIALOG);
  HWND owner = nullptr;
  bool hostEnabledDuring = true;
  hl::QueueModal([&](HWND hostWnd) {
    if (c.hostDisabledBefore) ::EnableWindow(hostWnd, FALSE);
    CWnd* parent = c.parent == Parent::Host ? &host : nullptr;
    if (c.box == Box::About) {
      CDialogEx box(IDD_ABOUTBOX, parent);
      app_.m_pMainWnd = c.main == MainWnd::Host     ? &host
                        : c.main == MainWnd::TheBox ? &box
                                                    : nullptr;
      hl::QueueModal([&](HWND boxWnd) {
        owner = ::GetParent(boxWnd);
        hostEnabledDuring = ::IsWindowEnabled(hostWnd) != FALSE;
        hl::Click(boxWnd, IDOK);
        // Ended but not yet destroyed: the owner is enabled already.
        EXPECT_EQ(::IsWindowEnabled(hostWnd) != FALSE, !c.hostDisabledBefore);
        return INT_PTR{IDCANCEL};
      });
      EXPECT_EQ(box.DoModal(), IDOK);
    } else {
      app_.m_pMainWnd = c.main == MainWnd::Host ? &host : nullptr;
      hl::QueueFileDialog(std::nullopt, [&](HWND ofnOwner) {
        owner = ofnOwner;
        hostEnabledDuring = ::IsWindowEnabled(hostWnd) != FALSE;
      });
      CFileDialog box(TRUE, nullptr, nullptr, 0, nullptr, parent);
      EXPECT_EQ(box.DoModal(), IDCANCEL);
    }
    app_.m_pMainWnd = nullptr;
    EXPECT_EQ(owner, c.ownedByHost ? hostWnd : nullptr);
    EXPECT_EQ(hostEnabledDuring, !c.ownedByHost && !c.hostDisabledBefore);
    EXPECT_EQ(::IsWindowEnabled(hostWnd) != FALSE, !c.hostDisabledBefore);
    return INT_PTR{IDCANCEL};
  });
  EXPECT_EQ(host.DoModal(), IDCANCEL);
}

INSTANTIATE_TEST_SUITE_P(
    Dialog, Owners,
    ::testing::Values(
        OwnerCase{"AboutWithoutParentIsOwnedByTheMainWindow", Box::About, Parent::None,
                  MainWnd::Host, false, true},
        OwnerCase{"AboutOwnedByItsParent", Box::About, Parent::Host, MainWnd::None, false, true},
        OwnerCase{"AboutWithoutParentOrMainWindowIsUnowned", Box::About, Parent::None,
                  MainWnd::None, false, false},
        // The main dialog itself, run by start-up: nothing owns it.
        OwnerCase{"TheMainWindowOwnsNotItself", Box::About, Parent::None, MainWnd::TheBox, false,
                  false},
        OwnerCase{"AboutLeavesADisabledOwnerDisabled", Box::About, Parent::None, MainWnd::Host,
                  true, true},
        OwnerCase{"OpenWithoutParentIsOwnedByTheMainWindow", Box::Open, Parent::None, MainWnd::Host,
                  false, true},
        OwnerCase{"OpenOwnedByItsParent", Box::Open, Parent::Host, MainWnd::None, false, true},
        OwnerCase{"OpenWithoutParentOrMainWindowIsUnowned", Box::Open, Parent::None, MainWnd::None,
                  false, false},
        OwnerCase{"OpenLeavesADisabledOwnerDisabled", Box::Open, Parent::None, MainWnd::Host, true,
                  true}),
    [](const auto& info) { return std::string(info.param.name); });

// What a posted click or command tries on the main dialog while it owns a box.
enum class Poke { Load, Extract, About, Close };

struct NestCase {
  const char* name;
  Box box;
  Poke poke;
};

class NoNesting : public DialogTest, public ::testing::WithParamInterface<NestCase> {};

TEST_P(NoNesting, MainDialogRunsNoHandlerWhileItOwnsABox) {
  const NestCase& c = GetParam();
  Run([&](HWND dlg) {
    Load(dlg, {L"/m/a.tav"});
    auto poke = [&](HWND owner) {
      EXPECT_EQ(owner, dlg);
      EXPECT_FALSE(::IsWindowEnabled(dlg));
      switch (c.poke) {
        case Poke::Load:
          Load(dlg, {L"/m/other.tav"});
          break;
        case Poke::Extract:
          Extract(dlg);
          break;
        case Poke::About:
          ::SendMessageW(dlg, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
          break;
        case Poke::Close:
          ::SendMessageW(dlg, WM_CLOSE, 0, 0);
          break;
      }
    };
    if (c.box == Box::About) {
      hl::QueueModal([&](HWND about) {
        poke(::GetParent(about));
        return INT_PTR{IDOK};
      });
      ::SendMessageW(dlg, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    } else {
      hl::QueueFileDialog(std::nullopt, poke);  // cancelled: the queue stays
      hl::Click(dlg, IDC_BUTTON_LOAD);
    }
    // Back as it was, and still open: the first load is what Extract! runs.
    EXPECT_TRUE(::IsWindowEnabled(dlg));
    EXPECT_TRUE(ExtractEnabled(dlg));
    EXPECT_TRUE(fake_engine::Calls().empty());
    Extract(dlg);
  });
  EXPECT_EQ(EnginePaths(), std::vector<std::string>{"/m/a.tav"});
  const std::vector<UINT> modals = c.box == Box::About
                                       ? std::vector<UINT>{IDD_QUORVEL_DIALOG, IDD_ABOUTBOX}
                                       : std::vector<UINT>{IDD_QUORVEL_DIALOG};
  EXPECT_EQ(hl::Recorded().modalTemplates, modals);
  EXPECT_EQ(hl::Recorded().fileDialogs.size(), c.box == Box::Open ? 2u : 1u);
}

INSTANTIATE_TEST_SUITE_P(Dialog, NoNesting,
                         ::testing::Values(NestCase{"LoadDuringAbout", Box::About, Poke::Load},
                                           NestCase{"ExtractDuringAbout", Box::About,
                                                    Poke::Extract},
                                           NestCase{"AboutDuringAbout", Box::About, Poke::About},
                                           NestCase{"CloseDuringAbout", Box::About, Poke::Close},
                                           NestCase{"LoadDuringOpen", Box::Open, Poke::Load},
                                           NestCase{"ExtractDuringOpen", Box::Open, Poke::Extract},
                                           NestCase{"AboutDuringOpen", Box::Open, Poke::About},
                                           NestCase{"CloseDuringOpen", Box::Open, Poke::Close}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Narrowing ----

// The shared table: Windows' own rules on Windows, the same results here.
TEST(NarrowPath, FollowsTheSharedTable) {
  for (const narrowing_cases::PathCase& c : narrowing_cases::PathCases()) {
    SCOPED_TRACE(c.name);
    if (c.error == 0) {
      EXPECT_EQ(NarrowPath(c.wide.c_str()), c.narrow);
      continue;
    }
    try {
      NarrowPath(c.wide.c_str());
      ADD_FAILURE() << "no exception";
    } catch (const COleException& e) {
      EXPECT_EQ(e.m_sc, HRESULT_FROM_WIN32(c.error));
    }
  }
}

#if !defined(_WIN32)
// Linux names are bytes: those that are not UTF-8 come back as they were.
TEST(NarrowPath, KeepsBytesThatAreNotUtf8) {
  EXPECT_EQ(NarrowPath(L"/m/\xDC80\xDCFF"), "/m/\x80\xFF");
}
#endif

#if WCHAR_MAX > 0xFFFF
TEST(NarrowPath, BeyondUnicodeThrows) {
  EXPECT_THROW(NarrowPath(L"a\x110000"), COleException);
}
#endif

// The list line is the narrow status line widened by the same code page.
TEST(NarrowPath, StatusLineReadsBackAsTheWideName) {
  const std::wstring name = L"\u041a\u0430\u0431\u0438\u043d\u0430.tav";
  const std::string line =
      StatusLine(NarrowPath((L"m" + std::wstring(1, kPathSeparator) + name).c_str()),
                 ExtractResult::Completed);
  // Dots are counted in bytes: six two-byte letters and ".tav".
  EXPECT_EQ(CString(line.c_str()).GetString(), name + std::wstring(44, L'.') + L"completed");
}

// ---- Application ----

TEST(Application, EveryStartBeginsUntickedAndEmpty) {
  hl::Reset();
  fake_engine::Reset();
  CQuorvelApp app;
  EXPECT_EQ(app.m_dwRestartManagerSupportFlags, 1u);
  hl::QueueModal([](HWND dlg) {
    for (int id : {IDC_CHECK_SORT_BY_NAME, IDC_CHECK_SAVE_BESIDE, IDC_CHECK_ANALYZE_CONNECTOR}) {
      hl::Click(dlg, id);
    }
    Load(dlg, {L"/m/a.tav"});
    Extract(dlg);
    return INT_PTR{IDCANCEL};
  });
  hl::QueueModal([](HWND dlg) {
    for (int id : {IDC_CHECK_SORT_BY_NAME, IDC_CHECK_SAVE_BESIDE, IDC_CHECK_ANALYZE_CONNECTOR}) {
      EXPECT_FALSE(hl::IsChecked(Item(dlg, id)));
    }
    EXPECT_TRUE(Lines(dlg).empty());
    EXPECT_FALSE(ExtractEnabled(dlg));
    Load(dlg, {L"/m/b.tav"});
    Extract(dlg);
    return INT_PTR{IDOK};
  });
  EXPECT_EQ(app.InitInstance(), FALSE);
  EXPECT_EQ(app.m_pMainWnd, nullptr);
  EXPECT_EQ(app.InitInstance(), FALSE);
  EXPECT_EQ(hl::Recorded().modalTemplates,
            (std::vector<UINT>{IDD_QUORVEL_DIALOG, IDD_QUORVEL_DIALOG}));
  ASSERT_EQ(fake_engine::Calls().size(), 2u);
  EXPECT_EQ(fake_engine::Calls()[1].path, "/m/b.tav");
  EXPECT_EQ(fake_engine::Calls()[1].sortByName, 0);
  EXPECT_EQ(fake_engine::Calls()[1].analyzeConnector, 0);
}

}  // namespace
