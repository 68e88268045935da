// What the user and the display do to a dialog's window, passed on to its
// in-memory dialog: keys (before the focused widget sees them), a right click
// on the background, closing, and drawing (as WM_PAINT).
#ifndef QUORVEL_PLATFORM_GTK_DIALOG_EVENTS_H_
#define QUORVEL_PLATFORM_GTK_DIALOG_EVENTS_H_

#include "platform/gtk/peer.h"

namespace qv::gtk {

// Connects the handlers to `d.toplevel`, which `d` must outlive. Once
// realized, the window has no minimize or maximize box and no sizing border.
void ConnectDialogEvents(DialogPeer& d);

}  // namespace qv::gtk

#endif  // QUORVEL_PLATFORM_GTK_DIALOG_EVENTS_H_
