#include "platform/fltk/desktop_scale.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace qv::fltk {
namespace {

constexpr double kBaseDpi = 96.0;

std::string_view Trim(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

std::optional<double> ParseDpi(std::string_view text) {
  text = Trim(text);
  double value = 0;
  const auto [end, error] =
      std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (!std::isfinite(value) || value <= 0) return std::nullopt;
  return value;
}

double DesktopDpi(std::optional<std::string_view> xftDpi, double screenDpi) {
  if (xftDpi) {
    if (const std::optional<double> dpi = ParseDpi(*xftDpi)) return *dpi;
  }
  return screenDpi > 0 ? screenDpi : kBaseDpi;
}

double DesktopScale(double dpi) {
  return std::clamp(std::round(dpi / kBaseDpi * 4.0) / 4.0, 1.0, 4.0);
}

}  // namespace qv::fltk
