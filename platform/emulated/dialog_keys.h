// The keys a dialog handles itself, whatever control has the focus, as the
// Windows dialog manager does. Backends call these on the user's key press.
#ifndef QUORVEL_PLATFORM_EMULATED_DIALOG_KEYS_H_
#define QUORVEL_PLATFORM_EMULATED_DIALOG_KEYS_H_

#include "platform/emulated/window.h"

namespace qv::emu {

// The dialog's default push button: the last control in template order with
// the default push button style (each one takes the role from the one
// before). nullptr when there is none.
Window* DefaultButton(Window& dialog);

// Enter: offered to the dialog first (WM_FORWARDMSG with WM_KEYDOWN VK_RETURN
// from `focused`, or from the dialog when nothing has the focus), and done
// when it takes it. Otherwise clicks `focused` when it is an enabled push button of `dialog`;
// otherwise clicks the default button when it is enabled, and does nothing
// when it is disabled. A dialog without a default button gets the IDOK
// command. `focused` may be nullptr or any control.
void PressEnter(Window& dialog, Window* focused);

}  // namespace qv::emu

#endif  // QUORVEL_PLATFORM_EMULATED_DIALOG_KEYS_H_
