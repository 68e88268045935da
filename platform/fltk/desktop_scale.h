// How large the dialogs are drawn: the desktop's DPI, taken from the Xft.dpi
// resource that desktops set for scaled displays, else from the screen.
#ifndef QUORVEL_PLATFORM_FLTK_DESKTOP_SCALE_H_
#define QUORVEL_PLATFORM_FLTK_DESKTOP_SCALE_H_

#include <optional>
#include <string_view>

namespace qv::fltk {

// The DPI a resource value names: a positive decimal number, optionally
// surrounded by blanks. std::nullopt for anything else.
std::optional<double> ParseDpi(std::string_view text);

// `xftDpi` when it parses, else `screenDpi`; 96 when neither is positive.
double DesktopDpi(std::optional<std::string_view> xftDpi, double screenDpi);

// The scale of the dialogs for `dpi`: dpi / 96 in quarter steps, at least 1
// (controls never shrink below their 96-dpi size) and at most 4.
double DesktopScale(double dpi);

}  // namespace qv::fltk

#endif  // QUORVEL_PLATFORM_FLTK_DESKTOP_SCALE_H_
