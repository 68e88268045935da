// The sizes the dialogs are laid out with: the dialog units from the
// desktop's interface font, as Windows takes them from a dialog's font, and
// the sizes of icons and check boxes from the desktop's scale.
#ifndef QUORVEL_PLATFORM_GTK_METRICS_H_
#define QUORVEL_PLATFORM_GTK_METRICS_H_

#include "platform/emulated/window.h"

namespace qv::gtk {

// Sizes that follow from the desktop's scale, fixed once GTK is up.
struct Metrics {
  double scale = 1.0;
  int baseX = emu::kBaseUnitX;
  int baseY = emu::kBaseUnitY;
  int iconSize = 32;
  int checkSize = 13;    // the check box's square
  int checkSpacing = 4;  // between the square and its text
  int buttonPadding = 4;
};

// Measures the desktop's sizes; GTK must be initialised. A font that cannot
// be measured leaves the dialog units at their defaults.
Metrics ComputeMetrics();

// Dialog units to pixels, across and down.
int Px(int du, const Metrics& m);
int Py(int du, const Metrics& m);

}  // namespace qv::gtk

#endif  // QUORVEL_PLATFORM_GTK_METRICS_H_
