#include "platform/emulated/dialog_keys.h"

namespace qv::emu {

Window* DefaultButton(Window& dialog) {
  Window* found = nullptr;
  for (auto& child : dialog.children) {
    if (child->kind == Kind::PushButton && (child->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
      found = child.get();
    }
  }
  return found;
}

void PressEnter(Window& dialog, Window* focused) {
  // Offered to the dialog first, as the message filter of a Windows dialog box
  // offers it.
  MSG key{focused != nullptr ? ToHandle(focused) : ToHandle(&dialog),
          WM_KEYDOWN,
          VK_RETURN,
          0,
          0,
          {0, 0}};
  if (::SendMessageW(ToHandle(&dialog), WM_FORWARDMSG, 0, reinterpret_cast<LPARAM>(&key)) != 0) {
    return;
  }
  if (focused != nullptr && focused->parent == &dialog && focused->kind == Kind::PushButton &&
      focused->enabled) {
    ::SendMessageW(ToHandle(focused), BM_CLICK, 0, 0);
    return;
  }
  if (Window* button = DefaultButton(dialog)) {
    // BM_CLICK ignores a disabled button, as Enter does.
    ::SendMessageW(ToHandle(button), BM_CLICK, 0, 0);
    return;
  }
  ::SendMessageW(ToHandle(&dialog), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(::GetDlgItem(ToHandle(&dialog), IDOK)));
}

}  // namespace qv::emu
