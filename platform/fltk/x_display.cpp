#include "platform/fltk/x_display.h"

#include <FL/x.H>
#include <X11/Xresource.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace qv::fltk {

void OpenDisplayOrExit() {
  ::Display* display = ::XOpenDisplay(nullptr);
  if (display == nullptr) {
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0') {
      std::fprintf(stderr, "quorvel: no X display to show the dialog on (DISPLAY is not set)\n");
    } else {
      std::fprintf(stderr, "quorvel: cannot open the X display \"%s\"\n", name);
    }
    std::exit(1);
  }
  fl_open_display(display);
}

std::optional<std::string> XftDpiResource() {
  const char* resources = ::XResourceManagerString(fl_display);
  if (resources == nullptr) return std::nullopt;
  ::XrmInitialize();
  ::XrmDatabase db = ::XrmGetStringDatabase(resources);
  if (db == nullptr) return std::nullopt;
  char* type = nullptr;
  ::XrmValue value{};
  std::optional<std::string> dpi;
  if (::XrmGetResource(db, "Xft.dpi", "Xft.Dpi", &type, &value) && value.addr != nullptr) {
    dpi.emplace(value.addr, ::strnlen(value.addr, value.size));
  }
  ::XrmDestroyDatabase(db);
  return dpi;
}

}  // namespace qv::fltk
