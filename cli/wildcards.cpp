#include "cli/wildcards.h"

#include <windows.h>

#include <algorithm>

#include "engine/path_text.h"
#include "job/win_folder.h"

namespace {

// The characters of `text`, a surrogate pair taken as one, with letters
// folded to upper case as the file system compares them.
std::u32string Folded(std::wstring_view text) {
  std::u32string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      out.push_back(0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) +
                    (static_cast<char32_t>(text[i + 1]) - 0xDC00));
      ++i;
      continue;
    }
    const auto upper = reinterpret_cast<ULONG_PTR>(
        CharUpperW(reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(c))));
    out.push_back(static_cast<char32_t>(upper & 0xFFFF));
  }
  return out;
}

// Iterative glob match with one backtrack point: linear in practice, and no
// pattern makes it recurse.
bool Match(const std::u32string& pattern, const std::u32string& name) {
  std::size_t p = 0, n = 0, star = std::u32string::npos, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == U'?' || pattern[p] == name[n])) {
      ++p, ++n;
    } else if (p < pattern.size() && pattern[p] == U'*') {
      star = p++;
      resume = n;
    } else if (star != std::u32string::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == U'*') ++p;
  return p == pattern.size();
}

bool NameOrder(const std::wstring& a, const std::wstring& b) {
  const int folded = CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                          static_cast<int>(b.size()), TRUE);
  if (folded != CSTR_EQUAL) return folded == CSTR_LESS_THAN;
  return a < b;
}

}  // namespace

bool HasWildcard(std::wstring_view path) {
  return path.substr(FileNameStart(path)).find_first_of(L"*?") != std::wstring_view::npos;
}

bool MatchesWildcard(std::wstring_view pattern, std::wstring_view name) {
  return Match(Folded(pattern), Folded(name));
}

std::vector<std::wstring> ExpandWildcard(const std::wstring& pattern) {
  const std::size_t start = FileNameStart(pattern);
  const std::wstring folder = pattern.substr(0, start);
  const std::u32string last = Folded(std::wstring_view(pattern).substr(start));
  std::vector<FolderEntry> entries;
  std::vector<std::wstring> names;
  if (!ListFolder(folder, entries)) return names;
  for (const FolderEntry& entry : entries) {
    if (!entry.directory && Match(last, Folded(entry.name))) names.push_back(entry.name);
  }
  std::sort(names.begin(), names.end(), NameOrder);
  for (std::wstring& name : names) name.insert(0, folder);
  return names;
}

std::vector<std::wstring> ExpandModelArguments(const std::vector<std::wstring>& args) {
  std::vector<std::wstring> out;
  bool optionsEnded = false;
  for (const std::wstring& arg : args) {
    const bool option = !optionsEnded && arg.size() > 1 && arg[0] == L'-';
    if (option && arg == L"--") optionsEnded = true;
    if (option || !HasWildcard(arg)) {
      out.push_back(arg);
      continue;
    }
    std::vector<std::wstring> matches = ExpandWildcard(arg);
    if (matches.empty()) {
      out.push_back(arg);
    } else {
      for (std::wstring& match : matches) out.push_back(std::move(match));
    }
  }
  return out;
}
