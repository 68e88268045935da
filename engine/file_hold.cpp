// FileOps: holding a file against change and mapping it (contracts in
// engine/file_ops.h).
#include <cerrno>
#include <cstdio>
#include <initializer_list>

#include "engine/file_ops.h"

#if defined(_WIN32)
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#if defined(_WIN32)

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

const void* FileOps::Map(std::FILE*, std::size_t) {
  return nullptr;
}

void FileOps::Unmap(const void*, std::size_t) {}

FileStamp FileOps::Stamp(std::FILE* file) {
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

#else  // POSIX

namespace {

// A lease must outlast the longest map and scan (a few seconds at 2 GiB); a
// system that breaks leases sooner gets the read instead.
constexpr long kMinLeaseBreakSeconds = 10;

long LeaseBreakSeconds() {
  std::FILE* f = std::fopen("/proc/sys/fs/lease-break-time", "r");
  if (f == nullptr) return 0;
  long seconds = 0;
  if (std::fscanf(f, "%ld", &seconds) != 1) seconds = 0;
  std::fclose(f);
  return seconds;
}

// A signal whose arrival does nothing in this process: default action
// "ignore" and no handler installed. 0 when there is none.
int QuietSignal() {
  for (const int sig : {SIGURG, SIGWINCH}) {
    struct sigaction current;
    if (::sigaction(sig, nullptr, &current) != 0) continue;
    if ((current.sa_flags & SA_SIGINFO) == 0 &&
        (current.sa_handler == SIG_DFL || current.sa_handler == SIG_IGN)) {
      return sig;
    }
  }
  return 0;
}

#if defined(F_SETLEASE) && defined(F_SETSIG)
// Takes a read lease on `fd`: 0, or the errno of the refusal (EAGAIN: the
// file is open for writing elsewhere).
int TakeLease(int fd) {
  const int quiet = QuietSignal();
  // A lease break signals the owner the lease names, SIGIO unless told
  // otherwise, and SIGIO ends a process by default.
  if (quiet == 0 || ::fcntl(fd, F_SETSIG, quiet) != 0) return EPERM;
  if (::fcntl(fd, F_SETLEASE, F_RDLCK) != 0) return errno;
  // Taking the lease made this process its owner; with no owner no signal
  // is sent at all. HoldIntact asks instead.
  ::fcntl(fd, F_SETOWN, 0);
  return 0;
}
#endif

}  // namespace

bool FileOps::Hold(std::FILE* file) {
#if defined(F_SETLEASE) && defined(F_SETSIG)
  // Read once: a file opened per job would take a descriptor that a batch
  // short of them needs for its models.
  static const long breakSeconds = LeaseBreakSeconds();
  if (breakSeconds < kMinLeaseBreakSeconds) return false;
  return TakeLease(::fileno(file)) == 0;
#else
  (void)file;
  return false;
#endif
}

bool FileOps::OpenForWriting(std::FILE* file) {
#if defined(F_SETLEASE) && defined(F_SETSIG)
  // Only asked, never kept: a writer that opens meanwhile waits no longer
  // than this call.
  const int refusal = TakeLease(::fileno(file));
  if (refusal == 0) ::fcntl(::fileno(file), F_SETLEASE, F_UNLCK);
  return refusal == EAGAIN;
#else
  (void)file;
  return false;
#endif
}

bool FileOps::HoldIntact(std::FILE* file) {
#if defined(F_GETLEASE)
  // While a break is pending the lease reads as its target type, F_UNLCK.
  return ::fcntl(::fileno(file), F_GETLEASE) == F_RDLCK;
#else
  (void)file;
  return false;
#endif
}

void FileOps::Unhold(std::FILE* file) {
#if defined(F_SETLEASE)
  ::fcntl(::fileno(file), F_SETLEASE, F_UNLCK);
#else
  (void)file;
#endif
}

const void* FileOps::Map(std::FILE* file, std::size_t size) {
  int flags = MAP_PRIVATE;
#if defined(MAP_POPULATE)
  flags |= MAP_POPULATE;  // one call maps every page instead of one fault per page
#endif
  void* view = ::mmap(nullptr, size, PROT_READ, flags, ::fileno(file), 0);
  return view == MAP_FAILED ? nullptr : view;
}

void FileOps::Unmap(const void* view, std::size_t size) {
  ::munmap(const_cast<void*>(view), size);
}

FileStamp FileOps::Stamp(std::FILE* file) {
  struct stat info;
  if (::fstat(::fileno(file), &info) != 0) return {};
  constexpr std::int64_t kNs = 1000000000;
  return {static_cast<std::int64_t>(info.st_size),
          static_cast<std::int64_t>(info.st_mtim.tv_sec) * kNs + info.st_mtim.tv_nsec,
          static_cast<std::int64_t>(info.st_ctim.tv_sec) * kNs + info.st_ctim.tv_nsec};
}

#endif
