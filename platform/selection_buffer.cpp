#include "platform/selection_buffer.h"

#include "engine/path_text.h"
#include "platform/path_syntax.h"

namespace qv {
namespace {

// The part of `path` before its last separator; the separator itself when
// that is the first character; empty when there is none.
std::wstring FolderOf(const std::wstring& path) {
  const std::size_t name = LastPartStart(path);
  return path.substr(0, name > 1 ? name - 1 : name);
}

}  // namespace

std::optional<std::wstring> PackSelection(const std::vector<std::wstring>& paths, bool multiple) {
  if (paths.empty()) return std::nullopt;
  std::wstring packed;
  if (paths.size() == 1 || !multiple) {
    if (paths.size() != 1) return std::nullopt;
    packed = paths[0];
    packed.push_back(L'\0');
  } else {
    for (const std::wstring& p : paths) {
      if (!IsAbsolutePath(p)) return std::nullopt;
    }
    const std::wstring folder = FolderOf(paths[0]);
    packed = folder;
    packed.push_back(L'\0');
    for (const std::wstring& p : paths) {
      const bool inFolder = FolderOf(p) == folder && LastPartStart(p) > 0;
      packed += inFolder ? LastPart(p) : p;
      packed.push_back(L'\0');
    }
  }
  packed.push_back(L'\0');
  return packed;
}

}  // namespace qv
