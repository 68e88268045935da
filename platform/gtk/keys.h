// GDK's keys as the in-memory dialogs take them (emulated/input.h).
#ifndef QUORVEL_PLATFORM_GTK_KEYS_H_
#define QUORVEL_PLATFORM_GTK_KEYS_H_

#include <gtk/gtk.h>

#include "platform/emulated/input.h"

namespace qv::gtk {

// The key of `event` (keypad keys as their main ones; Key::Other for any the
// dialogs do not handle) and the modifiers held with it: Alt and Super count
// as Control.
emu::KeyState KeyOf(const GdkEventKey* event);

}  // namespace qv::gtk

#endif  // QUORVEL_PLATFORM_GTK_KEYS_H_
