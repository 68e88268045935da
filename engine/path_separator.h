// The one character that separates folders in a path on this platform. The
// report path rule and the status line cut paths at it and at nothing else;
// the class library joins and splits selected paths with it.
#ifndef QUORVEL_ENGINE_PATH_SEPARATOR_H_
#define QUORVEL_ENGINE_PATH_SEPARATOR_H_

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

#endif  // QUORVEL_ENGINE_PATH_SEPARATOR_H_
