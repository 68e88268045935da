// What a backend of the in-memory window system provides: showing dialogs,
// running their modal loops, the file chooser, and painting.
#ifndef QUORVEL_PLATFORM_EMULATED_BACKEND_H_
#define QUORVEL_PLATFORM_EMULATED_BACKEND_H_

#include <string>
#include <vector>

#include "platform/emulated/window.h"

namespace qv::emu {

class Backend {
 public:
  virtual ~Backend() = default;
  // Builds the visible counterpart of a dialog and its controls. False when
  // the dialog cannot be shown; it is then not created.
  virtual bool CreatePeer(Window& dialog) = 0;
  virtual void DestroyPeer(Window& dialog) = 0;
  // Runs the dialog until `dialog.ended` is set (EndDialog).
  virtual void RunModal(Window& dialog) = 0;
  // The state of `w` changed (text, lines, enabled, check, icons, menu).
  virtual void Changed(Window& w) = 0;
  // Shows an open-file dialog; false on cancel. Paths are full paths.
  virtual bool ChooseFiles(const OPENFILENAMEW& ofn, std::vector<std::wstring>& paths) = 0;
  virtual bool IsIconic(const Window& w) = 0;
  virtual RECT ClientRect(const Window& w) = 0;
  virtual int SystemMetric(int index) = 0;
  // Painting, between BeginPaint and EndPaint of `w`.
  virtual void PaintDefault(Window& w) = 0;
  virtual void EraseIconBackground(Window& w) = 0;
  virtual void DrawIcon(Window& w, int x, int y, HICON icon) = 0;
  // ShellExecuteW "open": hands `path` to the system's handler for its kind
  // without waiting for it. False when the handler could not be started. The
  // default runs xdg-open (platform/emulated/xdg_open.h).
  virtual bool OpenDocument(Window* owner, const std::wstring& path);
  // Whether `path` names an existing file, asked before OpenDocument. The
  // default asks the file system.
  virtual bool DocumentExists(const std::wstring& path);
  // Handles the user's input and the display's requests now waiting, for
  // PumpWaitingMessagesW while `dialog` runs; when nothing waits, first waits
  // up to `waitMilliseconds` for something. The default has nothing to
  // handle and waits that long.
  virtual void PumpMessages(Window& dialog, int waitMilliseconds);
  // Gives control `control` the keyboard focus. The default has none to give.
  virtual void Focus(Window& control);
  // Scrolls list box `list` so that line `line` is in view.
  virtual void ShowLine(Window& list, int line);
  // How many whole lines list box `list` shows at once (at least 1); Page Up
  // and Page Down move by one less. The default counts lines of 8 dialog
  // units, the height of a line in the dialog font.
  virtual int VisibleLines(const Window& list);
};

// The backend linked into the program; each backend library defines it.
Backend& ActiveBackend();

}  // namespace qv::emu

#endif  // QUORVEL_PLATFORM_EMULATED_BACKEND_H_
