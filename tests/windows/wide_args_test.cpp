// Narrowing of wide arguments: the two-try buffer sizing and the failure
// path against a stand-in converter, and real paths through the thread's
// ANSI code page down to fopen and the engine.
#include "cli/wide_args.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "engine/extract_job.h"
#include "tests/test_support.h"

namespace {

using testing_support::CaptureStdout;
using testing_support::ScratchDir;

// What the stand-in converter saw and does.
struct FakeConverter {
  std::string output;  // written, NUL included, when the buffer is large enough
  DWORD failWith = ERROR_SUCCESS;
  std::vector<int> bufferSizes;
  UINT codePage = 0;
  int wideCount = 0;
};
FakeConverter* fake = nullptr;

int WINAPI FakeConvert(UINT codePage, DWORD, LPCWCH, int wideCount, LPSTR narrow, int narrowSize,
                       LPCCH, LPBOOL) {
  fake->bufferSizes.push_back(narrowSize);
  fake->codePage = codePage;
  fake->wideCount = wideCount;
  if (fake->failWith != ERROR_SUCCESS) {
    SetLastError(fake->failWith);
    return 0;
  }
  const int needed = static_cast<int>(fake->output.size());
  if (narrowSize == 0) return needed;
  if (narrowSize < needed) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  fake->output.copy(narrow, fake->output.size());
  return needed;
}

class Narrowing : public testing::Test {
 protected:
  void SetUp() override { fake = &converter; }
  void TearDown() override { fake = nullptr; }
  FakeConverter converter;
};

TEST_F(Narrowing, FirstTryOfFourBytesPerCharacterSuffices) {
  converter.output = std::string("ab\0", 3);
  std::string narrow = "old";
  EXPECT_EQ(NarrowWith(&FakeConvert, L"ab", narrow), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(narrow, "ab");
  EXPECT_EQ(converter.bufferSizes, std::vector<int>({12}));
  EXPECT_EQ(converter.codePage, static_cast<UINT>(CP_THREAD_ACP));
  EXPECT_EQ(converter.wideCount, 3);  // the terminator is converted too
}

TEST_F(Narrowing, SecondTryTakesTheSizeTheConversionAsksFor) {
  converter.output = std::string(20, 'x') + '\0';
  std::string narrow;
  EXPECT_EQ(NarrowWith(&FakeConvert, L"ab", narrow), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(narrow, std::string(20, 'x'));
  EXPECT_EQ(converter.bufferSizes, std::vector<int>({12, 0, 21}));
}

TEST_F(Narrowing, TextEndsAtTheFirstNul) {
  converter.output = std::string("a\0b\0", 4);
  std::string narrow;
  EXPECT_EQ(NarrowWith(&FakeConvert, L"a?b", narrow), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(narrow, "a");
}

TEST_F(Narrowing, FailureReportsTheErrorAndKeepsTheTarget) {
  for (DWORD error : {static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION),
                      static_cast<DWORD>(ERROR_INVALID_PARAMETER)}) {
    converter.failWith = error;
    converter.bufferSizes.clear();
    std::string narrow = "kept";
    EXPECT_EQ(NarrowWith(&FakeConvert, L"ab", narrow), error);
    EXPECT_EQ(narrow, "kept");
    EXPECT_EQ(converter.bufferSizes.size(), 1u);  // no retry for other errors
  }
}

TEST(NarrowArguments, SkipsTheProgramNameAndKeepsOrder) {
  wchar_t program[] = L"quorvel-cli.exe";
  wchar_t first[] = L"-c";
  wchar_t second[] = L"B.tav";
  wchar_t empty[] = L"";
  wchar_t* argv[] = {program, first, second, empty};
  std::vector<std::string> args = {"stale"};
  int index = -1;
  EXPECT_EQ(NarrowArguments(4, argv, args, index), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(args, std::vector<std::string>({"-c", "B.tav", ""}));
}

// A name with a character of the Western code pages, created through the
// wide API, must open through the narrowed name as the engine opens it.
TEST(NarrowToThreadAcp, NarrowedPathReachesTheFileAndTheEngine) {
  std::string probe;
  if (NarrowToThreadAcp(L"\u00e9", probe) != ERROR_SUCCESS || probe == "?") {
    GTEST_SKIP() << "the thread's ANSI code page has no e-acute";
  }
  ScratchDir dir;
  std::wstring wide = dir.path().wstring() + L"\\Caf\u00e9.tav";
  std::FILE* file = _wfopen(wide.c_str(), L"wb");
  ASSERT_NE(file, nullptr);
  std::fputs("__VERSION__", file);
  std::fclose(file);

  std::string narrow;
  ASSERT_EQ(NarrowToThreadAcp(wide.c_str(), narrow), static_cast<DWORD>(ERROR_SUCCESS));
  ExtractResult result = ExtractResult::Failed;
  const std::string log =
      CaptureStdout([&] { result = ExtractModelArgs(narrow.c_str(), 0, 0, 0); });
  EXPECT_EQ(result, ExtractResult::Completed);
  EXPECT_EQ(log, "fsize: 11(11)\nstart\n");
  const std::wstring report = dir.path().wstring() + L"\\Caf\u00e9.txt";
  EXPECT_EQ(_waccess(report.c_str(), 0), 0);
}

}  // namespace
