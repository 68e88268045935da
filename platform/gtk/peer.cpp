#include "platform/gtk/peer.h"

namespace qv::gtk {

ControlPeer* PeerOfFocus(DialogPeer& d) {
  GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(d.toplevel));
  if (focus == nullptr) return nullptr;
  for (auto& c : d.controls) {
    if (c->focusable == focus || c->widget == focus) return c.get();
  }
  return nullptr;
}

}  // namespace qv::gtk
