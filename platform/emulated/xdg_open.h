// Linux: a file handed to the desktop's handler for its kind through xdg-open.
#ifndef QUORVEL_PLATFORM_EMULATED_XDG_OPEN_H_
#define QUORVEL_PLATFORM_EMULATED_XDG_OPEN_H_

#include <string>

namespace qv::emu {

// Starts `xdg-open PATH`, found on PATH, without a shell (so no byte of `path`
// is ever read as shell syntax) and without waiting for it: the handler it
// starts may stay open for as long as the user reads. Children that ended are
// collected on the next call. False when it cannot be started; an xdg-open that
// starts and then fails is not seen. Elsewhere than Linux: always false.
bool RunXdgOpen(const std::string& path);

}  // namespace qv::emu

#endif  // QUORVEL_PLATFORM_EMULATED_XDG_OPEN_H_
