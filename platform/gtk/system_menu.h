// The system menu that Windows gives every dialog, shown here as a popup of
// its entries (emu::SystemMenuPopup); a pick goes to the dialog as the
// entry's command.
#ifndef QUORVEL_PLATFORM_GTK_SYSTEM_MENU_H_
#define QUORVEL_PLATFORM_GTK_SYSTEM_MENU_H_

#include <gtk/gtk.h>

#include "platform/gtk/peer.h"

namespace qv::gtk {

// Opens the popup for `trigger` (the event that asked for it): at the
// pointer when `atPointer`, else by the focused control. It replaces the
// dialog's last popup; nothing opens when the menu has no entries.
void PopupSystemMenu(DialogPeer& d, const GdkEvent* trigger, bool atPointer);

}  // namespace qv::gtk

#endif  // QUORVEL_PLATFORM_GTK_SYSTEM_MENU_H_
