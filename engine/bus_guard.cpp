#include "engine/bus_guard.h"

#if defined(_WIN32)

bool WalkGuarded(const void*, std::size_t, void (*walk)(void*), void* context) {
  walk(context);
  return true;
}

#else

#include <setjmp.h>
#include <signal.h>

namespace {

// The walk in progress on a thread: where to go back to and what it maps.
struct Recovery {
  sigjmp_buf resume;
  const char* begin;
  const char* end;
};

// A plain pointer: a thread_local object with a destructor would allocate on
// first use, and the handler reads it without any call.
thread_local Recovery* current = nullptr;

struct sigaction before;  // SIGBUS's disposition before ours

void OnBusError(int signal, siginfo_t* info, void*) {
  Recovery* const walk = current;
  const char* const at = static_cast<const char*>(info->si_addr);
  if (walk != nullptr && info->si_code > 0 && at >= walk->begin && at < walk->end) {
    siglongjmp(walk->resume, 1);
  }
  // Not a page of a guarded walk: what was there before takes it. A fault
  // comes back at once when the handler returns; a sent signal is sent again.
  ::sigaction(SIGBUS, &before, nullptr);
  if (info->si_code <= 0) ::raise(signal);
}

bool InstallHandler() {
  struct sigaction action = {};
  action.sa_sigaction = OnBusError;
  action.sa_flags = SA_SIGINFO;
  sigemptyset(&action.sa_mask);
  return ::sigaction(SIGBUS, &action, &before) == 0;
}

}  // namespace

bool WalkGuarded(const void* begin, std::size_t size, void (*walk)(void*), void* context) {
  static const bool installed = InstallHandler();
  (void)installed;  // without it, a fault ends the process as it always did
  Recovery recovery;
  recovery.begin = static_cast<const char*>(begin);
  recovery.end = recovery.begin + size;
  Recovery* const outer = current;
  // The signal mask is saved and restored, so SIGBUS is not left blocked.
  if (sigsetjmp(recovery.resume, 1) != 0) {
    current = outer;
    return false;
  }
  current = &recovery;
  walk(context);
  current = outer;
  return true;
}

#endif
