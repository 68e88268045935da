// How large the dialogs are laid out: the desktop's font resolution (GDK's,
// which follows Xft.dpi on X11 and the text scaling of Wayland desktops) over
// 96 dpi. GDK multiplies the result by its own window scale (GDK_SCALE, the
// monitor's scale) when it draws.
#ifndef QUORVEL_PLATFORM_GTK_DESKTOP_SCALE_H_
#define QUORVEL_PLATFORM_GTK_DESKTOP_SCALE_H_

namespace qv::gtk {

// The scale of the dialogs for `dpi`: dpi / 96 in quarter steps, at least 1
// (controls never shrink below their 96-dpi size) and at most 4. A DPI that
// is not positive (GDK has none) counts as 96.
double DesktopScale(double dpi);

}  // namespace qv::gtk

#endif  // QUORVEL_PLATFORM_GTK_DESKTOP_SCALE_H_
