// The desktop backend's rules that need no display: the scale of the dialogs
// for the desktop's font resolution, and the line written without a display.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "platform/gtk/desktop_scale.h"
#include "platform/gtk/display.h"

namespace {

using qv::gtk::DesktopScale;
using qv::gtk::NoDisplayMessage;

TEST(DesktopScale, QuarterStepsBetweenOneAndFour) {
  const struct {
    double dpi;
    double scale;
  } cases[] = {
      {96, 1.0},
      {100, 1.0},
      {108, 1.25},
      {120, 1.25},
      {120.5, 1.25},
      {144, 1.5},
      {168, 1.75},
      {192, 2.0},
      {288, 3.0},
      {72, 1.0},
      {1, 1.0},
      {384, 4.0},
      {1000, 4.0},
      // GDK answers -1 when it has no resolution: 96 dpi.
      {-1, 1.0},
      {0, 1.0},
      {std::numeric_limits<double>::quiet_NaN(), 1.0},
      {std::numeric_limits<double>::infinity(), 1.0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DesktopScale(c.dpi), c.scale) << c.dpi;
  }
}

TEST(NoDisplayMessage, NamesTheDisplaysThatWereTried) {
  const struct {
    const char* wayland;
    const char* x11;
    std::string line;
  } cases[] = {
      {nullptr, nullptr,
       "quorvel: no display to show the dialog on (neither WAYLAND_DISPLAY nor DISPLAY is set)"},
      {"", "",
       "quorvel: no display to show the dialog on (neither WAYLAND_DISPLAY nor DISPLAY is set)"},
      {nullptr, ":7", "quorvel: cannot open the display \":7\""},
      {"", ":7", "quorvel: cannot open the display \":7\""},
      {"wayland-9", nullptr, "quorvel: cannot open the display \"wayland-9\""},
      {"wayland-9", ":7", "quorvel: cannot open the display \"wayland-9\" or \":7\""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(NoDisplayMessage(c.wayland, c.x11), c.line)
        << (c.wayland ? c.wayland : "(unset)") << ' ' << (c.x11 ? c.x11 : "(unset)");
  }
}

}  // namespace
