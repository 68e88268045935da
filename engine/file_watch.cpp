// FileOps: noting writes to an open file (contracts in engine/file_ops.h).
#include <cstdio>

#include "engine/file_ops.h"

#if defined(__linux__)
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <string>

int FileOps::Watch(std::FILE* file) {
  const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (watch < 0) return -1;
  // The descriptor's own link names the open file even if its path was
  // renamed or replaced since it was opened.
  const std::string self = "/proc/self/fd/" + std::to_string(::fileno(file));
  if (::inotify_add_watch(watch, self.c_str(), IN_MODIFY) < 0) {
    ::close(watch);
    return -1;
  }
  return watch;
}

bool FileOps::WatchSawWrite(int watch) {
  // Any event at all (IN_MODIFY, IN_IGNORED, IN_Q_OVERFLOW) means the file
  // may no longer be what was read.
  alignas(struct inotify_event) char events[4096];
  const ssize_t got = ::read(watch, events, sizeof events);
  return got != 0 && !(got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK));
}

void FileOps::Unwatch(int watch) {
  ::close(watch);
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
