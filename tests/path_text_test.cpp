// The shared path rules: the last part, joining, the file system's name
// start, ASCII lowering, and widening's sizing and failure against a
// stand-in call (the real calls are held to the narrowing table in the
// Windows tests).
#include "engine/path_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::wstring Wide(std::string_view ascii) {
  return std::wstring(ascii.begin(), ascii.end());
}

TEST(PathText, LastPartAndJoin) {
  const struct {
    const char* path;
    char separator;
    const char* last;
  } lastParts[] = {
      {"D:\\models\\Cockpit.tav", '\\', "Cockpit.tav"},
      {"D:/models/Cockpit.tav", '\\', "D:/models/Cockpit.tav"},  // '/' is no separator here
      {"/srv/m/a.tav", '/', "a.tav"},
      {"\\a.tav", '\\', "a.tav"},
      {"a.tav", '/', "a.tav"},
      {"m/", '/', ""},
      {"", '/', ""},
  };
  for (const auto& c : lastParts) {
    EXPECT_EQ(LastPart(c.path, c.separator), c.last) << c.path;
    EXPECT_EQ(LastPart(Wide(c.path), c.separator), Wide(c.last)) << c.path;
    EXPECT_EQ(LastPartStart(c.path, c.separator) + std::string_view(c.last).size(),
              std::string_view(c.path).size());
  }
  const struct {
    const char* folder;
    const char* name;
    const char* joined;
  } joins[] = {
      {"m", "a.tav", "m/a.tav"}, {"m/", "a.tav", "m/a.tav"},
      {"/", "a.tav", "/a.tav"},  {"", "a.tav", "a.tav"},
      {"m", "", "m/"},
  };
  for (const auto& c : joins) {
    EXPECT_EQ(JoinPath(c.folder, c.name, '/'), c.joined) << c.folder << " + " << c.name;
    EXPECT_EQ(JoinPath(Wide(c.folder), Wide(c.name), L'/'), Wide(c.joined));
  }
  EXPECT_EQ(JoinPath("C:\\m", "a.tav", '\\'), "C:\\m\\a.tav");
}

TEST(PathText, WhereTheFileSystemSeesTheName) {
  const struct {
    const char* path;
    std::size_t start;
  } cases[] = {
    {"m/a.tav", 2},
    {"a.tav", 0},
    {"m/n/", 4},
#if defined(_WIN32)
    {"m\\a.tav", 2},
    {"m\\n/a.tav", 4},
    {"C:a.tav", 2},
    {"C:\\a.tav", 3},
#else
    {"m\\a.tav", 0},  // a backslash is part of a name
    {"C:a.tav", 0},
#endif
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FileNameStart(c.path), c.start) << c.path;
    EXPECT_EQ(FileNameStart(Wide(c.path)), c.start) << c.path;
  }
}

TEST(PathText, AsciiLowering) {
  const struct {
    std::string text;
    std::string lowered;
  } cases[] = {
      {"COCKPIT.Tav", "cockpit.tav"},
      {"@AZ[`az{", "@az[`az{"},                          // the bytes around both ranges stay
      {"\xC3\x84\xD0\x9A.TAV", "\xC3\x84\xD0\x9A.tav"},  // UTF-8 is not lowered
      {std::string("A\0B", 3), std::string("a\0b", 3)},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(AsciiLowered(c.text), c.lowered) << c.text;
}

// A stand-in MultiByteToWideChar: widens ASCII one to one, fails on any other
// byte, and records the code page, flags and buffer sizes it was called with.
struct FakeWiden {
  std::vector<int> sizes;
  unsigned codePage = 0;
  std::uint32_t flags = 0;
  int operator()(unsigned cp, std::uint32_t f, const char* narrow, int count, wchar_t* wide,
                 int size) {
    codePage = cp;
    flags = f;
    sizes.push_back(size);
    for (int i = 0; i < count; ++i) {
      if (static_cast<unsigned char>(narrow[i]) >= 0x80) return 0;
    }
    if (size == 0) return count;
    if (size < count) return 0;
    for (int i = 0; i < count; ++i) wide[i] = static_cast<wchar_t>(narrow[i]);
    return count;
  }
};

TEST(PathText, WideningSizesOnceAndFailsWithoutTouchingTheTarget) {
  FakeWiden fake;
  std::wstring wide = L"old";
  EXPECT_TRUE(qv::WidenBy(std::ref(fake), "Cockpit.tav", wide));
  EXPECT_EQ(wide, L"Cockpit.tav");
  EXPECT_EQ(fake.sizes, (std::vector<int>{0, 11}));
  EXPECT_EQ(fake.codePage, qv::kNarrowCodePage);
  EXPECT_EQ(fake.flags, qv::kWidenFlags);

  wide = L"old";
  EXPECT_FALSE(qv::WidenBy(std::ref(fake), "a\xFF", wide));
  EXPECT_EQ(wide, L"old");

  FakeWiden untouched;
  EXPECT_TRUE(qv::WidenBy(std::ref(untouched), "", wide));  // empty text needs no call
  EXPECT_EQ(wide, L"");
  EXPECT_TRUE(untouched.sizes.empty());
}

}  // namespace
