// FileOps: noting writes to an open file (contracts in engine/file_ops.h).
#include <cstdio>

#include "engine/file_ops.h"

#if defined(__linux__)
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace {

// One inotify instance per thread, kept for the thread's life, each job's
// watch added to it and removed again: closing an instance waits for the
// kernel's grace period (up to milliseconds), which a batch of small models
// would pay once per model, while a watch costs microseconds. The thread's
// jobs run one at a time, so the instance holds at most one watch.
class ThreadWatches {
 public:
  ~ThreadWatches() {
    if (fd_ >= 0) ::close(fd_);
  }

  // The instance; -1 where none can be had (tried again next time).
  int fd() {
    if (fd_ < 0) fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    return fd_;
  }

  // Reads every queued event. True when one is for `watch` (any event: a
  // write, or the watch lost) or when events were lost (`overflowCounts`).
  bool Drain(int watch, bool overflowCounts) {
    bool saw = false;
    alignas(struct inotify_event) char events[4096];
    for (;;) {
      const ssize_t got = ::read(fd_, events, sizeof events);
      if (got <= 0) {
        // Anything but "nothing queued" leaves the count in doubt.
        if (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK) saw = true;
        return saw;
      }
      for (ssize_t at = 0; at < got;) {
        const auto* event = reinterpret_cast<const struct inotify_event*>(events + at);
        if (event->wd == watch || (overflowCounts && (event->mask & IN_Q_OVERFLOW) != 0)) {
          saw = true;
        }
        at += static_cast<ssize_t>(sizeof(struct inotify_event) + event->len);
      }
    }
  }

 private:
  int fd_ = -1;
};

thread_local ThreadWatches threadWatches;

}  // namespace

int FileOps::Watch(std::FILE* file) {
  const int fd = threadWatches.fd();
  if (fd < 0) return -1;
  // What an earlier watch of this thread left queued is not this file's.
  threadWatches.Drain(-1, false);
  // The descriptor's own link names the open file even if its path was
  // renamed or replaced since it was opened.
  const std::string self = "/proc/self/fd/" + std::to_string(::fileno(file));
  const int watch = ::inotify_add_watch(fd, self.c_str(), IN_MODIFY);
  return watch < 0 ? -1 : watch;
}

bool FileOps::WatchSawWrite(int watch) {
  // Any event of this watch (IN_MODIFY, IN_IGNORED) or a lost count means
  // the file may no longer be what was read.
  return threadWatches.fd() < 0 || threadWatches.Drain(watch, true);
}

void FileOps::Unwatch(int watch) {
  if (threadWatches.fd() >= 0) ::inotify_rm_watch(threadWatches.fd(), watch);
}

#else

int FileOps::Watch(std::FILE*) {
  return -1;  // not available here: the stamps decide alone
}

bool FileOps::WatchSawWrite(int) {
  return false;
}

void FileOps::Unwatch(int) {}

#endif
