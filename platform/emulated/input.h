// What a backend reports of the user's actions, in the dialog's own terms.
// A backend only translates its toolkit's events into these calls and shows
// what they answer; the Windows-style behaviour behind them lives here once,
// whatever toolkit draws the controls.
#ifndef QUORVEL_PLATFORM_EMULATED_INPUT_H_
#define QUORVEL_PLATFORM_EMULATED_INPUT_H_

#include <string>
#include <vector>

#include "platform/emulated/window.h"

namespace qv::emu {

// The user pressed an enabled push button (click, Space, the toolkit's own
// activation): BN_CLICKED to its dialog.
void UserPressed(Window& button);

// The user toggled a check box; `checked` is what the toolkit shows now. The
// box takes that state, then its dialog gets BN_CLICKED.
void UserToggled(Window& box, bool checked);

// The user clicked line `index` of list box `list` and, with `twice`,
// double-clicked it. The list selects the line (one that selects lines), and
// a notifying list tells its dialog: LBN_SELCHANGE when the selection
// changed, then LBN_DBLCLK for a double-click.
void UserClickedLine(Window& list, int index, bool twice);

// The user dropped files on `under` (a dialog or one of its controls), in
// this order: DropFiles of window.h.
void UserDropped(Window& under, const std::vector<std::wstring>& paths);

// The window manager's close (title-bar button, Alt+F4): SC_CLOSE.
void UserClosed(Window& dialog);

// The user picked the system menu entry with command id `id`.
void UserPickedMenu(Window& dialog, UINT_PTR id);

enum class Key {
  Enter,
  Escape,
  Menu,
  F10,
  Up,
  Down,
  PageUp,
  PageDown,
  Home,
  End,
  Left,
  Right,
  Other
};

struct KeyState {
  Key key = Key::Other;
  bool shift = false;
  bool control = false;  // Ctrl, Alt or a Super key held
};

// What the backend does with a key after the dialog saw it.
enum class KeyAction {
  Unused,          // not the dialog's: the toolkit handles it
  Done,            // handled here (Enter, Esc)
  OpenSystemMenu,  // the popup of the right click, by the focused control
  ScrollLeft,      // Left and Right: scroll the focused list box's view
  ScrollRight,
};

// A key pressed while `dialog` is active, before its focused control sees
// it. `focused` is the focused control, or nullptr. Enter is offered to the
// dialog first (on a selected line of the status list it opens that line's
// report), else presses the focused push button or the default one
// (dialog_keys.h); Esc is IDCANCEL, Shift+F10 and Menu open the system menu's
// popup. On a focused list box that selects lines, Up, Down, Page Up, Page
// Down, Home and End (Shift held or not) move the selection as a Windows list
// box does: the line is selected, brought into view, and a notifying list
// tells its dialog LBN_SELCHANGE; with no line selected, any of them but End
// selects the first line. Left and Right scroll the list sideways.
KeyAction UserKey(Window& dialog, Window* focused, const KeyState& key);

// One entry of the system menu's popup. `label` keeps the '&' of its
// mnemonic; the accelerator column ("\tAlt+F4") is the window manager's and
// is cut off.
struct PopupEntry {
  std::wstring label;
  UINT_PTR id;
  bool separatorBefore;
};
std::vector<PopupEntry> SystemMenuPopup(const Window& dialog);

}  // namespace qv::emu

#endif  // QUORVEL_PLATFORM_EMULATED_INPUT_H_
