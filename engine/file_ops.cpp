#include "engine/file_ops.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "engine/file_identity.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "engine/wide_path.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

std::FILE* FileOps::OpenRead(const char* path) {
#if defined(_WIN32)
  // Every kind of sharing, and no lock or mapping later: another program may
  // write, truncate, replace or delete the model while it is read, and its
  // save never fails because of this one. The read checks the stamp instead.
  std::wstring wide;
  if (!LongPathForm(path, wide)) return nullptr;
  HANDLE handle = CreateFileW(
      wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  BY_HANDLE_FILE_INFORMATION info;
  if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    CloseHandle(handle);
    return nullptr;
  }
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
  if (fd < 0) {
    CloseHandle(handle);
    return nullptr;
  }
  std::FILE* file = _fdopen(fd, "rb");
  if (file == nullptr) _close(fd);  // closes the handle too
  return file;
#else
  // O_NONBLOCK keeps a FIFO from blocking the open; it is cleared once the
  // descriptor is known to be a regular file.
  const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return nullptr;
  struct stat info;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return nullptr;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    ::close(fd);
    return nullptr;
  }
  std::FILE* file = ::fdopen(fd, "rb");
  if (file == nullptr) ::close(fd);
  return file;
#endif
}

std::int64_t FileOps::MeasureSize(std::FILE* file) {
#if defined(_WIN32)
  LARGE_INTEGER size;
  HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
  if (handle == INVALID_HANDLE_VALUE || !GetFileSizeEx(handle, &size)) return -1;
  return static_cast<std::int64_t>(size.QuadPart);
#else
  struct stat info;
  if (::fstat(::fileno(file), &info) != 0) return -1;
  return static_cast<std::int64_t>(info.st_size);
#endif
}

bool FileOps::Rewind(std::FILE* file) {
  return std::fseek(file, 0, SEEK_SET) == 0;
}

#if defined(_WIN32)
namespace {

// True when the file's first `count` bytes still equal `block`: read again in
// chunks at their offsets, through the handle, past the stream's buffer.
bool SameOnDisk(const void* block, std::size_t count, std::FILE* file) {
  HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
  const auto* expected = static_cast<const char*>(block);
  // Large chunks where memory allows, else a small one: the check never
  // allocates in a way that could throw.
  constexpr std::size_t kLarge = std::size_t{1} << 20;
  char small[16384];
  std::unique_ptr<char[]> large(new (std::nothrow) char[kLarge]);
  char* chunk = large != nullptr ? large.get() : small;
  const std::size_t chunkSize = large != nullptr ? kLarge : sizeof(small);
  for (std::size_t at = 0; at < count;) {
    const DWORD want = static_cast<DWORD>(std::min(chunkSize, count - at));
    OVERLAPPED where = {};
    where.Offset = static_cast<DWORD>(static_cast<std::uint64_t>(at) & 0xFFFFFFFFu);
    where.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(at) >> 32);
    DWORD got = 0;
    if (!ReadFile(handle, chunk, want, &got, &where) || got != want) return false;
    if (std::memcmp(chunk, expected + at, want) != 0) return false;
    at += want;
  }
  return true;
}

}  // namespace
#endif

std::size_t FileOps::Read(void* buffer, std::size_t count, std::FILE* file) {
  return std::fread(buffer, 1, count, file);
}

bool FileOps::StillOnDisk(std::FILE* file, const void* block, std::size_t count) {
#if defined(_WIN32)
  return SameOnDisk(block, count, file);
#else
  (void)file;
  (void)block;
  (void)count;
  return true;  // the stamps and the watch see every write here
#endif
}

bool FileOps::FailedForWantOfResources() {
#if defined(_WIN32)
  switch (GetLastError()) {
    case ERROR_TOO_MANY_OPEN_FILES:
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
    case ERROR_NO_SYSTEM_RESOURCES:
    case ERROR_NOT_ENOUGH_QUOTA:
    case ERROR_COMMITMENT_LIMIT:
      return true;
    default:
      break;
  }
#endif
  return errno == EMFILE || errno == ENFILE || errno == ENOMEM;
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

namespace {

// Numbers the temporary files of this process; with the process id it makes
// a name that a new file is tried under until one is free.
std::atomic<unsigned> tempCounter{0};
constexpr int kTempAttempts = 100;

}  // namespace

std::FILE* FileOps::CreateTemp(const char* reportPath, TempFile& temp) {
#if defined(_WIN32)
  std::wstring report;
  if (!LongPathForm(reportPath, report)) return nullptr;
  const DWORD attributes = GetFileAttributesW(report.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    const bool link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) return nullptr;
    if (!link && (attributes & FILE_ATTRIBUTE_READONLY) != 0) return nullptr;
  }
  // The long-path form is a full path with backslashes only.
  const std::wstring folder = report.substr(0, LastPartStart(std::wstring_view(report)));
  const std::wstring stem = folder + L".quorvel-" + std::to_wstring(GetCurrentProcessId()) + L"-";
  for (int attempt = 0; attempt < kTempAttempts; ++attempt) {
    std::wstring name = stem + std::to_wstring(tempCounter++) + L".tmp";
    std::unique_lock<std::mutex> lock(TempFilesLock());
    HANDLE handle = CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      const DWORD error = GetLastError();
      if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
      return nullptr;
    }
    temp.path = std::move(name);
    ListTempFile(temp);
    lock.unlock();
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_TEXT);
    if (fd < 0) {
      CloseHandle(handle);
      RemoveTemp(temp);
      return nullptr;
    }
    temp.file = _fdopen(fd, "w");
    if (temp.file == nullptr) {
      _close(fd);  // closes the handle too
      RemoveTemp(temp);
    }
    return temp.file;
  }
  return nullptr;
#else
  struct stat old;
  bool keepMode = false;
  if (::lstat(reportPath, &old) == 0) {
    if (S_ISREG(old.st_mode)) {
      // A report this process could not open for writing stays refused.
      if (::faccessat(AT_FDCWD, reportPath, W_OK, AT_EACCESS) != 0) return nullptr;
      keepMode = true;
    } else if (!S_ISLNK(old.st_mode)) {
      return nullptr;  // folder, FIFO, device or socket
    }
  }
  const mode_t mode = keepMode ? (old.st_mode & 0777) : 0666;
  const char* slash = std::strrchr(reportPath, '/');
  const std::string folder(reportPath, slash != nullptr ? slash + 1 - reportPath : 0);
  const std::string stem = folder + ".quorvel-" + std::to_string(::getpid()) + "-";
  for (int attempt = 0; attempt < kTempAttempts; ++attempt) {
    std::string name = stem + std::to_string(tempCounter++) + ".tmp";
    std::unique_lock<std::mutex> lock(TempFilesLock());
    // Created with at most the old bits (the umask may take some away), so
    // the text is never readable by more than the old report was.
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return nullptr;
    }
    temp.path = std::move(name);
    ListTempFile(temp);
    lock.unlock();
    if (keepMode) (void)::fchmod(fd, mode);  // where the file system can take them
    temp.file = ::fdopen(fd, "w");
    if (temp.file == nullptr) {
      ::close(fd);
      RemoveTemp(temp);
    }
    return temp.file;
  }
  return nullptr;
#endif
}

bool FileOps::ReplaceWithTemp(TempFile& temp, const char* reportPath) {
#if defined(_WIN32)
  std::wstring report;
  if (!LongPathForm(reportPath, report)) return false;
  const std::lock_guard<std::mutex> lock(TempFilesLock());
  if (!MoveFileExW(temp.path.c_str(), report.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return false;
  }
#else
  const std::lock_guard<std::mutex> lock(TempFilesLock());
  if (::rename(temp.path.c_str(), reportPath) != 0) return false;
#endif
  UnlistTempFile(temp);
  return true;
}

void FileOps::RemoveTemp(TempFile& temp) {
  const std::lock_guard<std::mutex> lock(TempFilesLock());
  if (!temp.listed) return;
#if defined(_WIN32)
  DeleteFileW(temp.path.c_str());
#else
  ::unlink(temp.path.c_str());
#endif
  UnlistTempFile(temp);
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
