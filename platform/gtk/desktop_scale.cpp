#include "platform/gtk/desktop_scale.h"

#include <algorithm>
#include <cmath>

namespace qv::gtk {

double DesktopScale(double dpi) {
  constexpr double kBaseDpi = 96.0;
  if (!std::isfinite(dpi) || dpi <= 0) dpi = kBaseDpi;
  return std::clamp(std::round(dpi / kBaseDpi * 4.0) / 4.0, 1.0, 4.0);
}

}  // namespace qv::gtk
