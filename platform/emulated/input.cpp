#include "platform/emulated/input.h"

#include <algorithm>

#include "platform/emulated/backend.h"
#include "platform/emulated/dialog_keys.h"

namespace qv::emu {
namespace {

void Command(Window& control) {
  if (control.parent == nullptr) return;
  ::SendMessageW(ToHandle(control.parent), WM_COMMAND,
                 MAKEWPARAM(static_cast<WORD>(control.id), BN_CLICKED),
                 reinterpret_cast<LPARAM>(ToHandle(&control)));
}

// Selects line `index` of `list` as the user's choice: the list tells its
// dialog when the selection changed.
void SelectByUser(Window& list, int index) {
  const int before = list.selected;
  ::SendMessageW(ToHandle(&list), LB_SETCURSEL, static_cast<WPARAM>(index), 0);
  if (list.selected != before && (list.style & LBS_NOTIFY) != 0 && list.parent != nullptr) {
    ::SendMessageW(ToHandle(list.parent), WM_COMMAND,
                   MAKEWPARAM(static_cast<WORD>(list.id), LBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(ToHandle(&list)));
  }
}

// The line a selection key moves to, or -1 for a key that moves none.
int MovedLine(const Window& list, Key key) {
  const int count = static_cast<int>(list.lines.size());
  if (count == 0) return -1;
  const int at = list.selected;
  const int page = std::max(1, ActiveBackend().VisibleLines(list) - 1);
  switch (key) {
    case Key::Up:
      return at < 0 ? 0 : std::max(0, at - 1);
    case Key::Down:
      return at < 0 ? 0 : std::min(count - 1, at + 1);
    case Key::PageUp:
      return at < 0 ? 0 : std::max(0, at - page);
    case Key::PageDown:
      return at < 0 ? 0 : std::min(count - 1, at + page);
    case Key::Home:
      return 0;
    case Key::End:
      return count - 1;
    default:
      return -1;
  }
}

KeyAction ListKey(Window& list, Key key) {
  if (key == Key::Left) return KeyAction::ScrollLeft;
  if (key == Key::Right) return KeyAction::ScrollRight;
  if ((list.style & LBS_NOSEL) != 0) return KeyAction::Unused;
  switch (key) {
    case Key::Up:
    case Key::Down:
    case Key::PageUp:
    case Key::PageDown:
    case Key::Home:
    case Key::End:
      break;
    default:
      return KeyAction::Unused;
  }
  const int line = MovedLine(list, key);
  if (line >= 0) {
    SelectByUser(list, line);
    ActiveBackend().ShowLine(list, line);
  }
  return KeyAction::Done;
}

}  // namespace

void UserPressed(Window& button) {
  if (button.kind != Kind::PushButton || !button.enabled) return;
  Command(button);
}

void UserToggled(Window& box, bool checked) {
  if (box.kind != Kind::CheckBox || !box.enabled) return;
  box.check = checked ? BST_CHECKED : BST_UNCHECKED;
  Command(box);
}

void UserClickedLine(Window& list, int index, bool twice) {
  if (list.kind != Kind::ListBox || !list.enabled) return;
  SelectByUser(list, index);
  if (twice && (list.style & LBS_NOTIFY) != 0 && list.parent != nullptr) {
    ::SendMessageW(ToHandle(list.parent), WM_COMMAND,
                   MAKEWPARAM(static_cast<WORD>(list.id), LBN_DBLCLK),
                   reinterpret_cast<LPARAM>(ToHandle(&list)));
  }
}

void UserDropped(Window& under, const std::vector<std::wstring>& paths) {
  DropFiles(under, paths);
}

void UserClosed(Window& dialog) {
  ::SendMessageW(ToHandle(&dialog), WM_SYSCOMMAND, SC_CLOSE, 0);
}

void UserPickedMenu(Window& dialog, UINT_PTR id) {
  ::SendMessageW(ToHandle(&dialog), WM_SYSCOMMAND, static_cast<WPARAM>(id), 0);
}

KeyAction UserKey(Window& dialog, Window* focused, const KeyState& key) {
  if (focused != nullptr && focused->parent != &dialog) focused = nullptr;
  if (key.control) return KeyAction::Unused;
  switch (key.key) {
    case Key::Enter:
      PressEnter(dialog, focused);
      return KeyAction::Done;
    case Key::Escape:
      ::SendMessageW(ToHandle(&dialog), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(::GetDlgItem(ToHandle(&dialog), IDCANCEL)));
      return KeyAction::Done;
    case Key::Menu:
      if (key.shift) return KeyAction::Unused;
      return dialog.systemMenu != nullptr ? KeyAction::OpenSystemMenu : KeyAction::Unused;
    case Key::F10:
      return key.shift && dialog.systemMenu != nullptr ? KeyAction::OpenSystemMenu
                                                       : KeyAction::Unused;
    default:
      break;
  }
  if (focused == nullptr || focused->kind != Kind::ListBox || !focused->enabled) {
    return KeyAction::Unused;
  }
  return ListKey(*focused, key.key);
}

std::vector<PopupEntry> SystemMenuPopup(const Window& dialog) {
  std::vector<PopupEntry> out;
  if (dialog.systemMenu == nullptr) return out;
  bool separator = false;
  for (const MenuItem& item : dialog.systemMenu->items) {
    if ((item.flags & MF_SEPARATOR) != 0) {
      separator = !out.empty();
      continue;
    }
    out.push_back({item.text.substr(0, item.text.find(L'\t')), item.id, separator});
    separator = false;
  }
  return out;
}

}  // namespace qv::emu
