// Opening the display the dialogs are shown on: Wayland or X11, as GDK picks.
#ifndef QUORVEL_PLATFORM_GTK_DISPLAY_H_
#define QUORVEL_PLATFORM_GTK_DISPLAY_H_

#include <string>

namespace qv::gtk {

// The line written when no display opens, from the two variables that name
// one (nullptr when unset); without its newline.
std::string NoDisplayMessage(const char* waylandDisplay, const char* display);

// Initialises GTK on the default display. Without a display nothing can be
// shown, and ending quietly would pass for success: it writes one line on
// standard error saying why, and ends the process with status 1.
void OpenDisplayOrExit();

}  // namespace qv::gtk

#endif  // QUORVEL_PLATFORM_GTK_DISPLAY_H_
