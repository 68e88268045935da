// Shared helpers for the engine tests: scratch folders, files and captured
// standard output.
#ifndef QUORVEL_TESTS_TEST_SUPPORT_H_
#define QUORVEL_TESTS_TEST_SUPPORT_H_

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace testing_support {

// A fresh folder under the system temp folder, removed with its contents.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// Changes the working directory for the lifetime of the object.
class WorkingDir {
 public:
  explicit WorkingDir(const std::filesystem::path& dir);
  ~WorkingDir();
  WorkingDir(const WorkingDir&) = delete;
  WorkingDir& operator=(const WorkingDir&) = delete;

 private:
  std::filesystem::path previous_;
};

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
void WriteText(const std::string& path, const std::string& text);
// The file's bytes; empty when it cannot be read.
std::string ReadAll(const std::string& path);
// What a text-mode stream puts on disk for `text`: each LF becomes CR LF on
// Windows and stays as it is elsewhere.
std::string OnDisk(const std::string& text);

// The names in `folder`, sorted, joined by single spaces ("" when empty):
// what a test expects to be left there, temporary files included.
std::string FolderNames(const std::filesystem::path& folder);

// The report's fixed header with its counts line.
std::string ReportHeader(int matched, int total);

// Runs `body` and returns what it printed on standard output.
std::string CaptureStdout(const std::function<void()>& body);

}  // namespace testing_support

#endif  // QUORVEL_TESTS_TEST_SUPPORT_H_
