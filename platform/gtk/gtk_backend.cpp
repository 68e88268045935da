// The GTK 3 backend: each dialog of the in-memory window system is shown as a
// GtkWindow with one GTK widget per control, placed at the template's
// position and size. The in-memory state stays the truth; widgets mirror it
// (Changed) and report the user's actions through emulated/input.h. Focus,
// Tab order, drawing, themes and accessibility are GTK's.
#include <gtk/gtk.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/emulated/backend.h"
#include "platform/emulated/dialog_keys.h"
#include "platform/gtk/controls.h"
#include "platform/gtk/dialog_events.h"
#include "platform/gtk/display.h"
#include "platform/gtk/drag_drop.h"
#include "platform/gtk/file_chooser.h"
#include "platform/gtk/icons.h"
#include "platform/gtk/label_text.h"
#include "platform/gtk/metrics.h"
#include "platform/gtk/peer.h"
#include "platform/gtk/style.h"

namespace qv::gtk {
namespace {

class GtkBackend final : public emu::Backend {
 public:
  bool CreatePeer(emu::Window& dialog) override {
    Ready();
    const DialogTemplate& t = *dialog.dialog;
    auto d = std::make_unique<DialogPeer>();
    d->window = &dialog;
    d->width = Px(t.cx, metrics_);
    d->height = Py(t.cy, metrics_);
    d->toplevel = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    GtkWindow* win = GTK_WINDOW(d->toplevel);
    gtk_window_set_title(win, DisplayText(dialog.text).c_str());
    gtk_window_set_resizable(win, FALSE);
    // An app window has its own task bar button; other dialogs belong to
    // their owner's.
    gtk_window_set_type_hint(win, (dialog.exStyle & WS_EX_APPWINDOW) != 0
                                      ? GDK_WINDOW_TYPE_HINT_NORMAL
                                      : GDK_WINDOW_TYPE_HINT_DIALOG);
    gtk_style_context_add_class(gtk_widget_get_style_context(d->toplevel), "quorvel-dialog");
    atk_object_set_role(gtk_widget_get_accessible(d->toplevel), ATK_ROLE_DIALOG);
    if (dialog.parent != nullptr && dialog.parent->peer != nullptr) {
      auto* owner = static_cast<DialogPeer*>(dialog.parent->peer);
      gtk_window_set_transient_for(win, GTK_WINDOW(owner->toplevel));
      gtk_window_set_position(win, GTK_WIN_POS_CENTER_ON_PARENT);
      gtk_window_set_modal(win, TRUE);
    }
    ConnectDialogEvents(*d);
    AcceptDroppedFiles(*d);

    d->fixed = gtk_fixed_new();
    gtk_widget_set_size_request(d->fixed, d->width, d->height);
    gtk_container_add(GTK_CONTAINER(d->toplevel), d->fixed);
    GList* chain = nullptr;
    for (auto& child : dialog.children) {
      auto c = std::make_unique<ControlPeer>();
      c->window = child.get();
      c->dialog = d.get();
      if (!CreateControl(*c, metrics_, icons_)) continue;
      if (c->focusable != nullptr && (child->style & WS_TABSTOP) != 0) {
        chain = g_list_append(chain, c->widget);
      } else if (c->focusable != nullptr) {
        gtk_widget_set_can_focus(c->focusable, FALSE);
      }
      child->peer = c.get();
      d->controls.push_back(std::move(c));
    }
    // The template's order is the Tab order; GTK's own order of a GtkFixed
    // goes by position. GTK 4 drops focus chains for a focus vfunc; GTK 3's
    // chain is the plain way to say it.
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    gtk_container_set_focus_chain(GTK_CONTAINER(d->fixed), chain);
    G_GNUC_END_IGNORE_DEPRECATIONS
    g_list_free(chain);
    if (emu::Window* button = emu::DefaultButton(dialog)) {
      auto* peer = static_cast<ControlPeer*>(button->peer);
      gtk_widget_set_can_default(peer->widget, TRUE);
      gtk_widget_grab_default(peer->widget);
    }
    dialog.peer = d.get();
    for (auto& c : d->controls) Changed(*c->window);
    Changed(dialog);
    d.release();
    return true;
  }

  void DestroyPeer(emu::Window& dialog) override {
    auto* d = static_cast<DialogPeer*>(dialog.peer);
    if (d == nullptr) return;
    for (auto& c : d->controls) {
      c->window->peer = nullptr;
      if (c->store != nullptr) g_object_unref(c->store);
    }
    if (d->popup != nullptr) gtk_widget_destroy(d->popup);
    gtk_widget_destroy(d->toplevel);
    dialog.peer = nullptr;
    delete d;
  }

  void RunModal(emu::Window& dialog) override {
    auto* d = static_cast<DialogPeer*>(dialog.peer);
    gtk_widget_show_all(d->toplevel);
    // The first tab stop has the focus, as a Windows dialog gives it.
    GList* chain = nullptr;
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    if (gtk_container_get_focus_chain(GTK_CONTAINER(d->fixed), &chain) && chain != nullptr) {
      for (GList* l = chain; l != nullptr; l = l->next) {
        auto* w = static_cast<GtkWidget*>(l->data);
        if (!gtk_widget_is_sensitive(w)) continue;
        for (auto& c : d->controls) {
          if (c->widget == w) gtk_widget_grab_focus(c->focusable);
        }
        break;
      }
    }
    G_GNUC_END_IGNORE_DEPRECATIONS
    g_list_free(chain);
    gtk_window_present(GTK_WINDOW(d->toplevel));
    while (!dialog.ended) gtk_main_iteration();
    gtk_widget_hide(d->toplevel);
  }

  void PumpMessages(emu::Window&, int waitMilliseconds) override {
    if (waitMilliseconds > 0 && !gtk_events_pending()) {
      // One dispatch, of an event or of the timer, whichever comes first.
      bool fired = false;
      const guint timer = g_timeout_add(
          static_cast<guint>(waitMilliseconds),
          [](gpointer flag) -> gboolean {
            *static_cast<bool*>(flag) = true;
            return G_SOURCE_REMOVE;
          },
          &fired);
      gtk_main_iteration_do(TRUE);
      if (!fired) g_source_remove(timer);
    }
    // What is waiting now, not what comes while it is handled: a steady
    // stream of events cannot keep the caller here.
    for (int i = 0; i < 1000 && gtk_events_pending(); ++i) gtk_main_iteration_do(FALSE);
  }

  void Focus(emu::Window& control) override {
    auto* c = static_cast<ControlPeer*>(control.peer);
    if (c != nullptr && c->focusable != nullptr) gtk_widget_grab_focus(c->focusable);
  }

  void ShowLine(emu::Window& list, int line) override {
    auto* c = static_cast<ControlPeer*>(list.peer);
    if (c == nullptr || c->store == nullptr) return;
    GtkTreePath* path = gtk_tree_path_new_from_indices(line, -1);
    gtk_tree_view_scroll_to_cell(GTK_TREE_VIEW(c->focusable), path, nullptr, FALSE, 0, 0);
    gtk_tree_path_free(path);
  }

  int VisibleLines(const emu::Window& list) override {
    auto* c = static_cast<ControlPeer*>(list.peer);
    if (c == nullptr || c->store == nullptr) return emu::Backend::VisibleLines(list);
    GtkAdjustment* v = gtk_scrolled_window_get_vadjustment(GTK_SCROLLED_WINDOW(c->widget));
    const int lines = static_cast<int>(gtk_adjustment_get_page_size(v)) / LineHeight(*c);
    return std::max(1, lines);
  }

  void Changed(emu::Window& w) override {
    if (w.peer == nullptr) return;
    if (w.kind == emu::Kind::Dialog) {
      auto* d = static_cast<DialogPeer*>(w.peer);
      gtk_window_set_title(GTK_WINDOW(d->toplevel), DisplayText(w.text).c_str());
      GList* icons = nullptr;
      for (HICON icon : {w.bigIcon, w.smallIcon}) {
        for (GdkPixbuf* image : icons_.Images(icon)) icons = g_list_append(icons, image);
      }
      if (icons != nullptr) gtk_window_set_icon_list(GTK_WINDOW(d->toplevel), icons);
      g_list_free(icons);
      return;
    }
    MirrorControl(w);
  }

  bool ChooseFiles(const OPENFILENAMEW& ofn, std::vector<std::wstring>& paths) override {
    Ready();
    return ShowFileChooser(ofn, paths);
  }

  bool IsIconic(const emu::Window& w) override {
    if (w.kind != emu::Kind::Dialog || w.peer == nullptr) return false;
    GdkWindow* gw = gtk_widget_get_window(static_cast<DialogPeer*>(w.peer)->toplevel);
    return gw != nullptr && (gdk_window_get_state(gw) & GDK_WINDOW_STATE_ICONIFIED) != 0;
  }

  RECT ClientRect(const emu::Window& w) override {
    if (w.peer == nullptr) return RECT{0, 0, 0, 0};
    if (w.kind == emu::Kind::Dialog) {
      auto* d = static_cast<DialogPeer*>(w.peer);
      return RECT{0, 0, d->width, d->height};
    }
    GtkAllocation a;
    gtk_widget_get_allocation(static_cast<ControlPeer*>(w.peer)->widget, &a);
    return RECT{0, 0, a.width, a.height};
  }

  int SystemMetric(int index) override {
    Ready();
    return index == SM_CXICON || index == SM_CYICON ? metrics_.iconSize : 0;
  }

  // GTK draws the dialog's face and controls itself after the WM_PAINT
  // handler has run.
  void PaintDefault(emu::Window&) override {}

  void EraseIconBackground(emu::Window& w) override {
    auto* d = static_cast<DialogPeer*>(w.peer);
    if (d == nullptr || d->painting == nullptr) return;
    gtk_render_background(gtk_widget_get_style_context(d->toplevel), d->painting, 0, 0, d->width,
                          d->height);
  }

  void DrawIcon(emu::Window& w, int x, int y, HICON icon) override {
    auto* d = static_cast<DialogPeer*>(w.peer);
    if (d == nullptr || d->painting == nullptr) return;
    if (GdkPixbuf* image = icons_.IconImage(icon, metrics_.iconSize)) {
      gdk_cairo_set_source_pixbuf(d->painting, image, x, y);
      cairo_paint(d->painting);
    }
  }

 private:
  void Ready() {
    if (ready_) return;
    OpenDisplayOrExit();
    metrics_ = ComputeMetrics();
    InstallStyle(metrics_);
    ready_ = true;
  }

  bool ready_ = false;
  Metrics metrics_;
  IconCache icons_;
};

}  // namespace
}  // namespace qv::gtk

qv::emu::Backend& qv::emu::ActiveBackend() {
  static qv::gtk::GtkBackend backend;
  return backend;
}
