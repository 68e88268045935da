#include "cli/file_identity.h"

#if defined(_WIN32)

#include <windows.h>

#include <filesystem>

namespace {

bool Inform(const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
  std::wstring wide;
  try {
    const std::u8string utf8(reinterpret_cast<const char8_t*>(path.data()), path.size());
    wide = std::filesystem::path(utf8).wstring();
  } catch (...) {
    return false;  // not UTF-8: no file of ours can have that name
  }
  // Backup semantics open folders too; no access is asked, only attributes.
  const HANDLE handle =
      ::CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
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
