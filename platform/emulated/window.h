// The in-memory window system behind the headless and GTK backends: every
// dialog and control is a Window holding the state its Windows counterpart
// would hold. Backends show and drive these windows; they never own state.
#ifndef QUORVEL_PLATFORM_EMULATED_WINDOW_H_
#define QUORVEL_PLATFORM_EMULATED_WINDOW_H_

#include <memory>
#include <string>
#include <vector>

#include "platform/resource_types.h"
#include "platform/win_types.h"

namespace qv::emu {

struct MenuItem {
  UINT flags;
  UINT_PTR id;
  std::wstring text;
};

struct Menu {
  std::vector<MenuItem> items;
};

enum class Kind { Dialog, PushButton, CheckBox, ListBox, StaticText, StaticIcon, Other };

struct Window {
  Kind kind = Kind::Other;
  Window* parent = nullptr;
  std::vector<std::unique_ptr<Window>> children;  // template order
  const DialogTemplate* dialog = nullptr;         // dialogs
  const DialogItem* item = nullptr;               // controls
  int id = 0;
  std::wstring text;
  DWORD style = 0;
  DWORD exStyle = 0;
  bool enabled = true;
  WPARAM check = BST_UNCHECKED;
  std::vector<std::wstring> lines;  // list boxes
  int selected = -1;                // list boxes: the selected line, or -1
  HICON icon = nullptr;             // icon statics
  HICON bigIcon = nullptr;          // dialogs: WM_SETICON
  HICON smallIcon = nullptr;
  std::unique_ptr<Menu> systemMenu;  // dialogs with WS_SYSMENU
  WNDPROC proc = nullptr;            // dialogs
  bool ended = false;
  INT_PTR result = 0;
  void* peer = nullptr;  // the backend's object for this window
};

HWND ToHandle(Window* w);
// nullptr for a handle that names no live window.
Window* FromHandle(HWND h);

// Files dropped on `under` (a dialog or one of its controls), as Windows
// delivers them: WM_DROPFILES goes to the first of `under` and its parents
// that accepts files, and nowhere when none does. A drop its window leaves
// unreleased is released afterwards. Backends call this on the user's drop.
void DropFiles(Window& under, const std::vector<std::wstring>& paths);

// Dialog units to pixels with the base units of the dialog font, rounding as
// MapDialogRect does. 8-point "MS Shell Dlg" at 96 dpi has base units 6 x 13.
inline constexpr int kBaseUnitX = 6;
inline constexpr int kBaseUnitY = 13;
int DialogUnitsToPixelsX(int du, int baseX = kBaseUnitX);
int DialogUnitsToPixelsY(int du, int baseY = kBaseUnitY);

// Packs `paths` into an OPENFILENAME selection buffer: one path alone, or a
// common folder followed by names. False (the buffer is left empty) when the
// selection does not fit in nMaxFile characters, or when several paths are
// chosen and one of them is not absolute.
bool FillSelection(OPENFILENAMEW& ofn, const std::vector<std::wstring>& paths);

}  // namespace qv::emu

#endif  // QUORVEL_PLATFORM_EMULATED_WINDOW_H_
