#include <chrono>
#include <deque>
#include <map>
#include <set>
#include <thread>

#include "platform/emulated/backend.h"
#include "platform/emulated/input.h"
#include "platform/headless/headless.h"

namespace qv::headless {
namespace {

struct WindowSettings {
  bool iconic = false;
  std::optional<RECT> client;
};

struct State {
  std::deque<ModalScript> modals;
  struct FileAnswer {
    std::optional<std::vector<std::wstring>> paths;
    FileDialogScript during;
  };
  std::deque<FileAnswer> fileAnswers;
  std::map<const emu::Window*, WindowSettings> settings;
  bool openSucceeds = true;
  PumpScript pump;
  std::set<std::wstring> gone;
  Record record;
};

State& S() {
  static State state;
  return state;
}

emu::Window& Live(HWND h) {
  emu::Window* w = emu::FromHandle(h);
  if (w == nullptr) throw std::logic_error("headless: no such window");
  return *w;
}

class HeadlessBackend final : public emu::Backend {
 public:
  bool CreatePeer(emu::Window&) override { return true; }
  void DestroyPeer(emu::Window& dialog) override { S().settings.erase(&dialog); }

  void RunModal(emu::Window& dialog) override {
    S().record.modalTemplates.push_back(dialog.dialog->id);
    if (S().modals.empty()) {
      ::EndDialog(emu::ToHandle(&dialog), IDCANCEL);
      return;
    }
    ModalScript script = std::move(S().modals.front());
    S().modals.pop_front();
    const INT_PTR result = script(emu::ToHandle(&dialog));
    if (!dialog.ended) ::EndDialog(emu::ToHandle(&dialog), result);
  }

  void Changed(emu::Window&) override {}

  void PumpMessages(emu::Window& dialog, int waitMilliseconds) override {
    ++S().record.pumps;
    if (S().pump) S().pump(emu::ToHandle(&dialog));
    if (waitMilliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }

  void Focus(emu::Window& control) override { S().record.focused.push_back(control.id); }

  bool DocumentExists(const std::wstring& path) override { return S().gone.count(path) == 0; }

  void ShowLine(emu::Window&, int line) override { S().record.shownLines.push_back(line); }

  bool ChooseFiles(const OPENFILENAMEW& ofn, std::vector<std::wstring>& paths) override {
    FileDialogRequest req;
    for (const wchar_t* p = ofn.lpstrFilter; p != nullptr && *p != L'\0'; p += std::wcslen(p) + 1) {
      req.filter.emplace_back(p);
    }
    req.flags = ofn.Flags;
    req.maxFile = ofn.nMaxFile;
    req.defaultExtension = ofn.lpstrDefExt != nullptr ? ofn.lpstrDefExt : L"";
    req.initialNameEmpty = ofn.lpstrFile[0] == L'\0';
    req.hasTitle = ofn.lpstrTitle != nullptr;
    req.owner = ofn.hwndOwner;
    req.ownerEnabled = ofn.hwndOwner != nullptr && ::IsWindowEnabled(ofn.hwndOwner);
    S().record.fileDialogs.push_back(std::move(req));
    if (S().fileAnswers.empty()) return false;
    State::FileAnswer answer = std::move(S().fileAnswers.front());
    S().fileAnswers.pop_front();
    if (answer.during) answer.during(ofn.hwndOwner);
    if (!answer.paths) return false;
    paths = std::move(*answer.paths);
    return true;
  }

  bool IsIconic(const emu::Window& w) override {
    auto it = S().settings.find(&w);
    return it != S().settings.end() && it->second.iconic;
  }

  RECT ClientRect(const emu::Window& w) override {
    auto it = S().settings.find(&w);
    if (it != S().settings.end() && it->second.client) return *it->second.client;
    if (w.dialog == nullptr) return RECT{0, 0, 0, 0};
    return RECT{0, 0, emu::DialogUnitsToPixelsX(w.dialog->cx),
                emu::DialogUnitsToPixelsY(w.dialog->cy)};
  }

  int SystemMetric(int index) override { return index == SM_CXICON || index == SM_CYICON ? 32 : 0; }

  void PaintDefault(emu::Window&) override {
    S().record.drawn.push_back({DrawOp::DefaultPaint, 0, 0, nullptr});
  }
  void EraseIconBackground(emu::Window&) override {
    S().record.drawn.push_back({DrawOp::EraseIconBackground, 0, 0, nullptr});
  }
  void DrawIcon(emu::Window&, int x, int y, HICON icon) override {
    S().record.drawn.push_back({DrawOp::Icon, x, y, icon});
  }
  bool OpenDocument(emu::Window* owner, const std::wstring& path) override {
    S().record.opened.push_back({owner != nullptr ? emu::ToHandle(owner) : nullptr, path});
    return S().openSucceeds;
  }
};

}  // namespace

void QueueModal(ModalScript script) {
  S().modals.push_back(std::move(script));
}

void QueueFileDialog(std::optional<std::vector<std::wstring>> answer, FileDialogScript during) {
  S().fileAnswers.push_back({std::move(answer), std::move(during)});
}

void Reset() {
  S() = State();
}

void MarkGone(const std::wstring& path) {
  S().gone.insert(path);
}

void SetPumpScript(PumpScript script) {
  S().pump = std::move(script);
}

const Record& Recorded() {
  return S().record;
}

void Click(HWND dialog, int id) {
  ::SendMessageW(::GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void DropFiles(HWND window, const std::vector<std::wstring>& paths) {
  emu::UserDropped(Live(window), paths);
}

void ClickLine(HWND list, int index, bool twice) {
  emu::Window& w = Live(list);
  if (w.kind != emu::Kind::ListBox) throw std::logic_error("headless: not a list box");
  emu::UserClickedLine(w, index, twice);
}

void SetOpenSucceeds(bool succeeds) {
  S().openSucceeds = succeeds;
}

void SetIconic(HWND dialog, bool iconic) {
  S().settings[&Live(dialog)].iconic = iconic;
}

void SetClientSize(HWND dialog, int width, int height) {
  S().settings[&Live(dialog)].client = RECT{0, 0, width, height};
}

std::vector<std::wstring> ListLines(HWND control) {
  return Live(control).lines;
}

bool IsChecked(HWND control) {
  return Live(control).check == BST_CHECKED;
}

std::wstring TextOf(HWND window) {
  return Live(window).text;
}

UINT TemplateOf(HWND dialog) {
  emu::Window& w = Live(dialog);
  return w.dialog != nullptr ? w.dialog->id : 0;
}

HICON SmallIcon(HWND dialog) {
  return Live(dialog).smallIcon;
}
HICON BigIcon(HWND dialog) {
  return Live(dialog).bigIcon;
}
HICON IconOf(HWND iconStatic) {
  return Live(iconStatic).icon;
}

std::vector<MenuEntry> SystemMenu(HWND dialog) {
  std::vector<MenuEntry> out;
  emu::Window& w = Live(dialog);
  if (w.systemMenu == nullptr) return out;
  for (const emu::MenuItem& item : w.systemMenu->items)
    out.push_back({item.flags, item.id, item.text});
  return out;
}

}  // namespace qv::headless

qv::emu::Backend& qv::emu::ActiveBackend() {
  static qv::headless::HeadlessBackend backend;
  return backend;
}
