#include "platform/gtk/drag_drop.h"

#include <string>
#include <vector>

#include "platform/emulated/input.h"
#include "platform/gtk/uri_list.h"
#include "platform/gtk/wide_name.h"

namespace qv::gtk {
namespace {

void OnDragData(GtkWidget* toplevel, GdkDragContext*, gint x, gint y, GtkSelectionData* data, guint,
                guint, gpointer user) {
  auto* d = static_cast<DialogPeer*>(user);
  gchar** uris = gtk_selection_data_get_uris(data);
  std::vector<std::wstring> paths;
  for (const std::string& file : LocalFiles(uris)) {
    std::wstring wide = WideName(file);
    if (!wide.empty()) paths.push_back(std::move(wide));
  }
  g_strfreev(uris);
  if (paths.empty()) return;  // nothing but other schemes: no files were dropped
  emu::Window* under = d->window;
  for (auto& c : d->controls) {
    gint cx = 0, cy = 0;
    if (!gtk_widget_translate_coordinates(toplevel, c->widget, x, y, &cx, &cy)) continue;
    GtkAllocation a;
    gtk_widget_get_allocation(c->widget, &a);
    if (cx >= 0 && cy >= 0 && cx < a.width && cy < a.height) {
      under = c->window;
      break;
    }
  }
  emu::UserDropped(*under, paths);
}

}  // namespace

void AcceptDroppedFiles(DialogPeer& d) {
  // Files from a file manager. Only a copy is taken: a move would have the
  // source delete what it dropped.
  static GtkTargetEntry uriList = {const_cast<gchar*>("text/uri-list"), 0, 0};
  gtk_drag_dest_set(d.toplevel, GTK_DEST_DEFAULT_ALL, &uriList, 1, GDK_ACTION_COPY);
  g_signal_connect(d.toplevel, "drag-data-received", G_CALLBACK(OnDragData), &d);
}

}  // namespace qv::gtk
