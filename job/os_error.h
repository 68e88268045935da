// The operating system's own word on the last failed call of this thread,
// whatever backend the program links: errno, and on Windows the thread's last
// error, which the wide file calls set instead of errno.
#ifndef QUORVEL_JOB_OS_ERROR_H_
#define QUORVEL_JOB_OS_ERROR_H_

#include <string>

// Clears both, before the call whose failure is to be explained.
void ClearOsError();
// The system's text for errno when it is set, else (Windows) for the last
// error when it is set, without a closing period or line end; empty when
// neither is set. UTF-8 on Windows.
std::string OsErrorText();

#endif  // QUORVEL_JOB_OS_ERROR_H_
