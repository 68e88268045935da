#include "platform/gtk/display.h"

#include <gtk/gtk.h>

#include <cstdio>
#include <cstdlib>

namespace qv::gtk {

std::string NoDisplayMessage(const char* waylandDisplay, const char* display) {
  const bool wayland = waylandDisplay != nullptr && *waylandDisplay != '\0';
  const bool x11 = display != nullptr && *display != '\0';
  if (!wayland && !x11) {
    return "quorvel: no display to show the dialog on (neither WAYLAND_DISPLAY nor DISPLAY is set)";
  }
  std::string names;
  if (wayland) names += '"' + std::string(waylandDisplay) + '"';
  if (wayland && x11) names += " or ";
  if (x11) names += '"' + std::string(display) + '"';
  return "quorvel: cannot open the display " + names;
}

void OpenDisplayOrExit() {
  // The window class (X11) and app id (Wayland) that tie the windows to
  // quorvel.desktop, whose icon the desktop shows.
  g_set_prgname("quorvel");
  if (gtk_init_check(nullptr, nullptr)) return;
  const std::string line = NoDisplayMessage(std::getenv("WAYLAND_DISPLAY"), std::getenv("DISPLAY"));
  std::fprintf(stderr, "%s\n", line.c_str());
  std::exit(1);
}

}  // namespace qv::gtk
