// Windows only: the entries of one folder, through the wide calls, at any
// path length.
#ifndef QUORVEL_JOB_WIN_FOLDER_H_
#define QUORVEL_JOB_WIN_FOLDER_H_

#if defined(_WIN32)

#include <string>
#include <vector>

struct FolderEntry {
  std::wstring name;  // as the file system spells it
  bool directory = false;
  bool link = false;  // a reparse point: a link or junction
};

// Lists `folder` ("" is the current folder), without "." and "..", in the
// order the file system gives. False, `entries` empty, when it cannot be
// listed; an empty folder is true with no entries.
bool ListFolder(const std::wstring& folder, std::vector<FolderEntry>& entries);

#endif  // _WIN32

#endif  // QUORVEL_JOB_WIN_FOLDER_H_
