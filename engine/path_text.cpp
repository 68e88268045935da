#include "engine/path_text.h"

namespace {

template <class Char>
std::size_t LastPartStartOf(std::basic_string_view<Char> path, Char separator) {
  const std::size_t cut = path.rfind(separator);
  return cut == std::basic_string_view<Char>::npos ? 0 : cut + 1;
}

template <class Char>
std::size_t FileNameStartOf(std::basic_string_view<Char> path) {
#if defined(_WIN32)
  const Char separators[] = {Char('\\'), Char('/'), Char(0)};
  const std::size_t cut = path.find_last_of(separators);
  if (cut != std::basic_string_view<Char>::npos) return cut + 1;
  return path.size() >= 2 && path[1] == Char(':') ? 2 : 0;
#else
  return LastPartStartOf(path, Char('/'));
#endif
}

template <class Char>
std::basic_string<Char> JoinPathOf(std::basic_string_view<Char> folder,
                                   std::basic_string_view<Char> name, Char separator) {
  std::basic_string<Char> path(folder);
  if (!path.empty() && path.back() != separator) path += separator;
  path += name;
  return path;
}

}  // namespace

std::size_t LastPartStart(std::string_view path, char separator) {
  return LastPartStartOf(path, separator);
}

std::size_t LastPartStart(std::wstring_view path, wchar_t separator) {
  return LastPartStartOf(path, separator);
}

std::string_view LastPart(std::string_view path, char separator) {
  return path.substr(LastPartStart(path, separator));
}

std::wstring_view LastPart(std::wstring_view path, wchar_t separator) {
  return path.substr(LastPartStart(path, separator));
}

std::size_t FileNameStart(std::string_view path) {
  return FileNameStartOf(path);
}

std::size_t FileNameStart(std::wstring_view path) {
  return FileNameStartOf(path);
}

std::string JoinPath(std::string_view folder, std::string_view name, char separator) {
  return JoinPathOf(folder, name, separator);
}

std::wstring JoinPath(std::wstring_view folder, std::wstring_view name, wchar_t separator) {
  return JoinPathOf(folder, name, separator);
}

std::string AsciiLowered(std::string_view text) {
  std::string lowered(text);
  for (char& c : lowered) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lowered;
}
