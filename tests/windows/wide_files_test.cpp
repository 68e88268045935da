// The engine's file calls on Windows with the paths users have: names in any
// script, paths past 260 characters, a best-fit decoy beside the model, the
// report that would be the model itself, and another program saving the
// model while it is open.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "engine/file_identity.h"
#include "engine/file_ops.h"
#include "engine/wide_path.h"
#include "engine/win_narrow.h"
#include "job/extract_job.h"
#include "tests/test_support.h"
#include "tools/tavgen/tav_builder.h"

namespace {

using testing_support::CaptureStdout;
using testing_support::OnDisk;
using testing_support::ReportHeader;
using testing_support::ScratchDir;

std::wstring LongForm(const std::wstring& path) {
  std::wstring wide;
  EXPECT_TRUE(LongPathFormOf(path, wide)) << "cannot resolve the test's own path";
  return wide;
}

void MakeFolders(const std::wstring& path) {
  const std::wstring full = LongForm(path);
  // Each folder after the "\\?\X:\" prefix, one at a time.
  for (std::size_t at = full.find(L'\\', 7); at != std::wstring::npos;
       at = full.find(L'\\', at + 1)) {
    CreateDirectoryW(full.substr(0, at).c_str(), nullptr);
  }
  CreateDirectoryW(full.c_str(), nullptr);
}

bool WriteWide(const std::wstring& path, const std::string& bytes) {
  HANDLE h = CreateFileW(LongForm(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                         CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(h);
  return ok && written == bytes.size();
}

// The file's bytes; "<absent>" when it cannot be opened.
std::string ReadWide(const std::wstring& path) {
  HANDLE h = CreateFileW(LongForm(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return "<absent>";
  std::string bytes;
  char chunk[4096];
  DWORD got = 0;
  while (ReadFile(h, chunk, sizeof(chunk), &got, nullptr) && got > 0) bytes.append(chunk, got);
  CloseHandle(h);
  return bytes;
}

// A model with one object named `object`.
std::string Model(const std::string& object) {
  tavgen::TavBuilder b;
  b.Version().Node().ArgNode(tavgen::Kind::Rotation, object, 7);
  return std::string(b.bytes().begin(), b.bytes().end());
}

std::string ReportFor(const std::string& object) {
  return OnDisk(ReportHeader(0, 0) + object + " = 7 ( Rotation Node )\n");
}

std::string Narrow(const std::wstring& wide) {
  std::string narrow;
  EXPECT_EQ(NarrowNative(wide.c_str(), narrow), static_cast<DWORD>(ERROR_SUCCESS));
  return narrow;
}

ExtractResult Extract(const std::wstring& model, std::string* log = nullptr) {
  ExtractResult result = ExtractResult::Failed;
  const std::string narrow = Narrow(model);
  const std::string out =
      CaptureStdout([&] { result = ExtractModelArgs(narrow.c_str(), 0, 0, 0); });
  if (log != nullptr) *log = out;
  return result;
}

TEST(WideFiles, EveryScriptReachesTheModelAndItsReport) {
  const struct {
    const char* name;
    std::wstring folder;
    std::wstring file;  // without ".tav"
  } cases[] = {
      {"Cyrillic", L"\u0418\u0432\u0430\u043d", L"\u041a\u0430\u0431\u0438\u043d\u0430"},
      {"Greek", L"\u03bc\u03bf\u03bd\u03c4\u03ad\u03bb\u03b1", L"\u03b1\u03b5\u03c1\u03bf"},
      {"Cjk", L"\u6a21\u578b", L"\u5ea7\u8231"},
      {"OutsideTheBmp", L"\U0001F680", L"\U00020000\U0001F600"},
      {"CombiningMarks", L"e\u0301t\u00e9", L"n\u0303a\u0308"},
      {"Western", L"Caf\u00e9", L"\u0141\u00f3d\u017a"},
  };
  ScratchDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::wstring folder = dir.path().wstring() + L"\\" + c.folder;
    MakeFolders(folder);
    const std::wstring model = folder + L"\\" + c.file + L".tav";
    ASSERT_TRUE(WriteWide(model, Model("flap")));
    std::string log;
    EXPECT_EQ(Extract(model, &log), ExtractResult::Completed) << log;
    EXPECT_EQ(ReadWide(folder + L"\\" + c.file + L".txt"), ReportFor("flap"));
  }
}

// "Łódź" best-fits to "Lódz" in code page 1252: the decoy of that name
// must be neither read nor written.
TEST(WideFiles, BestFitDecoyIsNeverOpened) {
  ScratchDir dir;
  const std::wstring base = dir.path().wstring() + L"\\";
  ASSERT_TRUE(WriteWide(base + L"\u0141\u00f3d\u017a.tav", Model("right")));
  ASSERT_TRUE(WriteWide(base + L"L\u00f3dz.tav", Model("decoy")));
  EXPECT_EQ(Extract(base + L"\u0141\u00f3d\u017a.tav"), ExtractResult::Completed);
  EXPECT_EQ(ReadWide(base + L"\u0141\u00f3d\u017a.txt"), ReportFor("right"));
  EXPECT_EQ(ReadWide(base + L"L\u00f3dz.txt"), "<absent>");
}

TEST(WideFiles, PathsPastTheOldLimit) {
  ScratchDir dir;
  for (const std::size_t length : {300u, 1000u}) {
    SCOPED_TRACE(length);
    std::wstring folder = dir.path().wstring();
    for (int i = 0; folder.size() < length; ++i) {
      folder += L"\\\u0434\u043b\u0438\u043d\u043d\u0430\u044f_" + std::to_wstring(length) + L"_" +
                std::to_wstring(i) + std::wstring(40, L'x');
    }
    MakeFolders(folder);
    const std::wstring model = folder + L"\\Deep.tav";
    ASSERT_GT(model.size(), length);
    ASSERT_TRUE(WriteWide(model, Model("deep")));
    std::string log;
    EXPECT_EQ(Extract(model, &log), ExtractResult::Completed) << log;
    EXPECT_EQ(ReadWide(folder + L"\\Deep.txt"), ReportFor("deep"));

    // Two spellings of the one long path are one file to the same-file
    // check that the report's guard and the batch planner share.
    const std::wstring last = folder.substr(folder.rfind(L'\\') + 1);
    const std::string spelled = Narrow(model);
    const std::string respelled = Narrow(folder + L"\\..\\" + last + L"\\deep.TAV");
    FileIdentity first;
    FileIdentity second;
    ASSERT_TRUE(IdentifyFile(spelled, first));
    ASSERT_TRUE(IdentifyFile(respelled, second));
    EXPECT_EQ(first, second);
    EXPECT_TRUE(FileOps::Default().SameFile(spelled.c_str(), respelled.c_str()));
    EXPECT_FALSE(FileOps::Default().SameFile(spelled.c_str(), Narrow(folder).c_str()));
  }
}

// A model named *.txt is its own report path; it must be refused, not
// truncated, also when its name is not ASCII and when spelled otherwise.
TEST(WideFiles, ReportThatIsTheModelIsRefused) {
  ScratchDir dir;
  const std::wstring folder = dir.path().wstring() + L"\\\u041f\u0430\u043f\u043a\u0430";
  MakeFolders(folder);
  const std::wstring model = folder + L"\\\u041a\u0430\u0431\u0438\u043d\u0430.txt";
  const std::string bytes = Model("kept");
  ASSERT_TRUE(WriteWide(model, bytes));
  std::string log;
  EXPECT_EQ(Extract(model, &log), ExtractResult::Failed);
  EXPECT_NE(log.find("ERROR: report path is the model file\n"), std::string::npos) << log;
  EXPECT_EQ(ReadWide(model), bytes);

  // The same file through another spelling: a different case and "..".
  const std::string narrowModel = Narrow(model);
  const std::string other = Narrow(folder +
                                   L"\\..\\\u043f\u0430\u043f\u043a\u0430\\"
                                   L"\u043a\u0430\u0431\u0438\u043d\u0430.txt");
  EXPECT_TRUE(FileOps::Default().SameFile(narrowModel.c_str(), other.c_str()));
  const std::string sibling = Narrow(folder + L"\\\u041a\u0430\u0431\u0438\u043d\u0430.tav");
  ASSERT_TRUE(WriteWide(folder + L"\\\u041a\u0430\u0431\u0438\u043d\u0430.tav", bytes));
  EXPECT_FALSE(FileOps::Default().SameFile(narrowModel.c_str(), sibling.c_str()));
}

// While the job has the model open, every save by another program that
// writes the file goes through, and the stamp the read is checked with moves.
// (Replacing the model by renaming another file over it is refused by
// Windows while any handle to it is open, whatever its sharing; the job
// holds one only for the moment of the read.)
TEST(WideFiles, OtherProgramsSaveWhileTheModelIsOpen) {
  const struct {
    const char* name;
    DWORD disposition;  // how the other program opens the model
    bool truncate;      // SetEndOfFile at 0 after opening
  } saves[] = {
      {"CreateAlways", CREATE_ALWAYS, false},
      {"InPlace", OPEN_EXISTING, false},
      {"Truncate", OPEN_EXISTING, true},
      {"TruncateAll", TRUNCATE_EXISTING, false},
  };
  ScratchDir dir;
  for (const auto& save : saves) {
    SCOPED_TRACE(save.name);
    const std::wstring model = dir.path().wstring() + L"\\\u041c.tav";
    ASSERT_TRUE(WriteWide(model, Model("before")));
    const std::string narrow = Narrow(model);
    std::FILE* file = FileOps::Default().OpenRead(narrow.c_str());
    ASSERT_NE(file, nullptr);
    EXPECT_FALSE(FileOps::Default().Hold(file));
    EXPECT_EQ(FileOps::Default().Map(file, 4), nullptr);
    const FileStamp before = FileOps::Default().Stamp(file);
    ASSERT_GE(before.size, 0);
    const std::string after = Model("behind");  // the same size: only the times can tell
    ASSERT_EQ(after.size(), static_cast<std::size_t>(before.size));
    HANDLE writer = CreateFileW(LongForm(model).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                save.disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE) << GetLastError();
    if (save.truncate) {
      EXPECT_TRUE(SetEndOfFile(writer)) << GetLastError();
    }
    DWORD written = 0;
    EXPECT_TRUE(
        WriteFile(writer, after.data(), static_cast<DWORD>(after.size()), &written, nullptr))
        << GetLastError();
    CloseHandle(writer);
    EXPECT_FALSE(FileOps::Default().Stamp(file) == before);
    FileOps::Default().Close(file);
    EXPECT_EQ(ReadWide(model), after);
  }
}

TEST(WidePath, LongPathForm) {
  wchar_t current[MAX_PATH];
  ASSERT_GT(GetCurrentDirectoryW(MAX_PATH, current), 0u);
  std::wstring cwd = current;
  if (cwd.back() != L'\\') cwd += L'\\';
  const struct {
    const char* name;
    const char* utf8;
    std::wstring wide;  // empty: the conversion fails
  } cases[] = {
      {"Relative", "m\\a.tav", L"\\\\?\\" + cwd + L"m\\a.tav"},
      {"ForwardSlashesAndDots", "C:/m/./x/../a.tav", L"\\\\?\\C:\\m\\a.tav"},
      {"Share", "\\\\server\\share\\a.tav", L"\\\\?\\UNC\\server\\share\\a.tav"},
      {"AlreadyLong", "\\\\?\\C:\\m\\a.tav", L"\\\\?\\C:\\m\\a.tav"},
      {"Utf8", "C:\\\xD0\x9A.tav", L"\\\\?\\C:\\\u041a.tav"},
      {"NotUtf8", "C:\\\xC0\x80.tav", L""},
      {"LoneSurrogateEncoded", "C:\\\xED\xA0\x80.tav", L""},
      {"Empty", "", L""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::wstring wide = L"untouched";
    EXPECT_EQ(LongPathForm(c.utf8, wide), !c.wide.empty());
    EXPECT_EQ(wide, c.wide.empty() ? L"untouched" : c.wide);
  }
}

}  // namespace
