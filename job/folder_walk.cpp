#include "job/folder_walk.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "engine/path_text.h"

namespace {

bool HasModelExtension(std::string_view name) {
  constexpr std::string_view kExtension = ".tav";
  return name.size() >= kExtension.size() &&
         AsciiLowered(name.substr(name.size() - kExtension.size())) == kExtension;
}

std::string CannotRead(const std::string& folder, const char* reason) {
  return "cannot read folder '" + folder + "': " + reason;
}

// One folder's entries: the folders to walk next and the models found.
// False (with `reason`) when the folder cannot be read.
bool ReadFolder(const std::string& folder, std::vector<std::string>& subfolders,
                std::vector<std::string>& models, std::string& reason);

}  // namespace

#if defined(_WIN32)

#include <windows.h>

#include <system_error>

#include "engine/wide_path.h"
#include "engine/win_narrow.h"
#include "job/win_folder.h"

namespace {

bool ReadFolder(const std::string& folder, std::vector<std::string>& subfolders,
                std::vector<std::string>& models, std::string& reason) {
  std::wstring wide;
  if (!WidenUtf8(folder.c_str(), wide)) {
    reason = "the path is not UTF-8";
    return false;
  }
  std::vector<FolderEntry> entries;
  if (!ListFolder(wide, entries)) {
    reason = std::system_category().message(static_cast<int>(::GetLastError()));
    return false;
  }
  bool ok = true;
  for (const FolderEntry& entry : entries) {
    // Links and junctions are reparse points: neither followed nor listed.
    if (entry.link) continue;
    std::string narrow;
    if (NarrowNative(entry.name.c_str(), narrow) != ERROR_SUCCESS) {
      reason = "a name in it is not valid UTF-16";
      ok = false;
      continue;
    }
    if (entry.directory)
      subfolders.push_back(JoinPath(folder, narrow));
    else if (HasModelExtension(narrow))
      models.push_back(JoinPath(folder, narrow));
  }
  return ok;
}

}  // namespace

bool IsFolder(const std::string& path) {
  std::wstring wide;
  if (!LongPathForm(path.c_str(), wide)) return false;
  const DWORD attributes = ::GetFileAttributesW(wide.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

#else

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

namespace {

bool ReadFolder(const std::string& folder, std::vector<std::string>& subfolders,
                std::vector<std::string>& models, std::string& reason) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) {
    reason = std::strerror(errno);
    return false;
  }
  const int fd = ::dirfd(dir);
  bool ok = true;
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(dir);
    if (entry == nullptr) {
      if (errno != 0) {
        reason = std::strerror(errno);
        ok = false;
      }
      break;
    }
    const std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    struct stat info;
    if (::fstatat(fd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
      // Listed but not searchable: its models would be skipped without a word.
      if (errno != ENOENT) {
        reason = std::strerror(errno);
        ok = false;
      }
      continue;  // else gone since it was listed
    }
    if (S_ISDIR(info.st_mode))
      subfolders.push_back(JoinPath(folder, name));
    else if (S_ISREG(info.st_mode) && HasModelExtension(name))
      models.push_back(JoinPath(folder, name));
  }
  ::closedir(dir);
  return ok;
}

}  // namespace

bool IsFolder(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

#endif

void ListModelsBelow(const std::string& root, std::vector<std::string>& models,
                     std::vector<std::string>& errors) {
  // Folders still to read, walked from a list rather than by recursion, so
  // that a deep tree cannot exhaust the stack.
  std::vector<std::string> pending{root};
  std::vector<std::string> found;
  while (!pending.empty()) {
    const std::string folder = std::move(pending.back());
    pending.pop_back();
    std::string reason;
    if (!ReadFolder(folder, pending, found, reason))
      errors.push_back(CannotRead(folder, reason.c_str()));
  }
  std::sort(found.begin(), found.end());
  models.insert(models.end(), std::make_move_iterator(found.begin()),
                std::make_move_iterator(found.end()));
}

std::vector<std::string> ExpandFolders(const std::vector<std::string>& args, bool recursive,
                                       std::vector<std::string>& errors) {
  if (!recursive) return args;
  std::vector<std::string> models;
  for (const std::string& arg : args) {
    if (IsFolder(arg))
      ListModelsBelow(arg, models, errors);
    else
      models.push_back(arg);
  }
  return models;
}
