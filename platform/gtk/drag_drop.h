// Files dropped on a dialog from a file manager: the local files of the
// text/uri-list go to the control under the pointer, or else to the dialog
// (emu::UserDropped). A drop of no local file is not passed on.
#ifndef QUORVEL_PLATFORM_GTK_DRAG_DROP_H_
#define QUORVEL_PLATFORM_GTK_DRAG_DROP_H_

#include "platform/gtk/peer.h"

namespace qv::gtk {

// Makes `d.toplevel`, which `d` must outlive, a drop target of file lists.
// Only a copy is offered.
void AcceptDroppedFiles(DialogPeer& d);

}  // namespace qv::gtk

#endif  // QUORVEL_PLATFORM_GTK_DRAG_DROP_H_
