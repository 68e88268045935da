#include "platform/emulated/xdg_open.h"

#if defined(_WIN32)

bool qv::emu::RunXdgOpen(const std::string&) {
  return false;
}

#else

#include <spawn.h>
#include <sys/wait.h>

#include <vector>

extern char** environ;

namespace qv::emu {
namespace {

std::vector<pid_t>& Started() {
  static std::vector<pid_t> started;
  return started;
}

// Collects the children that have ended, without waiting for the others.
void CollectEnded() {
  std::vector<pid_t>& started = Started();
  for (auto it = started.begin(); it != started.end();) {
    int status = 0;
    const pid_t done = ::waitpid(*it, &status, WNOHANG);
    it = done == 0 ? it + 1 : started.erase(it);
  }
}

}  // namespace

bool RunXdgOpen(const std::string& path) {
  CollectEnded();
  // "--" is not used: xdg-open takes one argument, and a path of the dialog's
  // is always absolute, so it never starts with "-".
  std::string program = "xdg-open";
  std::string argument = path;
  char* argv[] = {program.data(), argument.data(), nullptr};
  pid_t pid = 0;
  if (::posix_spawnp(&pid, "xdg-open", nullptr, nullptr, argv, environ) != 0) return false;
  Started().push_back(pid);
  return true;
}

}  // namespace qv::emu

#endif
