// The style sheet of the dialogs: controls as small as the template makes
// them. It applies to windows of the style class "quorvel-dialog".
#ifndef QUORVEL_PLATFORM_GTK_STYLE_H_
#define QUORVEL_PLATFORM_GTK_STYLE_H_

#include "platform/gtk/metrics.h"

namespace qv::gtk {

// Adds the style sheet, sized by `m`, to the default screen; once, after GTK
// is initialised.
void InstallStyle(const Metrics& m);

}  // namespace qv::gtk

#endif  // QUORVEL_PLATFORM_GTK_STYLE_H_
