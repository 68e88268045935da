// The report path rule on arbitrary paths, under both settings of
// saveBesideExtractor and with either separator, checked against properties
// that follow from the rule rather than by restating it: where the base name
// starts, and that it stops exactly at the last dot when that dot lies inside
// it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "report/report_file.h"

namespace {

constexpr std::size_t kNone = std::string_view::npos;

// Last occurrence of `c`, found by a forward walk.
std::size_t LastOf(std::string_view path, char c) {
  std::size_t last = kNone;
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (path[i] == c) last = i;
  }
  return last;
}

void Check(std::string_view path, std::int32_t beside, char separator) {
  const std::string base = ReportBaseName(path, beside, separator);
  const std::size_t dot = LastOf(path, '.');
  const std::size_t slash = LastOf(path, separator);
  // The base name is a substring of the path, so it never outgrows it.
  FUZZ_CHECK(base.size() <= path.size());
  FUZZ_CHECK(path.find(base) != kNone);

  // Where it starts: after the last separator when beside is set and that
  // separator is not the first byte; otherwise at the first byte.
  const std::size_t start = (beside != 0 && slash != kNone && slash > 0) ? slash + 1 : 0;
  FUZZ_CHECK(path.substr(start, base.size()) == base);
  if (beside != 0) {
    // No separator survives except a leading one.
    FUZZ_CHECK(base.find(separator, 1) == kNone);
  } else {
    FUZZ_CHECK(path.substr(0, base.size()) == base);
  }

  // Where it ends: just before the last dot when that dot stands after the
  // last separator and not before the start, else at the end of the path.
  const std::size_t end = start + base.size();
  const bool dotIsExtension = dot != kNone && (slash == kNone || dot > slash);
  if (dotIsExtension && dot >= start) {
    FUZZ_CHECK(end == dot);
  } else {
    FUZZ_CHECK(end == path.size());
  }
  if (dot == kNone && beside == 0) FUZZ_CHECK(base == path);
  if (dot == kNone && slash == kNone) FUZZ_CHECK(base == path);
}

void CheckAll(std::string_view path) {
  for (const char separator : {'\\', '/'}) {
    Check(path, 0, separator);
    Check(path, 1, separator);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view path(reinterpret_cast<const char*>(data), size);
  CheckAll(path);
  // The job hands paths on as C strings: the part before the first NUL.
  CheckAll(std::string_view(path.data(), path.find('\0') == kNone ? size : path.find('\0')));
  return 0;
}
