// FileOps: the calls that are the same on every system, through the C
// runtime and the standard library. The system's own calls are in
// engine/file_ops_posix.cpp and engine/file_ops_windows.cpp, one of which is
// built (engine/CMakeLists.txt).
#include "engine/file_ops.h"

#include <chrono>
#include <string_view>
#include <thread>

#include "engine/file_identity.h"

bool FileOps::Rewind(std::FILE* file) {
  return std::fseek(file, 0, SEEK_SET) == 0;
}

std::size_t FileOps::Read(void* buffer, std::size_t count, std::FILE* file) {
  return std::fread(buffer, 1, count, file);
}

int FileOps::Close(std::FILE* file) {
  return std::fclose(file);
}

std::int64_t FileOps::Now() {
  // The system clock counts from the Unix epoch, as the stamps do.
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

void FileOps::Pause(std::int64_t nanoseconds) {
  std::this_thread::sleep_for(std::chrono::nanoseconds(nanoseconds));
}

std::size_t FileOps::Write(const void* bytes, std::size_t count, std::FILE* file) {
  return std::fwrite(bytes, 1, count, file);
}

int FileOps::Flush(std::FILE* file) {
  return std::fflush(file);
}

bool FileOps::SameFile(const char* a, const char* b) {
  // Equal spellings name one file even where the file system cannot be asked.
  if (std::string_view(a) == std::string_view(b)) return true;
  FileIdentity first;
  FileIdentity second;
  return IdentifyFile(a, first) && IdentifyFile(b, second) && first == second;
}

FileOps& FileOps::Default() {
  static FileOps ops;
  return ops;
}
