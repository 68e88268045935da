#include "engine/temp_files.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

TempFile* first = nullptr;  // guarded by TempFilesLock()

}  // namespace

std::mutex& TempFilesLock() {
  static std::mutex lock;
  return lock;
}

void ListTempFile(TempFile& temp) {
  temp.previous = nullptr;
  temp.next = first;
  if (first != nullptr) first->previous = &temp;
  first = &temp;
  temp.listed = true;
}

void UnlistTempFile(TempFile& temp) {
  if (!temp.listed) return;
  if (temp.previous != nullptr) {
    temp.previous->next = temp.next;
  } else {
    first = temp.next;
  }
  if (temp.next != nullptr) temp.next->previous = temp.previous;
  temp.previous = temp.next = nullptr;
  temp.listed = false;
}

TempFile::~TempFile() {
  if (file != nullptr) std::fclose(file);
  const std::lock_guard<std::mutex> hold(TempFilesLock());
  if (!listed) return;
#if defined(_WIN32)
  ::DeleteFileW(path.c_str());
#else
  ::unlink(path.c_str());
#endif
  UnlistTempFile(*this);
}

void RemoveTempFilesForExit() {
  TempFilesLock().lock();  // never unlocked: the process ends next
  for (const TempFile* temp = first; temp != nullptr; temp = temp->next) {
#if defined(_WIN32)
    // The file is open with FILE_SHARE_DELETE: it goes when its handle is
    // closed, at the latest when the process ends.
    ::DeleteFileW(temp->path.c_str());
#else
    ::unlink(temp->path.c_str());
#endif
  }
}
