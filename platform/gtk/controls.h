// The controls of a dialog as GTK widgets, one per control, placed at the
// template's position and size in the dialog's GtkFixed. Each widget mirrors
// its in-memory control and reports the user's actions on it through
// emulated/input.h.
#ifndef QUORVEL_PLATFORM_GTK_CONTROLS_H_
#define QUORVEL_PLATFORM_GTK_CONTROLS_H_

#include "platform/emulated/input.h"
#include "platform/gtk/icons.h"
#include "platform/gtk/metrics.h"
#include "platform/gtk/peer.h"

namespace qv::gtk {

// Builds the widget of `c.window` in `c.dialog`'s GtkFixed and fills in
// `c`'s widget, focusable (for controls that take the focus) and store (list
// boxes). False, with nothing built, for a kind of control that has none.
bool CreateControl(ControlPeer& c, const Metrics& m, IconCache& icons);

// Brings the widget of control `w` (it has a peer) up to date with it:
// enabled, text, check state, lines and selection.
void MirrorControl(emu::Window& w);

// The height of one line of a list, in pixels; 1 before it is measured.
int LineHeight(ControlPeer& list);

// Left and Right scroll a list sideways, by a line's height as Windows does.
void ScrollList(ControlPeer& list, emu::KeyAction action);

}  // namespace qv::gtk

#endif  // QUORVEL_PLATFORM_GTK_CONTROLS_H_
