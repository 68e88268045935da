#include "engine/file_ops.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <thread>

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
  if (_fseeki64(file, 0, SEEK_END) != 0) return -1;
  return _ftelli64(file);
#else
  if (::fseeko(file, 0, SEEK_END) != 0) return -1;
  return static_cast<std::int64_t>(::ftello(file));
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

void* FileOps::Allocate(std::size_t bytes) {
  return std::malloc(bytes);
}

void FileOps::Release(void* block) {
  std::free(block);
}

std::FILE* FileOps::OpenWrite(const char* path) {
#if defined(_WIN32)
  std::wstring wide;
  if (!LongPathForm(path, wide)) return nullptr;
  return _wfopen(wide.c_str(), L"w");
#else
  return std::fopen(path, "w");
#endif
}

std::size_t FileOps::Write(const void* bytes, std::size_t count, std::FILE* file) {
  return std::fwrite(bytes, 1, count, file);
}

int FileOps::Flush(std::FILE* file) {
  return std::fflush(file);
}

int FileOps::Remove(const char* path) {
#if defined(_WIN32)
  std::wstring wide;
  if (!LongPathForm(path, wide)) return -1;
  return DeleteFileW(wide.c_str()) ? 0 : -1;
#else
  return std::remove(path);
#endif
}

bool FileOps::SameFile(const char* a, const char* b) {
  // Equal spellings name one file even where the file system cannot be asked.
  if (std::string_view(a) == std::string_view(b)) return true;
#if defined(_WIN32)
  // One file is one volume serial number and file index, whatever the
  // spelling; std::filesystem would read the narrow path in the ANSI code page.
  BY_HANDLE_FILE_INFORMATION info[2];
  const char* paths[2] = {a, b};
  for (int i = 0; i < 2; ++i) {
    std::wstring wide;
    if (!LongPathForm(paths[i], wide)) return false;
    HANDLE handle = CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    const BOOL ok = GetFileInformationByHandle(handle, &info[i]);
    CloseHandle(handle);
    if (!ok) return false;
  }
  return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
         info[0].nFileIndexHigh == info[1].nFileIndexHigh &&
         info[0].nFileIndexLow == info[1].nFileIndexLow;
#else
  std::error_code error;
  const bool same =
      std::filesystem::equivalent(std::filesystem::path(a), std::filesystem::path(b), error);
  return !error && same;
#endif
}

FileOps& FileOps::Default() {
  static FileOps ops;
  return ops;
}
