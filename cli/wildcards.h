// Windows only: cmd.exe passes "m\*.tav" to the program as it is, so the
// program expands it itself. Only the last component of a path may hold the
// wildcards: '*' stands for any run of characters, '?' for any one, letters
// match regardless of case, as in Explorer and cmd.exe. Short (8.3) names
// never match, so "*.tav" does not take "model.tavx".
#ifndef QUORVEL_CLI_WILDCARDS_H_
#define QUORVEL_CLI_WILDCARDS_H_

#if defined(_WIN32)

#include <string>
#include <string_view>
#include <vector>

// True when the last component of `path` (after its last '\' or '/', or after
// "X:" of a drive: FileNameStart of engine/path_text.h) holds '*' or '?'.
bool HasWildcard(std::wstring_view path);

// True when `name` matches `pattern` as a whole. A surrogate pair is one
// character.
bool MatchesWildcard(std::wstring_view pattern, std::wstring_view name);

// The files (not folders) of the folder of `pattern` whose names match its
// last component, each spelled as the folder part of `pattern` as written
// followed by the name, in name order (letters regardless of case, then
// ordinal). Empty when nothing matches or the folder cannot be listed.
std::vector<std::wstring> ExpandWildcard(const std::wstring& pattern);

// The arguments with every model argument that holds a wildcard replaced by
// its matches; one that matches nothing stays as given, so that it fails
// with its own status line. Options (arguments starting with '-' before a
// "--") are never expanded.
std::vector<std::wstring> ExpandModelArguments(const std::vector<std::wstring>& args);

#endif  // _WIN32

#endif  // QUORVEL_CLI_WILDCARDS_H_
