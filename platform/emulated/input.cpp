#include "platform/emulated/input.h"

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

KeyAction ListKey(Key key) {
  switch (key) {
    case Key::Up:
      return KeyAction::ScrollLineUp;
    case Key::Down:
      return KeyAction::ScrollLineDown;
    case Key::PageUp:
      return KeyAction::ScrollPageUp;
    case Key::PageDown:
      return KeyAction::ScrollPageDown;
    case Key::Home:
      return KeyAction::ScrollTop;
    case Key::End:
      return KeyAction::ScrollBottom;
    case Key::Left:
      return KeyAction::ScrollLeft;
    case Key::Right:
      return KeyAction::ScrollRight;
    default:
      return KeyAction::Unused;
  }
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
  const int before = list.selected;
  ::SendMessageW(ToHandle(&list), LB_SETCURSEL, static_cast<WPARAM>(index), 0);
  if ((list.style & LBS_NOTIFY) == 0 || list.parent == nullptr) return;
  const auto notify = [&](WORD code) {
    ::SendMessageW(ToHandle(list.parent), WM_COMMAND, MAKEWPARAM(static_cast<WORD>(list.id), code),
                   reinterpret_cast<LPARAM>(ToHandle(&list)));
  };
  if (list.selected != before) notify(LBN_SELCHANGE);
  if (twice) notify(LBN_DBLCLK);
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
  if (focused == nullptr || focused->kind != Kind::ListBox || key.shift) return KeyAction::Unused;
  return ListKey(key.key);
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
