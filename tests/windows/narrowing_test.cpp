// The one narrowing of wide text: its buffer sizing and failure path against
// a stand-in converter, and the real conversion calls held to the shared
// table of cases that the emulated layer passes too.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/wide_args.h"
#include "engine/narrow_text.h"
#include "engine/wide_path.h"
#include "engine/win_narrow.h"
#include "gui/tests/narrowing_cases.h"

namespace {

// What the stand-in converter saw and does.
struct FakeConverter {
  std::string output;  // written, NUL included, when the buffer is large enough
  DWORD failWith = ERROR_SUCCESS;
  std::vector<int> bufferSizes;

  int operator()(const wchar_t*, int, char* narrow, int narrowSize) {
    bufferSizes.push_back(narrowSize);
    if (failWith != ERROR_SUCCESS) {
      SetLastError(failWith);
      return 0;
    }
    const int needed = static_cast<int>(output.size());
    if (narrowSize == 0) return needed;
    if (narrowSize < needed) {
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return 0;
    }
    output.copy(narrow, output.size());
    return needed;
  }
};

DWORD RunFake(FakeConverter& fake, const wchar_t* wide, std::string& narrow) {
  return qv::NarrowWith(
      [&](const wchar_t* w, int n, char* out, int size) { return fake(w, n, out, size); },
      [] { return GetLastError(); }, wide, narrow);
}

TEST(NarrowWith, BufferSizing) {
  struct Case {
    const char* name;
    std::string output;
    std::vector<int> sizes;  // the buffer sizes offered, in order
    std::string narrow;
  } cases[] = {
      {"FourBytesPerCharacterSuffice", std::string("ab\0", 3), {12}, "ab"},
      {"SecondTryTakesTheSizeAskedFor",
       std::string(20, 'x') + '\0',
       {12, 0, 21},
       std::string(20, 'x')},
      {"TextEndsAtTheFirstNul", std::string("a\0b\0", 4), {12}, "a"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeConverter fake;
    fake.output = c.output;
    std::string narrow = "old";
    EXPECT_EQ(RunFake(fake, L"ab", narrow), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(narrow, c.narrow);
    EXPECT_EQ(fake.bufferSizes, c.sizes);
  }
}

TEST(NarrowWith, FailureReportsTheErrorAndKeepsTheTarget) {
  for (DWORD error : {static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION),
                      static_cast<DWORD>(ERROR_INVALID_PARAMETER)}) {
    FakeConverter fake;
    fake.failWith = error;
    std::string narrow = "kept";
    EXPECT_EQ(RunFake(fake, L"ab", narrow), error);
    EXPECT_EQ(fake.bufferSizes.size(), 1u);  // no retry for other errors
    EXPECT_EQ(narrow, "kept");
  }
  // A conversion that fails without setting an error still fails.
  std::string narrow = "kept";
  EXPECT_EQ(qv::NarrowWith([](const wchar_t*, int, char*, int) { return 0; },
                           [] { return DWORD{0}; }, L"ab", narrow),
            static_cast<DWORD>(ERROR_INVALID_DATA));
  EXPECT_EQ(narrow, "kept");
}

// Each case narrowed by the real call and, where that succeeds, widened back
// to the same text; bytes that are not UTF-8 fail to widen and leave the
// target as it was.
TEST(NarrowNative, FollowsTheSharedTableAndWidensBackWithTheRealConversion) {
  for (const narrowing_cases::PathCase& c : narrowing_cases::PathCases()) {
    SCOPED_TRACE(c.name);
    std::string narrow = "untouched";
    const DWORD error = NarrowNative(c.wide.c_str(), narrow);
    EXPECT_EQ(error, c.error);
    EXPECT_EQ(narrow, c.error == 0 ? c.narrow : "untouched");
    if (c.error != 0) continue;
    std::wstring wide = L"untouched";
    EXPECT_TRUE(WidenUtf8(narrow, wide));
    EXPECT_EQ(wide, c.wide);
  }
  for (const char* bad : {"\xC3(", "a\xFF", "\xED\xA0\x80", "\xF0\x9F\x98"}) {
    std::wstring wide = L"untouched";
    EXPECT_FALSE(WidenUtf8(bad, wide)) << bad;
    EXPECT_EQ(wide, L"untouched");
  }
  std::wstring wide = L"untouched";
  EXPECT_FALSE(WidenUtf8(static_cast<const char*>(nullptr), wide));
  EXPECT_EQ(wide, L"untouched");
}

TEST(WideCharToMultiByte, Utf8RulesOfTheRealCall) {
  for (const narrowing_cases::CallCase& c : narrowing_cases::Utf8CallCases()) {
    SCOPED_TRACE(c.name);
    char out[64] = {};
    SetLastError(0);
    const int written =
        WideCharToMultiByte(CP_UTF8, c.flags, c.wide.data(), static_cast<int>(c.wide.size()), out,
                            sizeof(out), nullptr, nullptr);
    if (c.error != 0) {
      EXPECT_EQ(written, 0);
      EXPECT_EQ(GetLastError(), c.error);
    } else {
      EXPECT_EQ(std::string(out, static_cast<std::size_t>(written > 0 ? written : 0)), c.narrow);
    }
  }
}

TEST(NarrowArguments, KeepsOrderAndNamesTheFirstThatFails) {
  std::vector<std::string> args = {"stale"};
  std::size_t index = 9;
  EXPECT_EQ(NarrowArguments({L"-c", L"\u041a.tav", L""}, args, index),
            static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(args, std::vector<std::string>({"-c", "\xD0\x9A.tav", ""}));

  const std::wstring bad = {L'x', wchar_t(0xD800)};
  EXPECT_EQ(NarrowArguments({L"-c", bad, L"\u041a.tav"}, args, index),
            static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
  EXPECT_EQ(index, 1u);
}

}  // namespace
