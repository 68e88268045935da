// FileOps on POSIX systems, through the system's own calls (contracts in
// engine/file_ops.h). Leases, inotify and huge pages are Linux's; another
// POSIX system gets the fallbacks beside them, the same as when Linux refuses.
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <mutex>
#include <string>

#include "engine/file_ops.h"

#if defined(__linux__)
#include <sys/inotify.h>
#endif

// ---- Files ----

std::FILE* FileOps::OpenRead(const char* path) {
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
}

std::int64_t FileOps::MeasureSize(std::FILE* file) {
  struct stat info;
  if (::fstat(::fileno(file), &info) != 0) return -1;
  return static_cast<std::int64_t>(info.st_size);
}

bool FileOps::StillOnDisk(std::FILE* file, const void* block, std::size_t count) {
  (void)file;
  (void)block;
  (void)count;
  return true;  // the stamps and the watch see every write here
}

bool FileOps::FailedForWantOfResources() {
  return errno == EMFILE || errno == ENFILE || errno == ENOMEM;
}

// ---- Holding and mapping ----
//
// Linux holds a file with a read lease: writers and truncation wait until it
// is released. The system refuses it while anyone has the file open for
// writing, to all but the file's owner (or CAP_LEASE), and here it is not
// taken when the system's lease break time is under kMinLeaseBreakSeconds.
// No signal reaches the process for it: the lease names no owner, and the
// signal chosen for the moment before that is one whose disposition here is
// to be ignored (SIGURG, else SIGWINCH; with a handler on both, no lease).

#if defined(F_SETLEASE) && defined(F_SETSIG)

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

}  // namespace

bool FileOps::Hold(std::FILE* file) {
  // Read once: a file opened per job would take a descriptor that a batch
  // short of them needs for its models.
  static const long breakSeconds = LeaseBreakSeconds();
  if (breakSeconds < kMinLeaseBreakSeconds) return false;
  return TakeLease(::fileno(file)) == 0;
}

bool FileOps::OpenForWriting(std::FILE* file) {
  // A read lease is refused with EAGAIN while a writer has the file open.
  // Only asked, never kept: a writer that opens meanwhile waits no longer
  // than this call. Where no lease can be asked (another user's file, both
  // quiet signals handled) the answer is false.
  const int refusal = TakeLease(::fileno(file));
  if (refusal == 0) ::fcntl(::fileno(file), F_SETLEASE, F_UNLCK);
  return refusal == EAGAIN;
}

bool FileOps::HoldIntact(std::FILE* file) {
  // While a break is pending the lease reads as its target type, F_UNLCK.
  return ::fcntl(::fileno(file), F_GETLEASE) == F_RDLCK;
}

void FileOps::Unhold(std::FILE* file) {
  ::fcntl(::fileno(file), F_SETLEASE, F_UNLCK);
}

#else

// No leases: nothing is held, and a writer's open handle cannot be asked.

bool FileOps::Hold(std::FILE*) {
  return false;
}

bool FileOps::OpenForWriting(std::FILE*) {
  return false;
}

bool FileOps::HoldIntact(std::FILE*) {
  return false;
}

void FileOps::Unhold(std::FILE*) {}

#endif

bool FileOps::MapsBetter(std::size_t size) {
  // Measured on a 2-core virtual machine (Linux 6.18, ext4), a file in the
  // page cache: mapping costs a first touch of every 4 KiB page (about 1 us
  // each there, MAP_POPULATE or not), reading into huge pages costs their
  // zeroing and the copy. From 2 MiB to 64 MiB reading took half the time of
  // mapping (32 MiB: 6 ms against 12-14 ms); from 128 MiB on, mapping won
  // (256 MiB: 25 ms against 53 ms). Below a huge page the block would be
  // small pages, each a fault of about 9 us: 1 MiB read 3.4 ms, mapped 0.3.
  constexpr std::size_t kReadAtLeast = std::size_t{2} << 20;
  constexpr std::size_t kReadAtMost = std::size_t{64} << 20;
  return size < kReadAtLeast || size > kReadAtMost;
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
  // Size, mtime and ctime, all updated at once by every write through any
  // descriptor. A read that lies wholly inside one long write, whose times
  // were set as it began, is not told by them: the watch tells it.
  struct stat info;
  if (::fstat(::fileno(file), &info) != 0) return {};
  constexpr std::int64_t kNs = 1000000000;
  return {static_cast<std::int64_t>(info.st_size),
          static_cast<std::int64_t>(info.st_mtim.tv_sec) * kNs + info.st_mtim.tv_nsec,
          static_cast<std::int64_t>(info.st_ctim.tv_sec) * kNs + info.st_ctim.tv_nsec};
}

// ---- Noting writes ----

#if defined(__linux__)

namespace {

// One inotify instance per thread, kept for the thread's life, each job's
// watch added to it and removed again: closing an instance waits for the
// kernel's grace period (up to milliseconds), which a batch of small models
// would pay once per model, while a watch costs microseconds. The thread's
// jobs run one at a time, so the instance holds at most one watch. Without
// inotify, or with its instances or watches used up, there is no watch.
//
// The instance is kept under a thread key, not in a thread_local object: a
// thread_local with a destructor registers it on first use, which aborts the
// process when memory is short; a key's value costs no allocation.
pthread_key_t instanceKey;

void CloseInstance(void* value) {
  ::close(static_cast<int>(reinterpret_cast<std::intptr_t>(value)) - 1);
}

bool HaveKey() {
  static const bool made = ::pthread_key_create(&instanceKey, CloseInstance) == 0;
  return made;
}

// The thread's instance; -1 where none can be had (tried again next time).
int Instance() {
  if (!HaveKey()) return -1;
  const auto kept = reinterpret_cast<std::intptr_t>(::pthread_getspecific(instanceKey));
  if (kept > 0) return static_cast<int>(kept - 1);
  const int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fd < 0) return -1;
  if (::pthread_setspecific(instanceKey, reinterpret_cast<void*>(std::intptr_t{fd} + 1)) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// Reads every queued event. The union of the masks of the events for
// `watch`; IN_Q_OVERFLOW too when events were lost, or when the instance
// could not be read.
std::uint32_t Drain(int fd, int watch) {
  std::uint32_t seen = 0;
  alignas(struct inotify_event) char events[4096];
  for (;;) {
    const ssize_t got = ::read(fd, events, sizeof events);
    if (got <= 0) {
      // Anything but "nothing queued" leaves the count in doubt.
      if (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK) seen |= IN_Q_OVERFLOW;
      return seen;
    }
    for (ssize_t at = 0; at < got;) {
      const auto* event = reinterpret_cast<const struct inotify_event*>(events + at);
      if (event->wd == watch) seen |= event->mask;
      if ((event->mask & IN_Q_OVERFLOW) != 0) seen |= IN_Q_OVERFLOW;
      at += static_cast<ssize_t>(sizeof(struct inotify_event) + event->len);
    }
  }
}

// A watch on the open `file` for `mask`; -1 where none can be had.
int AddWatch(int fd, std::FILE* file, std::uint32_t mask) {
  // What an earlier watch of this thread left queued is not this file's.
  Drain(fd, -1);
  // The descriptor's own link names the open file even if its path was
  // renamed or replaced since it was opened.
  const std::string self = "/proc/self/fd/" + std::to_string(::fileno(file));
  return ::inotify_add_watch(fd, self.c_str(), mask);
}

}  // namespace

int FileOps::Watch(std::FILE* file) {
  const int fd = Instance();
  if (fd < 0) return -1;
  const int watch = AddWatch(fd, file, IN_MODIFY);
  return watch < 0 ? -1 : watch;
}

bool FileOps::WatchSawWrite(int watch) {
  // Any event of this watch (IN_MODIFY, IN_IGNORED) or a lost count means
  // the file may no longer be what was read.
  const int fd = Instance();
  return fd < 0 || Drain(fd, watch) != 0;
}

void FileOps::Unwatch(int watch) {
  const int fd = Instance();
  if (fd >= 0) ::inotify_rm_watch(fd, watch);
}

FileOps::WriterEvent FileOps::AwaitWriter(std::FILE* file, std::int64_t quietNs) {
  // A watch for IN_MODIFY and IN_CLOSE_WRITE; without one, a pause and Idle.
  const int fd = Instance();
  const int watch = fd < 0 ? -1 : AddWatch(fd, file, IN_MODIFY | IN_CLOSE_WRITE);
  if (watch < 0) {
    Pause(quietNs);
    return WriterEvent::Idle;
  }
  struct pollfd ready = {fd, POLLIN, 0};
  const int timeoutMs = static_cast<int>((quietNs + 999'999) / 1'000'000);
  const int polled = ::poll(&ready, 1, timeoutMs);
  const std::uint32_t seen = polled == 0 ? 0 : Drain(fd, watch);
  ::inotify_rm_watch(fd, watch);
  Drain(fd, -1);  // the IN_IGNORED of the removal
  if ((seen & (IN_CLOSE_WRITE | IN_IGNORED)) != 0) return WriterEvent::Closed;
  if (seen != 0 || polled < 0) return WriterEvent::Wrote;
  return WriterEvent::Idle;
}

#else

int FileOps::Watch(std::FILE*) {
  return -1;  // not available here: the stamps decide alone
}

bool FileOps::WatchSawWrite(int) {
  return false;
}

void FileOps::Unwatch(int) {}

FileOps::WriterEvent FileOps::AwaitWriter(std::FILE*, std::int64_t quietNs) {
  Pause(quietNs);
  return WriterEvent::Idle;
}

#endif

// ---- Page memory ----

#if defined(__linux__)

void* FileOps::AllocatePages(std::size_t bytes) {
  void* block = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (block == MAP_FAILED) return nullptr;
  // Huge pages, so that filling the block takes few page faults. Advice only: where huge pages are
  // off the block still works. A block smaller than a huge page would only be rounded up to one.
  constexpr std::size_t kHugePage = std::size_t{2} << 20;
  if (bytes >= kHugePage) ::madvise(block, bytes, MADV_HUGEPAGE);
  return block;
}

void FileOps::ReleasePages(void* block, std::size_t bytes) {
  ::munmap(block, bytes);
}

#else

void* FileOps::AllocatePages(std::size_t bytes) {
  return std::calloc(bytes, 1);  // no huge pages to be had here
}

void FileOps::ReleasePages(void* block, std::size_t) {
  std::free(block);
}

#endif

// ---- Temporary files ----

namespace {

// Numbers the temporary files of this process; with the process id it makes
// a name that a new file is tried under until one is free.
std::atomic<unsigned> tempCounter{0};
constexpr int kTempAttempts = 100;

}  // namespace

std::FILE* FileOps::CreateTemp(const char* reportPath, TempFile& temp) {
  struct stat old;
  bool keepMode = false;
  if (::lstat(reportPath, &old) == 0) {
    if (S_ISREG(old.st_mode)) {
      // A report this process could not open for writing stays refused.
      if (::faccessat(AT_FDCWD, reportPath, W_OK, AT_EACCESS) != 0) return nullptr;
      keepMode = true;
    } else if (!S_ISLNK(old.st_mode)) {
      return nullptr;  // folder, FIFO, device or socket: never opened, so never blocks
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
}

bool FileOps::ReplaceWithTemp(TempFile& temp, const char* reportPath) {
  // rename replaces a link at `reportPath`, never follows it.
  const std::lock_guard<std::mutex> lock(TempFilesLock());
  if (::rename(temp.path.c_str(), reportPath) != 0) return false;
  UnlistTempFile(temp);
  return true;
}

void FileOps::RemoveTemp(TempFile& temp) {
  const std::lock_guard<std::mutex> lock(TempFilesLock());
  if (!temp.listed) return;
  ::unlink(temp.path.c_str());
  UnlistTempFile(temp);
}
