#include "cli/process_guard.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
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

// The thread that takes the signals, and whether a write found its reader
// gone (set by OnBrokenPipe).
pthread_t awaiter;
volatile sig_atomic_t pipeBroken = 0;

[[noreturn]] void AwaitInterrupt(sigset_t signals) {
  int signal = 0;
  while (::sigwait(&signals, &signal) != 0) {
  }
  RemoveTempFilesForExit();
  ::_exit(128 + signal);
}

// SIGPIPE is raised in the thread that wrote, blocked or not, and a signal
// blocked there never reaches sigwait elsewhere. So the writer passes it on
// to the awaiting thread (pthread_kill may be called in a handler) and goes
// on; its write fails with EPIPE, and the process ends from the other thread.
void OnBrokenPipe(int) {
  pipeBroken = 1;
  ::pthread_kill(awaiter, SIGPIPE);
}

}  // namespace

void RemoveTempFilesOnInterrupt() {
  sigset_t signals;
  sigemptyset(&signals);
  for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
    struct sigaction action;
    if (::sigaction(signal, nullptr, &action) == 0 && action.sa_handler == SIG_IGN) continue;
    sigaddset(&signals, signal);
  }
  // SIGPIPE is blocked in the awaiting thread only (it inherits this mask);
  // the others are blocked in every thread.
  sigset_t previous;
  if (::pthread_sigmask(SIG_BLOCK, &signals, &previous) != 0) return;
  try {
    std::thread thread(AwaitInterrupt, signals);
    awaiter = thread.native_handle();
    thread.detach();
  } catch (const std::exception&) {
    // No thread for them: the signals end the process as they always did.
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return;
  }
  if (sigismember(&signals, SIGPIPE) == 1) {
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    struct sigaction action = {};
    action.sa_handler = OnBrokenPipe;
    sigfillset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGPIPE, &action, nullptr);
    ::pthread_sigmask(SIG_UNBLOCK, &pipe, nullptr);
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
  // The reader went away: the thread that took SIGPIPE ends the process,
  // silently, with its status.
  while (failed && pipeBroken != 0) ::pause();
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
