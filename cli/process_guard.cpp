#include "cli/process_guard.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>
#include <thread>

#include "engine/temp_files.h"

#if defined(_WIN32)

#include <fcntl.h>
#include <io.h>
#include <windows.h>

bool OpenClosedStandardStreams() {
  // In order, so that each reopened stream takes its own lowest free number.
  // A stream without a handle has no descriptor (_fileno gives -2), and the
  // number is free for the run's own files.
  std::FILE* const streams[3] = {stdin, stdout, stderr};
  bool stdoutClosed = false;
  for (int fd = 0; fd < 3; ++fd) {
    if (_fileno(streams[fd]) >= 0) continue;
    if (fd == 1) stdoutClosed = true;
    std::FILE* reopened = nullptr;
    _wfreopen_s(&reopened, L"NUL", fd == 0 ? L"r" : L"w", streams[fd]);
  }
  return stdoutClosed;
}

namespace {

BOOL WINAPI OnConsoleEvent(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      // The system runs this on a thread of its own.
      RemoveTempFilesForExit();
      TerminateProcess(GetCurrentProcess(), static_cast<UINT>(STATUS_CONTROL_C_EXIT));
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

void RemoveTempFilesOnInterrupt() {
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

#else

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

bool OpenClosedStandardStreams() {
  bool stdoutClosed = false;
  for (int fd = 0; fd < 3; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    if (fd == 1) stdoutClosed = true;
    // The lowest free number: `fd` itself, since those below it are open.
    const int opened = ::open("/dev/null", O_RDWR);
    if (opened >= 0 && opened != fd) ::close(opened);
  }
  return stdoutClosed;
}

namespace {

[[noreturn]] void AwaitInterrupt(sigset_t signals) {
  int signal = 0;
  while (::sigwait(&signals, &signal) != 0) {
  }
  RemoveTempFilesForExit();
  ::_exit(128 + signal);
}

}  // namespace

void RemoveTempFilesOnInterrupt() {
  sigset_t signals;
  sigemptyset(&signals);
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction action;
    if (::sigaction(signal, nullptr, &action) == 0 && action.sa_handler == SIG_IGN) continue;
    sigaddset(&signals, signal);
  }
  sigset_t previous;
  if (::pthread_sigmask(SIG_BLOCK, &signals, &previous) != 0) return;
  try {
    std::thread(AwaitInterrupt, signals).detach();
  } catch (const std::system_error&) {
    // No thread for it: the signals end the process as they always did.
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  }
}

#endif

int FinishStandardOutput(int status, bool wasClosed) {
  bool failed = wasClosed || std::ferror(stdout) != 0;
  errno = wasClosed ? EBADF : 0;
  if (std::fflush(stdout) != 0) failed = true;
#if !defined(_WIN32)
  // Windows: the console relay still uses the stream; its flush above is the
  // last write that can fail here.
  if (std::fclose(stdout) != 0) failed = true;
#endif
  if (!failed) return status;
  const int error = errno;
  if (error != 0) {
    std::fprintf(stderr, "quorvel-cli: write error on standard output: %s\n", std::strerror(error));
  } else {
    std::fprintf(stderr, "quorvel-cli: write error on standard output\n");
  }
  return 1;
}
