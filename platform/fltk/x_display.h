// The X display the dialogs are shown on. Kept apart from the backend because
// Xlib's macros (None, Bool, Status, ...) must not meet the Windows vocabulary.
#ifndef QUORVEL_PLATFORM_FLTK_X_DISPLAY_H_
#define QUORVEL_PLATFORM_FLTK_X_DISPLAY_H_

#include <optional>
#include <string>

namespace qv::fltk {

// Opens the display that DISPLAY names and hands it to FLTK. Without a
// display nothing can be shown, and ending quietly would pass for success:
// it writes one line on standard error saying why, and ends the process with
// status 1.
void OpenDisplayOrExit();

// The Xft.dpi resource of the open display, as the desktop set it
// (xrdb); std::nullopt when it is not set.
std::optional<std::string> XftDpiResource();

}  // namespace qv::fltk

#endif  // QUORVEL_PLATFORM_FLTK_X_DISPLAY_H_
