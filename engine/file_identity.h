// What tells one file (or folder) from another whatever path names it: the
// device and the file's number on it (Windows: the volume's serial number and
// the file index); and a file's size. The one same-file check of the
// program: the report's guard against writing over its model
// (FileOps::SameFile) and quorvel-cli's batch planner both ask it.
#ifndef QUORVEL_ENGINE_FILE_IDENTITY_H_
#define QUORVEL_ENGINE_FILE_IDENTITY_H_

#include <compare>
#include <cstdint>
#include <string>

struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t file = 0;
  auto operator<=>(const FileIdentity&) const = default;
};

// The identity of what `path` names, following links. False when it does not
// exist or cannot be asked (on Windows also when the UTF-8 path cannot be
// converted). On Windows the path goes to the system in its long "\\?\" form
// (engine/wide_path.h), so a path of any length is identified. Never throws.
bool IdentifyFile(const std::string& path, FileIdentity& identity);

// The size in bytes of what `path` names, following links; 0 when it does not
// exist or cannot be asked. Never throws.
std::uint64_t FileBytes(const std::string& path);

#endif  // QUORVEL_ENGINE_FILE_IDENTITY_H_
