// FileOps on Windows, through the system's own wide calls (contracts in
// engine/file_ops.h). Every path is the engine's UTF-8 widened to the
// long-path form (engine/wide_path.h); a path that is not UTF-8 fails.
//
// Nothing is held, locked or mapped here: another program may write,
// truncate, replace or delete a model while it is read, and its save never
// fails because of this one. The stamps taken around the read and a second
// pass over the bytes (StillOnDisk) tell a changed file instead.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <string>

#include "engine/file_ops.h"
#include "engine/wide_path.h"

// ---- Files ----

std::FILE* FileOps::OpenRead(const char* path) {
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
}

std::int64_t FileOps::MeasureSize(std::FILE* file) {
  LARGE_INTEGER size;
  HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
  if (handle == INVALID_HANDLE_VALUE || !GetFileSizeEx(handle, &size)) return -1;
  return static_cast<std::int64_t>(size.QuadPart);
}

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

bool FileOps::StillOnDisk(std::FILE* file, const void* block, std::size_t count) {
  // A second pass over the bytes: here a rewrite in place through another
  // open handle need not move the stamp (see Stamp).
  return SameOnDisk(block, count, file);
}

bool FileOps::FailedForWantOfResources() {
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
  // The C runtime's own calls (fopen, malloc) set errno instead.
  return errno == EMFILE || errno == ENFILE || errno == ENOMEM;
}

// ---- Holding and mapping ----
//
// Windows has no lease that makes a writer wait, and a lock or a mapped view
// makes other programs' saves fail (lock violation, ERROR_USER_MAPPED_FILE on
// CREATE_ALWAYS or SetEndOfFile). So nothing is held or mapped: the model is
// always read, and the stamp taken around the read tells a changed file.

bool FileOps::Hold(std::FILE*) {
  return false;
}

bool FileOps::HoldIntact(std::FILE*) {
  return false;  // never held
}

void FileOps::Unhold(std::FILE*) {}

bool FileOps::OpenForWriting(std::FILE*) {
  // Not asked. The only way to ask, a second open that allows no other
  // writer (ERROR_SHARING_VIOLATION while one exists), makes a save that
  // opens the model in that moment fail, however soon it is closed: under
  // Wine 4 of 452 saves failed. Other programs' saves never fail because of
  // this one; the stamps and the second pass (StillOnDisk) tell a change.
  return false;
}

bool FileOps::MapsBetter(std::size_t) {
  return true;  // never held, so never asked
}

const void* FileOps::Map(std::FILE*, std::size_t) {
  return nullptr;
}

void FileOps::Unmap(const void*, std::size_t) {}

FileStamp FileOps::Stamp(std::FILE* file) {
  // Size, LastWriteTime and ChangeTime of the open handle. A size change
  // (truncation, CREATE_ALWAYS, growth) shows at once through every handle.
  // The times do not always: NTFS notes a cached write in the writer's handle
  // and sets the times when that handle is closed (cleanup) or when the
  // file's size is next set, so a rewrite in place that keeps the size and
  // whose handle stays open past the read is not seen; nor a read that lies
  // wholly inside one long write, whose times were set as it began.
  // StillOnDisk covers that gap.
  HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
  FILE_BASIC_INFO times;
  LARGE_INTEGER size;
  if (handle == INVALID_HANDLE_VALUE ||
      !GetFileInformationByHandleEx(handle, FileBasicInfo, &times, sizeof(times)) ||
      !GetFileSizeEx(handle, &size)) {
    return {};
  }
  // 100 ns units since 1601, made nanoseconds since 1970 so that they compare
  // with FileOps::Now (the job waits for a file written just now).
  constexpr std::int64_t kNsPerTick = 100;
  constexpr std::int64_t kTicksFrom1601To1970 = 116444736000000000;
  const auto ns = [](const LARGE_INTEGER& t) {
    return (t.QuadPart - kTicksFrom1601To1970) * kNsPerTick;
  };
  return {size.QuadPart, ns(times.LastWriteTime), ns(times.ChangeTime)};
}

// ---- Noting writes ----
//
// Windows tells no event for another handle's write to, or close of, one open
// file: there is no watch, and the stamps decide alone.

int FileOps::Watch(std::FILE*) {
  return -1;  // not available here: the stamps decide alone
}

bool FileOps::WatchSawWrite(int) {
  return false;
}

void FileOps::Unwatch(int) {}

FileOps::WriterEvent FileOps::AwaitWriter(std::FILE*, std::int64_t quietNs) {
  Pause(quietNs);
  return WriterEvent::Wrote;  // no event tells more: the caller asks again
}

// ---- Page memory ----

void* FileOps::AllocatePages(std::size_t bytes) {
  return std::calloc(bytes, 1);  // no huge pages to be had here
}

void FileOps::ReleasePages(void* block, std::size_t) {
  std::free(block);
}

// ---- Temporary files ----

namespace {

// Numbers the temporary files of this process; with the process id it makes
// a name that a new file is tried under until one is free.
std::atomic<unsigned> tempCounter{0};
constexpr int kTempAttempts = 100;

}  // namespace

std::FILE* FileOps::CreateTemp(const char* reportPath, TempFile& temp) {
  std::wstring report;
  if (!LongPathForm(reportPath, report)) return nullptr;
  // A folder or device is never opened; a read-only report stays refused, as
  // a "w" open would have refused it. A link is replaced, never written
  // through.
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
    // Shared for deletion, so that an interrupted run can remove the file
    // while it is open (RemoveTempFilesForExit).
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
}

bool FileOps::ReplaceWithTemp(TempFile& temp, const char* reportPath) {
  // MoveFileExW replaces a link at `reportPath` itself, never its target.
  std::wstring report;
  if (!LongPathForm(reportPath, report)) return false;
  const std::lock_guard<std::mutex> lock(TempFilesLock());
  if (!MoveFileExW(temp.path.c_str(), report.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return false;
  }
  UnlistTempFile(temp);
  return true;
}

void FileOps::RemoveTemp(TempFile& temp) {
  const std::lock_guard<std::mutex> lock(TempFilesLock());
  if (!temp.listed) return;
  DeleteFileW(temp.path.c_str());
  UnlistTempFile(temp);
}
