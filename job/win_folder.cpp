#include "job/win_folder.h"

#include <windows.h>

#include "engine/wide_path.h"

bool ListFolder(const std::wstring& folder, std::vector<FolderEntry>& entries) {
  entries.clear();
  std::wstring full;
  if (!LongPathFormOf(folder.empty() ? std::wstring(L".") : folder, full)) return false;
  if (full.back() != L'\\') full += L'\\';
  full += L'*';
  WIN32_FIND_DATAW found;
  HANDLE search =
      FindFirstFileExW(full.c_str(), FindExInfoStandard, &found, FindExSearchNameMatch, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    entries.push_back({name, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                       (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0});
  } while (FindNextFileW(search, &found));
  const bool complete = GetLastError() == ERROR_NO_MORE_FILES;
  FindClose(search);
  if (!complete) entries.clear();
  return complete;
}
