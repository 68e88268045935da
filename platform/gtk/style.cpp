#include "platform/gtk/style.h"

#include <gtk/gtk.h>

#include <string>

namespace qv::gtk {

// Controls as small as the template makes them: the theme's minimum sizes
// and paddings would otherwise grow them past their places.
void InstallStyle(const Metrics& m) {
  const std::string css =
      "window.quorvel-dialog button { min-height: 0; min-width: 0; padding: 0 " +
      std::to_string(m.buttonPadding) +
      "px; }\n"
      "window.quorvel-dialog checkbutton { min-height: 0; padding: 0; margin: 0; }\n"
      "window.quorvel-dialog checkbutton check { min-width: " +
      std::to_string(m.checkSize) + "px; min-height: " + std::to_string(m.checkSize) +
      "px; margin: 0 " + std::to_string(m.checkSpacing) +
      "px 0 0; padding: 0; }\n"
      "window.quorvel-dialog checkbutton label { padding: 0; margin: 0; }\n";
  GtkCssProvider* provider = gtk_css_provider_new();
  gtk_css_provider_load_from_data(provider, css.c_str(), -1, nullptr);
  gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(provider),
                                            GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  g_object_unref(provider);
}

}  // namespace qv::gtk
