// The GTK widgets that show one dialog and its controls. A dialog's peer owns
// its controls' peers, and each emu::Window's `peer` points at its own while
// the dialog exists. The in-memory windows stay the truth: peers mirror them.
#ifndef QUORVEL_PLATFORM_GTK_PEER_H_
#define QUORVEL_PLATFORM_GTK_PEER_H_

#include <gtk/gtk.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/emulated/window.h"

namespace qv::gtk {

struct DialogPeer;

struct ControlPeer {
  emu::Window* window = nullptr;
  DialogPeer* dialog = nullptr;
  GtkWidget* widget = nullptr;     // placed in the dialog
  GtkWidget* focusable = nullptr;  // what takes the focus (the tree of a list)
  GtkListStore* store = nullptr;   // list boxes
  std::wstring shownText;          // the text the widget shows
  gulong toggled = 0;              // check boxes: blocked while mirroring
  bool mirroring = false;          // list boxes: GTK may change the selection only now
};

struct DialogPeer {
  emu::Window* window = nullptr;
  GtkWidget* toplevel = nullptr;
  GtkWidget* fixed = nullptr;
  GtkWidget* popup = nullptr;  // the last system menu popup
  std::vector<std::unique_ptr<ControlPeer>> controls;
  cairo_t* painting = nullptr;  // during a draw
  int width = 0;
  int height = 0;
};

// The control whose widget, or the part of it that takes the focus, has the
// dialog's focus; nullptr when none has.
ControlPeer* PeerOfFocus(DialogPeer& d);

}  // namespace qv::gtk

#endif  // QUORVEL_PLATFORM_GTK_PEER_H_
