// The desktop backend's rules that need no display: the scale of the dialogs
// for the desktop's font resolution, the line written without a display, the
// texts of labels, and the files of a drop.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "platform/gtk/desktop_scale.h"
#include "platform/gtk/display.h"
#include "platform/gtk/label_text.h"
#include "platform/gtk/uri_list.h"

namespace {

using qv::gtk::DesktopScale;
using qv::gtk::DisplayText;
using qv::gtk::MnemonicText;
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

TEST(LabelText, WindowsMnemonicsBecomeGtkOnes) {
  const struct {
    std::wstring text;
    std::string shown;
  } cases[] = {
      {L"Load TAV", "Load TAV"},
      {L"&About Quorvel...", "_About Quorvel..."},
      {L"Save && Quit", "Save & Quit"},
      {L"&&&x", "&_x"},
      {L"snake_case", "snake__case"},
      {L"&_", "___"},
      {L"end&", "end"},
      {L"", ""},
      {L"caf\u00e9 &\u00fc", "caf\xc3\xa9 _\xc3\xbc"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MnemonicText(c.text), c.shown);
  }
}

TEST(LabelText, UndecodableBytesShowAsReplacementCharacters) {
  // The escapes that stand for file-name bytes outside UTF-8, other lone
  // surrogates, and values past U+10FFFF.
  const std::wstring text{L'a', static_cast<wchar_t>(0xDCFF), static_cast<wchar_t>(0xD800),
                          static_cast<wchar_t>(0x110000), L'b'};
  EXPECT_EQ(DisplayText(text),
            "a\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd"
            "b");
  EXPECT_EQ(DisplayText(std::wstring{static_cast<wchar_t>(0x1F600)}), "\xf0\x9f\x98\x80");
}

// A drop's text/uri-list: local files, percent-decoded to their bytes, in
// order; other schemes and other hosts' files left out.
TEST(DroppedUris, AreTheLocalFilesInOrder) {
  const char* const uris[] = {
      "file:///m/Cockpit.tav",
      "http://example.org/model.tav",
      "file:///m/two%20words/%D0%9A%D0%B0%D0%B1.tav",
      "file://localhost/m/local.tav",
      "file://elsewhere.example/m/remote.tav",
      "file:///m/raw%FF.tav",
      "sftp://host/m/x.tav",
      "file:///m/50%25.tav",
      "not a uri",
      nullptr,
  };
  const std::vector<std::string> expected = {"/m/Cockpit.tav",
                                             "/m/two words/\xD0\x9A\xD0\xB0\xD0\xB1.tav",
                                             "/m/local.tav", "/m/raw\xFF.tav", "/m/50%.tav"};
  EXPECT_EQ(qv::gtk::LocalFiles(uris), expected);
  EXPECT_TRUE(qv::gtk::LocalFiles(nullptr).empty());
}

}  // namespace
