#include "engine/file_identity.h"

#if defined(_WIN32)

#include <windows.h>

#include "engine/wide_path.h"

namespace {

bool Inform(const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
  std::wstring wide;
  if (!LongPathForm(path.c_str(), wide)) return false;
  // Backup semantics open folders too; only attributes are asked for.
  const HANDLE handle = ::CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  const bool ok = ::GetFileInformationByHandle(handle, &info) != 0;
  ::CloseHandle(handle);
  return ok;
}

}  // namespace

bool IdentifyFile(const std::string& path, FileIdentity& identity) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!Inform(path, info)) return false;
  identity.device = info.dwVolumeSerialNumber;
  identity.file = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  return true;
}

std::uint64_t FileBytes(const std::string& path) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!Inform(path, info)) return 0;
  return (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
}

#else

#include <sys/stat.h>

bool IdentifyFile(const std::string& path, FileIdentity& identity) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) return false;
  identity.device = static_cast<std::uint64_t>(info.st_dev);
  identity.file = static_cast<std::uint64_t>(info.st_ino);
  return true;
}

std::uint64_t FileBytes(const std::string& path) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0 || info.st_size < 0) return 0;
  return static_cast<std::uint64_t>(info.st_size);
}

#endif
