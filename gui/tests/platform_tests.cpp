// The pieces of the class library and the in-memory window system that the
// dialog relies on: text conversion, the open dialog's selection buffer, and
// the resource tables.
#include <gtest/gtest.h>

#include <cwchar>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "gui/resources/resource.h"
#include "gui/tests/narrowing_cases.h"
#include "gui/tests/platform_paths.h"
#include "platform/afx/afx.h"
#include "platform/emulated/window.h"
#include "platform/resource_types.h"

namespace {

std::wstring Widen(const std::string& narrow) {
  const int n = ::MultiByteToWideChar(CP_THREAD_ACP, 0, narrow.data(),
                                      static_cast<int>(narrow.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  EXPECT_EQ(::MultiByteToWideChar(CP_THREAD_ACP, 0, narrow.data(), static_cast<int>(narrow.size()),
                                  wide.data(), n),
            n);
  return wide;
}

std::string Narrow(const std::wstring& wide) {
  const int n = ::WideCharToMultiByte(CP_THREAD_ACP, 0, wide.data(), static_cast<int>(wide.size()),
                                      nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(n), '\0');
  ::WideCharToMultiByte(CP_THREAD_ACP, 0, wide.data(), static_cast<int>(wide.size()), narrow.data(),
                        n, nullptr, nullptr);
  return narrow;
}

TEST(TextCodec, AnyFileNameSurvivesWideningAndNarrowing) {
  std::mt19937 rng(20250101);
  std::uniform_int_distribution<int> byte(1, 255);
  for (int i = 0; i < 2000; ++i) {
    std::string name(static_cast<std::size_t>(i % 40 + 1), '\0');
    for (char& c : name) c = static_cast<char>(byte(rng));
    ASSERT_EQ(Narrow(Widen(name)), name);
  }
  // Overlong forms, encoded surrogates and values past U+10FFFF are not
  // characters: each byte is kept on its own.
  for (const std::string bad : {"\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x82"}) {
    EXPECT_EQ(Widen(bad).size(), bad.size());
    EXPECT_EQ(Narrow(Widen(bad)), bad);
  }
  EXPECT_EQ(Widen("\xE2\x82\xAC"), L"\u20AC");
}

TEST(TextCodec, ReportsShortBuffersAndBadArguments) {
  char small[3];
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(
      ::WideCharToMultiByte(CP_THREAD_ACP, 0, L"\u00E9\u00E9", -1, small, 3, nullptr, nullptr), 0);
  EXPECT_EQ(::GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(
      ::WideCharToMultiByte(CP_THREAD_ACP, 0, L"\u00E9\u00E9", -1, nullptr, 0, nullptr, nullptr),
      5);
  EXPECT_EQ(::WideCharToMultiByte(CP_THREAD_ACP, 1, L"a", -1, small, 3, nullptr, nullptr), 0);
  EXPECT_EQ(::GetLastError(), ERROR_INVALID_FLAGS);
  EXPECT_EQ(::WideCharToMultiByte(12345, 0, L"a", -1, small, 3, nullptr, nullptr), 0);
  EXPECT_EQ(::GetLastError(), ERROR_INVALID_PARAMETER);
}

// CP_UTF8 follows Windows' rules, as the shared table has them checked
// against the real calls too.
TEST(TextCodec, Utf8CodePageFollowsWindows) {
  for (const narrowing_cases::CallCase& c : narrowing_cases::Utf8CallCases()) {
    SCOPED_TRACE(c.name);
    if (WCHAR_MAX > 0xFFFF && c.wide.size() == 2 && c.wide[0] >= 0xD800) continue;  // a pair
    char out[64] = {};
    SetLastError(ERROR_SUCCESS);
    const int written =
        ::WideCharToMultiByte(CP_UTF8, c.flags, c.wide.data(), static_cast<int>(c.wide.size()), out,
                              sizeof(out), nullptr, nullptr);
    if (c.error != 0) {
      EXPECT_EQ(written, 0);
      EXPECT_EQ(::GetLastError(), c.error);
    } else {
      EXPECT_EQ(std::string(out, static_cast<std::size_t>(written > 0 ? written : 0)), c.narrow);
    }
  }
  // As documented: CP_UTF8 takes no flag but WC_ERR_INVALID_CHARS (Wine 8
  // does not refuse the others; Windows does), and no default character.
  char out[8];
  const struct {
    DWORD flags;
    const char* defaultChar;
    DWORD error;
  } refused[] = {{0x400, nullptr, ERROR_INVALID_FLAGS},  // WC_NO_BEST_FIT_CHARS
                 {0, "?", ERROR_INVALID_PARAMETER}};
  for (const auto& r : refused) {
    EXPECT_EQ(::WideCharToMultiByte(CP_UTF8, r.flags, L"a", -1, out, 8, r.defaultChar, nullptr), 0);
    EXPECT_EQ(::GetLastError(), r.error);
  }
  // Widening: a byte that starts no sequence is U+FFFD, or fails when asked.
  wchar_t wide[8] = {};
  EXPECT_EQ(::MultiByteToWideChar(CP_UTF8, 0, "\xC3(", 2, wide, 8), 2);
  EXPECT_EQ(std::wstring(wide, 2), L"\uFFFD(");
  EXPECT_EQ(::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "\xC3(", 2, wide, 8), 0);
  EXPECT_EQ(::GetLastError(), ERROR_NO_UNICODE_TRANSLATION);
  EXPECT_EQ(::MultiByteToWideChar(CP_THREAD_ACP, MB_ERR_INVALID_CHARS, "a", 1, wide, 8), 0);
  EXPECT_EQ(::GetLastError(), ERROR_INVALID_FLAGS);
}

// ---- The open dialog's selection ----

std::vector<std::wstring> RoundTrip(const std::vector<std::wstring>& paths, DWORD maxFile,
                                    bool* fitted) {
  CFileDialog dlg(TRUE, L"tav", nullptr, OFN_ALLOWMULTISELECT, L"Any|*||");
  std::vector<wchar_t> buffer(maxFile, L'\0');
  dlg.GetOFN().lpstrFile = buffer.data();
  dlg.GetOFN().nMaxFile = maxFile;
  *fitted = qv::emu::FillSelection(dlg.GetOFN(), paths);
  std::vector<std::wstring> out;
  for (POSITION pos = dlg.GetStartPosition(); pos != nullptr;) {
    out.emplace_back(dlg.GetNextPathName(pos).GetString());
  }
  return out;
}

TEST(FileSelection, EveryChosenFileComesBackAsItsFullPath) {
  const std::vector<std::vector<std::wstring>> cases = {
      {P(L"/m/a.tav")},
      {P(L"/m/a.tav"), P(L"/m/b.tav"), P(L"/m/c d.tav")},
      {P(L"/a.tav"), P(L"/b.tav")},                      // the root folder
      {P(L"/m/a.tav"), P(L"/n/b.tav"), P(L"/m/c.tav")},  // not all in one folder
      {P(L"/m/\xDCFF.tav"), P(L"/m/\u00E9.tav")},
  };
  for (const auto& paths : cases) {
    bool fitted = false;
    EXPECT_EQ(RoundTrip(paths, 2562, &fitted), paths);
    EXPECT_TRUE(fitted);
  }
}

TEST(FileSelection, TooLongIsRefusedWhole) {
  bool fitted = true;
  EXPECT_TRUE(RoundTrip({P(L"/m/abcdef.tav"), P(L"/m/ghijkl.tav")}, 20, &fitted).empty());
  EXPECT_FALSE(fitted);
  // The exact fit: the folder, NUL, "a", NUL, "b", NUL, NUL.
  const std::vector<std::wstring> ab = {P(L"/m/a"), P(L"/m/b")};
  const auto exact = static_cast<DWORD>(P(L"/m").size() + 6);
  EXPECT_EQ(RoundTrip(ab, exact, &fitted), ab);
  EXPECT_TRUE(fitted);
  EXPECT_TRUE(RoundTrip(ab, exact - 1, &fitted).empty());
}

TEST(FileSelection, OneRelativePathIsKeptButSeveralAreRefused) {
  bool fitted = false;
  EXPECT_EQ(RoundTrip({L"m\\a.tav"}, 100, &fitted), std::vector<std::wstring>{L"m\\a.tav"});
  EXPECT_EQ(RoundTrip({L"m/a.tav"}, 100, &fitted), std::vector<std::wstring>{L"m/a.tav"});
  EXPECT_TRUE(RoundTrip({P(L"/m/a.tav"), L"b.tav"}, 100, &fitted).empty());
  EXPECT_FALSE(fitted);
}

// ---- Resources ----

TEST(Resources, TemplatesAreConsistent) {
  for (UINT id : {IDD_QUORVEL_DIALOG, IDD_ABOUTBOX}) {
    const DialogTemplate* t = FindDialogTemplate(id);
    ASSERT_NE(t, nullptr);
    std::set<int> ids;
    for (const DialogItem& item : t->items) {
      if (item.id != IDC_STATIC) {
        EXPECT_TRUE(ids.insert(item.id).second) << item.id;
      }
      EXPECT_GE(item.x, 0);
      EXPECT_GE(item.y, 0);
      EXPECT_LE(item.x + item.cx, t->cx) << item.id;
      EXPECT_LE(item.y + item.cy, t->cy) << item.id;
    }
  }
  const StringResource* about = FindStringResource(IDS_ABOUTBOX);
  ASSERT_NE(about, nullptr);
  EXPECT_STREQ(about->text, L"&About Quorvel...");
  EXPECT_EQ(FindDialogTemplate(999), nullptr);
}

TEST(Resources, IconHas48And256Pixel32BitImages) {
  const IconResource* icon = FindIconResource(IDR_MAINFRAME);
  ASSERT_NE(icon, nullptr);
  std::vector<int> sizes;
  for (const IconImage& image : icon->images) {
    const auto& png = image.png;
    ASSERT_GE(png.size(), 33u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(png.data()) + 1, 3), "PNG");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(png.data()) + 12, 4), "IHDR");
    auto be32 = [&](std::size_t at) {
      return static_cast<int>(png[at] << 24 | png[at + 1] << 16 | png[at + 2] << 8 | png[at + 3]);
    };
    EXPECT_EQ(be32(16), image.size);
    EXPECT_EQ(be32(20), image.size);
    EXPECT_EQ(png[24], 8) << "bits per channel";
    EXPECT_EQ(png[25], 6) << "colour type RGBA";
    sizes.push_back(image.size);
  }
  EXPECT_EQ(sizes, (std::vector<int>{48, 256}));
}

TEST(DialogUnits, MapLikeMapDialogRect) {
  // 8-point MS Shell Dlg at 96 dpi: x * 6 / 4 and y * 13 / 8, rounded.
  EXPECT_EQ(qv::emu::DialogUnitsToPixelsX(291), 437);
  EXPECT_EQ(qv::emu::DialogUnitsToPixelsY(200), 325);
  EXPECT_EQ(qv::emu::DialogUnitsToPixelsX(1), 2);
  EXPECT_EQ(qv::emu::DialogUnitsToPixelsY(3), 5);
  EXPECT_EQ(qv::emu::DialogUnitsToPixelsX(60, 9), 135);  // scaled base units
}

}  // namespace
