// The one character that separates folders in a path on this platform: the
// report path rule and the status line both cut paths at it, and at nothing
// else.
#ifndef QUORVEL_REPORT_PATH_SEPARATOR_H_
#define QUORVEL_REPORT_PATH_SEPARATOR_H_

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

#endif  // QUORVEL_REPORT_PATH_SEPARATOR_H_
