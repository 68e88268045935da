// The temporary files that reports are written into before they replace the
// report in one step, known to the whole process while they exist, so that a
// run that is interrupted can remove them before it ends.
#ifndef QUORVEL_ENGINE_TEMP_FILES_H_
#define QUORVEL_ENGINE_TEMP_FILES_H_

#include <cstdio>
#include <mutex>
#include <string>

// A path in the form the system's own file calls take: the wide long-path
// form on Windows, the narrow bytes elsewhere.
#if defined(_WIN32)
using NativePath = std::wstring;
#else
using NativePath = std::string;
#endif

// One report's temporary file, from FileOps::CreateTemp until
// FileOps::ReplaceWithTemp or FileOps::RemoveTemp. It stays listed for
// RemoveTempFilesForExit while the file may exist; it must outlive that.
struct TempFile {
  TempFile() = default;
  // A temporary file still there (a path the caller left on an exception)
  // is closed and removed.
  ~TempFile();
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  NativePath path;
  std::FILE* file = nullptr;  // open for writing until the caller closes it

  // The list of temporary files in flight (guarded by TempFilesLock()).
  TempFile* previous = nullptr;
  TempFile* next = nullptr;
  bool listed = false;
};

// Held while a temporary file is created and listed, or renamed or removed and
// taken off the list, so that RemoveTempFilesForExit never sees one of them
// half done.
std::mutex& TempFilesLock();

// Both with TempFilesLock() held. Listing allocates nothing.
void ListTempFile(TempFile& temp);
void UnlistTempFile(TempFile& temp);

// For a process that is about to end because it was interrupted: takes
// TempFilesLock() and never gives it back, so no temporary file is created or
// renamed from now on, then removes every listed one. The process must end
// right after; other threads that reach a temporary file wait until then.
// Uses only the system's own removal call (unlink; DeleteFileW) and allocates
// nothing.
void RemoveTempFilesForExit();

#endif  // QUORVEL_ENGINE_TEMP_FILES_H_
