#include "engine/file_ops.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <thread>

#if defined(_WIN32)
#include <sys/stat.h>
#include <sys/types.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

std::FILE* FileOps::OpenRead(const char* path) {
#if defined(_WIN32)
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return nullptr;
  struct _stat64 info;
  if (_fstat64(_fileno(file), &info) != 0 || (info.st_mode & _S_IFMT) != _S_IFREG) {
    std::fclose(file);
    return nullptr;
  }
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

void* FileOps::Allocate(std::size_t bytes) {
  return std::malloc(bytes);
}

void FileOps::Release(void* block) {
  std::free(block);
}

std::FILE* FileOps::OpenWrite(const char* path) {
  return std::fopen(path, "w");
}

std::size_t FileOps::Write(const void* bytes, std::size_t count, std::FILE* file) {
  return std::fwrite(bytes, 1, count, file);
}

int FileOps::Flush(std::FILE* file) {
  return std::fflush(file);
}

int FileOps::Remove(const char* path) {
  return std::remove(path);
}

bool FileOps::SameFile(const char* a, const char* b) {
  // Equal spellings name one file even where the file system cannot be asked.
  if (std::string_view(a) == std::string_view(b)) return true;
  std::error_code error;
  const bool same =
      std::filesystem::equivalent(std::filesystem::path(a), std::filesystem::path(b), error);
  return !error && same;
}

FileOps& FileOps::Default() {
  static FileOps ops;
  return ops;
}
