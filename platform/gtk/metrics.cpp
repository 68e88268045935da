#include "platform/gtk/metrics.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <cmath>

#include "platform/gtk/desktop_scale.h"

namespace qv::gtk {

int Px(int du, const Metrics& m) {
  return emu::DialogUnitsToPixelsX(du, m.baseX);
}
int Py(int du, const Metrics& m) {
  return emu::DialogUnitsToPixelsY(du, m.baseY);
}

Metrics ComputeMetrics() {
  Metrics m;
  m.scale = DesktopScale(gdk_screen_get_resolution(gdk_screen_get_default()));
  m.iconSize = static_cast<int>(std::lround(32 * m.scale));
  m.checkSize = static_cast<int>(std::lround(13 * m.scale));
  m.checkSpacing = static_cast<int>(std::lround(4 * m.scale));
  m.buttonPadding = static_cast<int>(std::lround(4 * m.scale));
  // The dialog units come from the dialog's font, as Windows takes them
  // from a DS_SETFONT template's: here the desktop's interface font at its
  // size, the one every GTK label shows. The average width of the 52
  // letters, rounded, and the font's height (ascent and descent), in
  // logical pixels: the dialog grows with the font.
  GtkWidget* probe = gtk_label_new(nullptr);
  g_object_ref_sink(probe);
  PangoContext* context = gtk_widget_get_pango_context(probe);
  PangoFontDescription* font = nullptr;
  gtk_style_context_get(gtk_widget_get_style_context(probe), GTK_STATE_FLAG_NORMAL, "font", &font,
                        nullptr);
  PangoLayout* layout = pango_layout_new(context);
  pango_layout_set_font_description(layout, font);
  pango_layout_set_text(layout, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", -1);
  int width = 0, height = 0;
  pango_layout_get_pixel_size(layout, &width, &height);
  g_object_unref(layout);
  PangoFontMetrics* metrics = pango_context_get_metrics(context, font, nullptr);
  const int fontHeight = PANGO_PIXELS(pango_font_metrics_get_ascent(metrics) +
                                      pango_font_metrics_get_descent(metrics));
  pango_font_metrics_unref(metrics);
  pango_font_description_free(font);
  g_object_unref(probe);
  if (width > 0) m.baseX = std::max(1, (width / 26 + 1) / 2);
  if (fontHeight > 0) m.baseY = fontHeight;
  return m;
}

}  // namespace qv::gtk
