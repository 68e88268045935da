// Windows only: the engine's narrow (UTF-8) paths made into the wide paths
// every file-system call takes. The reverse of the front end's narrowing
// (engine/narrow_text.h), kept here because the engine sits below it.
#ifndef QUORVEL_ENGINE_WIDE_PATH_H_
#define QUORVEL_ENGINE_WIDE_PATH_H_

#if defined(_WIN32)

#include <string>
#include <string_view>

#include "engine/path_text.h"  // the rules that cut and join the wide forms too

// Widens `utf8` by the one rule (qv::WidenBy over the real call): nothing is
// ever substituted. False, `wide` unchanged, when `utf8` is not valid UTF-8
// (or is null).
bool WidenUtf8(std::string_view utf8, std::wstring& wide);
bool WidenUtf8(const char* utf8, std::wstring& wide);

// `utf8` widened, made a full path (against the current directory) and given
// the "\\?\" form ("\\?\UNC\server\share\..." for a share), which the wide
// file calls take at any length on every Windows, without the system's
// long-path switch. A path already in "\\?\" or "\\.\" form is kept as it is.
// False, `wide` unchanged, when the path cannot be converted or resolved.
bool LongPathForm(const char* utf8, std::wstring& wide);

// LongPathForm for a path that is wide already.
bool LongPathFormOf(const std::wstring& path, std::wstring& wide);

#endif  // _WIN32

#endif  // QUORVEL_ENGINE_WIDE_PATH_H_
