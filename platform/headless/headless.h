// The headless backend: dialogs exist only as in-memory state. A test scripts
// what each modal dialog and file dialog does, then reads the state back.
#ifndef QUORVEL_PLATFORM_HEADLESS_HEADLESS_H_
#define QUORVEL_PLATFORM_HEADLESS_HEADLESS_H_

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/win_types.h"

namespace qv::headless {

// Runs inside the next DoModal, once the dialog is initialised; the dialog
// ends with the returned result unless the script ended it already. A DoModal
// with no script queued ends at once with IDCANCEL.
using ModalScript = std::function<INT_PTR(HWND dialog)>;
void QueueModal(ModalScript script);

// Answers the next open-file dialog: the chosen full paths, or std::nullopt
// for cancel. An open-file dialog with no answer queued is cancelled.
// `during`, when given, runs while the dialog is open, with its owner.
using FileDialogScript = std::function<void(HWND owner)>;
void QueueFileDialog(std::optional<std::vector<std::wstring>> answer,
                     FileDialogScript during = nullptr);

// Runs at every PumpWaitingMessagesW, with the dialog whose handler pumps:
// what the user does while a long handler runs. Each pump is recorded and
// waits at most a millisecond.
using PumpScript = std::function<void(HWND dialog)>;
void SetPumpScript(PumpScript script);

// What an open-file dialog was asked to show.
struct FileDialogRequest {
  std::vector<std::wstring> filter;  // name, pattern, name, pattern, ...
  DWORD flags;
  DWORD maxFile;
  std::wstring defaultExtension;
  bool initialNameEmpty;
  bool hasTitle;
  HWND owner;         // hwndOwner
  bool ownerEnabled;  // whether the owner was enabled while the dialog ran
};

// One drawing operation, in the order performed.
struct DrawOp {
  enum Kind { DefaultPaint, EraseIconBackground, Icon } kind;
  int x;
  int y;
  HICON icon;
};

// A file handed to the system's handler (ShellExecuteW "open"); recorded, not
// run.
struct OpenedDocument {
  HWND owner;
  std::wstring path;
};

struct Record {
  std::vector<UINT> modalTemplates;  // template id of every dialog run, in order
  std::vector<OpenedDocument> opened;
  std::vector<FileDialogRequest> fileDialogs;
  std::vector<DrawOp> drawn;
  int pumps = 0;                // PumpWaitingMessagesW calls
  std::vector<int> focused;     // the id of every control given the focus, in order
  std::vector<int> shownLines;  // every line a list was scrolled to, in order
};

// Forgets queued scripts, answers, the record and window settings.
void Reset();
const Record& Recorded();

// Clicks control `id` of `dialog` as a user would (BM_CLICK).
void Click(HWND dialog, int id);
// Drops `paths` on `window` (a dialog or a control), in this order, as a
// backend reports it (emulated/input.h UserDropped).
void DropFiles(HWND window, const std::vector<std::wstring>& paths);
// Clicks line `index` of list box `list` and, with `twice`, double-clicks
// it, as a backend reports it (emulated/input.h UserClickedLine).
void ClickLine(HWND list, int index, bool twice);
// The files ShellExecuteW finds missing; every other path exists.
void MarkGone(const std::wstring& path);
// Whether the next handler calls start (true, the default) or fail.
void SetOpenSucceeds(bool succeeds);
void SetIconic(HWND dialog, bool iconic);
void SetClientSize(HWND dialog, int width, int height);  // default: the template's size

std::vector<std::wstring> ListLines(HWND control);
bool IsChecked(HWND control);
std::wstring TextOf(HWND window);
UINT TemplateOf(HWND dialog);
HICON SmallIcon(HWND dialog);
HICON BigIcon(HWND dialog);
HICON IconOf(HWND iconStatic);
// The system menu's items as (flags, id, text).
struct MenuEntry {
  UINT flags;
  UINT_PTR id;
  std::wstring text;
};
std::vector<MenuEntry> SystemMenu(HWND dialog);

}  // namespace qv::headless

#endif  // QUORVEL_PLATFORM_HEADLESS_HEADLESS_H_
