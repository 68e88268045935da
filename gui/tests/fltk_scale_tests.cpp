// The FLTK backend's scale: which DPI the desktop asks for, and the scale of
// the dialogs that follows from it.
#include <gtest/gtest.h>

#include <optional>
#include <string_view>

#include "platform/fltk/desktop_scale.h"

namespace {

using qv::fltk::DesktopDpi;
using qv::fltk::DesktopScale;
using qv::fltk::ParseDpi;

TEST(DesktopScale, ParsesTheXftDpiResource) {
  const struct {
    std::string_view text;
    std::optional<double> dpi;
  } cases[] = {
      {"96", 96.0},     {"144", 144.0}, {"120.5", 120.5}, {" 192\t", 192.0}, {"192\n", 192.0},
      {"", {}},         {"  ", {}},     {"0", {}},        {"-96", {}},       {"96dpi", {}},
      {"nonsense", {}}, {"9 6", {}},    {"1e2", {}},      {"nan", {}},       {"inf", {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseDpi(c.text), c.dpi) << '"' << c.text << '"';
  }
}

TEST(DesktopScale, TheResourceWinsOverTheScreen) {
  EXPECT_EQ(DesktopDpi(std::string_view("144"), 96.0), 144.0);
  EXPECT_EQ(DesktopDpi(std::string_view("96"), 192.0), 96.0);
  EXPECT_EQ(DesktopDpi(std::nullopt, 192.0), 192.0);
  // A resource that names no DPI counts as unset.
  EXPECT_EQ(DesktopDpi(std::string_view("nonsense"), 120.0), 120.0);
  EXPECT_EQ(DesktopDpi(std::string_view("0"), 120.0), 120.0);
  // A screen that reports no size counts as 96 dpi.
  EXPECT_EQ(DesktopDpi(std::nullopt, 0.0), 96.0);
  EXPECT_EQ(DesktopDpi(std::nullopt, -1.0), 96.0);
}

TEST(DesktopScale, QuarterStepsBetweenOneAndFour) {
  const struct {
    double dpi;
    double scale;
  } cases[] = {
      {96, 1.0},  {100, 1.0}, {108, 1.25}, {120, 1.25}, {144, 1.5}, {168, 1.75},
      {192, 2.0}, {288, 3.0}, {72, 1.0},   {1, 1.0},    {384, 4.0}, {1000, 4.0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DesktopScale(c.dpi), c.scale) << c.dpi;
  }
}

}  // namespace
