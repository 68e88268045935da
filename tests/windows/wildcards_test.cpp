// Wildcard expansion of the command line on Windows: the matching rule, the
// order of the matches, and what is left as it was given.
#include "cli/wildcards.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "tests/test_support.h"

namespace {

using testing_support::ScratchDir;

TEST(Wildcards, Matching) {
  const struct {
    const wchar_t* pattern;
    const wchar_t* name;
    bool matches;
  } cases[] = {
      {L"*.tav", L"Cockpit.tav", true},
      {L"*.tav", L"COCKPIT.TAV", true},
      {L"*.tav", L"cockpit.tavx", false},
      {L"*.tav", L".tav", true},
      {L"?.tav", L"a.tav", true},
      {L"?.tav", L"ab.tav", false},
      {L"?.tav", L"\U0001F600.tav", true},  // one character, two code units
      {L"\u043a*", L"\u041a\u0430\u0431\u0438\u043d\u0430.tav", true},
      {L"*a*b*c", L"xxaxxbxxc", true},
      {L"*a*b*c", L"xxaxxcxxb", false},
      {L"**", L"", true},
      {L"a*", L"", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MatchesWildcard(c.pattern, c.name), c.matches) << "pattern #" << (&c - cases);
  }
}

TEST(Wildcards, WhereTheLastComponentStarts) {
  EXPECT_TRUE(HasWildcard(L"m\\*.tav"));
  EXPECT_TRUE(HasWildcard(L"C:?.tav"));
  EXPECT_TRUE(HasWildcard(L"m/a?.tav"));
  EXPECT_FALSE(HasWildcard(L"m*\\a.tav"));  // only the last component
  EXPECT_FALSE(HasWildcard(L"m\\a.tav"));
}

TEST(Wildcards, ExpansionInNameOrder) {
  ScratchDir dir;
  const std::wstring folder = dir.path().wstring() + L"\\m";
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  for (const wchar_t* name : {L"b.tav", L"A.tav", L"c.TAV", L"\u0431.tav", L"d.tavx", L"e.txt"}) {
    HANDLE h = CreateFileW((folder + L"\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
  }
  ASSERT_TRUE(CreateDirectoryW((folder + L"\\dir.tav").c_str(), nullptr));
  const std::wstring prefix = folder + L"\\";
  EXPECT_EQ(ExpandWildcard(prefix + L"*.tav"),
            (std::vector<std::wstring>{prefix + L"A.tav", prefix + L"b.tav", prefix + L"c.TAV",
                                       prefix + L"\u0431.tav"}));
  EXPECT_TRUE(ExpandWildcard(prefix + L"*.none").empty());
  EXPECT_TRUE(ExpandWildcard(folder + L"\\missing\\*.tav").empty());

  const std::vector<std::wstring> args = {L"-c", prefix + L"?.txt",    prefix + L"*.none", L"--",
                                          L"-x", prefix + L"[ab].tav", prefix + L"b*"};
  EXPECT_EQ(ExpandModelArguments(args),
            (std::vector<std::wstring>{L"-c", prefix + L"e.txt", prefix + L"*.none", L"--", L"-x",
                                       prefix + L"[ab].tav", prefix + L"b.tav"}));
}

}  // namespace
