// FileOps: noting writes to an open file (contracts in engine/file_ops.h).
#include <cstdio>

#include "engine/file_ops.h"

#if defined(__linux__)
#include <poll.h>
#include <pthread.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <string>

namespace {

// One inotify instance per thread, kept for the thread's life, each job's
// watch added to it and removed again: closing an instance waits for the
// kernel's grace period (up to milliseconds), which a batch of small models
// would pay once per model, while a watch costs microseconds. The thread's
// jobs run one at a time, so the instance holds at most one watch.
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
#if defined(_WIN32)
  return WriterEvent::Wrote;  // no event tells more: the caller asks again
#else
  return WriterEvent::Idle;
#endif
}

#endif
