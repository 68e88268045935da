// The GTK 3 backend: each dialog of the in-memory window system is shown as a
// GtkWindow with one GTK widget per control, placed at the template's
// position and size. The in-memory state stays the truth; widgets mirror it
// (Changed) and report the user's actions through emulated/input.h. Focus,
// Tab order, drawing, themes and accessibility are GTK's.
#include <gtk/gtk.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/emulated/backend.h"
#include "platform/emulated/dialog_keys.h"
#include "platform/emulated/input.h"
#include "platform/emulated/window.h"
#include "platform/gtk/desktop_scale.h"
#include "platform/gtk/display.h"
#include "platform/gtk/label_text.h"
#include "platform/gtk/uri_list.h"

namespace qv::gtk {
namespace {

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

int Px(int du, const Metrics& m) {
  return emu::DialogUnitsToPixelsX(du, m.baseX);
}
int Py(int du, const Metrics& m) {
  return emu::DialogUnitsToPixelsY(du, m.baseY);
}

struct DialogPeer;

struct ControlPeer {
  emu::Window* window = nullptr;
  DialogPeer* dialog = nullptr;
  GtkWidget* widget = nullptr;     // placed in the dialog
  GtkWidget* focusable = nullptr;  // what takes the focus (the tree of a list)
  GtkListStore* store = nullptr;   // list boxes
  std::wstring shownText;          // the text the widget shows
  gulong toggled = 0;              // check boxes: blocked while mirroring
  bool mirroring = false;          // list boxes: GTK may change the selection only now
};

struct DialogPeer {
  emu::Window* window = nullptr;
  GtkWidget* toplevel = nullptr;
  GtkWidget* fixed = nullptr;
  GtkWidget* popup = nullptr;  // the last system menu popup
  std::vector<std::unique_ptr<ControlPeer>> controls;
  cairo_t* painting = nullptr;  // during a draw
  int width = 0;
  int height = 0;
};

ControlPeer* PeerOfFocus(DialogPeer& d) {
  GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(d.toplevel));
  if (focus == nullptr) return nullptr;
  for (auto& c : d.controls) {
    if (c->focusable == focus || c->widget == focus) return c.get();
  }
  return nullptr;
}

emu::KeyState KeyOf(const GdkEventKey* event) {
  emu::KeyState k;
  switch (event->keyval) {
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
    case GDK_KEY_ISO_Enter:
      k.key = emu::Key::Enter;
      break;
    case GDK_KEY_Escape:
      k.key = emu::Key::Escape;
      break;
    case GDK_KEY_Menu:
      k.key = emu::Key::Menu;
      break;
    case GDK_KEY_F10:
      k.key = emu::Key::F10;
      break;
    case GDK_KEY_Up:
    case GDK_KEY_KP_Up:
      k.key = emu::Key::Up;
      break;
    case GDK_KEY_Down:
    case GDK_KEY_KP_Down:
      k.key = emu::Key::Down;
      break;
    case GDK_KEY_Page_Up:
    case GDK_KEY_KP_Page_Up:
      k.key = emu::Key::PageUp;
      break;
    case GDK_KEY_Page_Down:
    case GDK_KEY_KP_Page_Down:
      k.key = emu::Key::PageDown;
      break;
    case GDK_KEY_Home:
    case GDK_KEY_KP_Home:
      k.key = emu::Key::Home;
      break;
    case GDK_KEY_End:
    case GDK_KEY_KP_End:
      k.key = emu::Key::End;
      break;
    case GDK_KEY_Left:
    case GDK_KEY_KP_Left:
      k.key = emu::Key::Left;
      break;
    case GDK_KEY_Right:
    case GDK_KEY_KP_Right:
      k.key = emu::Key::Right;
      break;
    default:
      break;
  }
  k.shift = (event->state & GDK_SHIFT_MASK) != 0;
  k.control = (event->state & (GDK_CONTROL_MASK | GDK_MOD1_MASK | GDK_SUPER_MASK)) != 0;
  return k;
}

// The height of one line of a list, in pixels; 1 before it is measured.
int LineHeight(ControlPeer& list) {
  GtkTreePath* first = gtk_tree_path_new_first();
  GdkRectangle cell{};
  gtk_tree_view_get_background_area(GTK_TREE_VIEW(list.focusable), first, nullptr, &cell);
  gtk_tree_path_free(first);
  return cell.height > 0 ? cell.height : 1;
}

// Left and Right scroll a list sideways, by a line's height as Windows does.
void ScrollList(ControlPeer& list, emu::KeyAction action) {
  GtkAdjustment* h = gtk_scrolled_window_get_hadjustment(GTK_SCROLLED_WINDOW(list.widget));
  const double step = LineHeight(list);
  const double left = gtk_adjustment_get_value(h);
  gtk_adjustment_set_value(h, action == emu::KeyAction::ScrollLeft ? left - step : left + step);
}

void OnPopupPick(GtkMenuItem* item, gpointer data) {
  auto* d = static_cast<DialogPeer*>(data);
  const auto id = static_cast<UINT_PTR>(
      reinterpret_cast<guintptr>(g_object_get_data(G_OBJECT(item), "quorvel-command")));
  emu::UserPickedMenu(*d->window, id);
}

// Windows has a system menu on every dialog; here its entries open as a
// popup, at the pointer for a right click, else by the focused control.
void PopupSystemMenu(DialogPeer& d, const GdkEvent* trigger, bool atPointer) {
  const std::vector<emu::PopupEntry> entries = emu::SystemMenuPopup(*d.window);
  if (entries.empty()) return;
  if (d.popup != nullptr) gtk_widget_destroy(d.popup);
  d.popup = gtk_menu_new();
  gtk_menu_attach_to_widget(GTK_MENU(d.popup), d.toplevel, nullptr);
  for (const emu::PopupEntry& entry : entries) {
    if (entry.separatorBefore) {
      gtk_menu_shell_append(GTK_MENU_SHELL(d.popup), gtk_separator_menu_item_new());
    }
    GtkWidget* item = gtk_menu_item_new_with_mnemonic(MnemonicText(entry.label).c_str());
    g_object_set_data(G_OBJECT(item), "quorvel-command",
                      reinterpret_cast<gpointer>(static_cast<guintptr>(entry.id)));
    g_signal_connect(item, "activate", G_CALLBACK(OnPopupPick), &d);
    gtk_menu_shell_append(GTK_MENU_SHELL(d.popup), item);
  }
  gtk_widget_show_all(d.popup);
  if (atPointer) {
    gtk_menu_popup_at_pointer(GTK_MENU(d.popup), trigger);
    return;
  }
  GdkRectangle at{4, 4, 1, 1};
  if (ControlPeer* focus = PeerOfFocus(d)) {
    GtkAllocation a;
    gtk_widget_get_allocation(focus->widget, &a);
    at = GdkRectangle{a.x + 4, a.y + 4, 1, 1};
  }
  gtk_menu_popup_at_rect(GTK_MENU(d.popup), gtk_widget_get_window(d.toplevel), &at,
                         GDK_GRAVITY_NORTH_WEST, GDK_GRAVITY_NORTH_WEST, trigger);
}

gboolean OnKey(GtkWidget*, GdkEventKey* event, gpointer data) {
  auto* d = static_cast<DialogPeer*>(data);
  ControlPeer* focus = PeerOfFocus(*d);
  const emu::KeyAction action =
      emu::UserKey(*d->window, focus != nullptr ? focus->window : nullptr, KeyOf(event));
  switch (action) {
    case emu::KeyAction::Unused:
      return FALSE;
    case emu::KeyAction::Done:
      return TRUE;
    case emu::KeyAction::OpenSystemMenu:
      PopupSystemMenu(*d, reinterpret_cast<GdkEvent*>(event), false);
      return TRUE;
    default:
      if (focus != nullptr && focus->store != nullptr) ScrollList(*focus, action);
      return TRUE;
  }
}

gboolean OnButtonPress(GtkWidget* widget, GdkEventButton* event, gpointer data) {
  auto* d = static_cast<DialogPeer*>(data);
  // A right click on the background, not on a control.
  if (event->type != GDK_BUTTON_PRESS || event->button != GDK_BUTTON_SECONDARY) return FALSE;
  if (gtk_get_event_widget(reinterpret_cast<GdkEvent*>(event)) != widget) return FALSE;
  PopupSystemMenu(*d, reinterpret_cast<GdkEvent*>(event), true);
  return TRUE;
}

gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer data) {
  emu::UserClosed(*static_cast<DialogPeer*>(data)->window);
  return TRUE;  // the window goes when the dialog ends
}

// The dialogs have no minimize or maximize box and no sizing border: the
// window manager's title bar offers moving and closing (X11's Motif hints;
// Wayland has no such request). The window can still be minimised from the
// task bar, as a Windows dialog can.
void OnRealize(GtkWidget* widget, gpointer) {
  GdkWindow* window = gtk_widget_get_window(widget);
  gdk_window_set_decorations(
      window, static_cast<GdkWMDecoration>(GDK_DECOR_BORDER | GDK_DECOR_TITLE | GDK_DECOR_MENU));
  gdk_window_set_functions(
      window, static_cast<GdkWMFunction>(GDK_FUNC_MOVE | GDK_FUNC_MINIMIZE | GDK_FUNC_CLOSE));
}

gboolean OnDraw(GtkWidget*, cairo_t* cr, gpointer data) {
  auto* d = static_cast<DialogPeer*>(data);
  d->painting = cr;
  ::SendMessageW(emu::ToHandle(d->window), WM_PAINT, 0, 0);
  d->painting = nullptr;
  return FALSE;
}

void OnClicked(GtkButton*, gpointer data) {
  emu::UserPressed(*static_cast<ControlPeer*>(data)->window);
}

void OnToggled(GtkToggleButton* button, gpointer data) {
  emu::UserToggled(*static_cast<ControlPeer*>(data)->window,
                   gtk_toggle_button_get_active(button) != FALSE);
}

// A list's selection is the in-memory list's: the tree view changes it only
// while the backend mirrors that one, never on its own (on taking the focus,
// say), so that what is shown is what Enter acts on.
gboolean MayChangeSelection(GtkTreeSelection*, GtkTreeModel*, GtkTreePath*, gboolean,
                            gpointer data) {
  return static_cast<ControlPeer*>(data)->mirroring ? TRUE : FALSE;
}

// A click on a line selects it and a double-click also opens it, as a list
// box reports them; a click beside the lines does neither.
gboolean OnListButton(GtkWidget* tree, GdkEventButton* event, gpointer data) {
  auto* view = GTK_TREE_VIEW(tree);
  if (event->button != GDK_BUTTON_PRIMARY || event->window != gtk_tree_view_get_bin_window(view)) {
    return FALSE;
  }
  gtk_widget_grab_focus(tree);
  if (event->type != GDK_BUTTON_PRESS && event->type != GDK_2BUTTON_PRESS) return TRUE;
  GtkTreePath* path = nullptr;
  if (gtk_tree_view_get_path_at_pos(view, static_cast<gint>(event->x), static_cast<gint>(event->y),
                                    &path, nullptr, nullptr, nullptr)) {
    const int line = gtk_tree_path_get_indices(path)[0];
    gtk_tree_path_free(path);
    emu::UserClickedLine(*static_cast<ControlPeer*>(data)->window, line,
                         event->type == GDK_2BUTTON_PRESS);
  }
  return TRUE;
}

std::wstring WideName(const std::string& name) {
  const int n = ::MultiByteToWideChar(CP_THREAD_ACP, 0, name.c_str(), -1, nullptr, 0);
  if (n <= 0) return std::wstring();
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_THREAD_ACP, 0, name.c_str(), -1, wide.data(), n);
  wide.resize(static_cast<std::size_t>(n - 1));
  return wide;
}

// Files dropped on a dialog: the local files of the text/uri-list, to the
// control under the pointer, or to the dialog.
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
    gtk_widget_add_events(d->toplevel, GDK_BUTTON_PRESS_MASK | GDK_KEY_PRESS_MASK);
    g_signal_connect(d->toplevel, "key-press-event", G_CALLBACK(OnKey), d.get());
    g_signal_connect(d->toplevel, "button-press-event", G_CALLBACK(OnButtonPress), d.get());
    g_signal_connect(d->toplevel, "delete-event", G_CALLBACK(OnDelete), d.get());
    g_signal_connect(d->toplevel, "draw", G_CALLBACK(OnDraw), d.get());
    g_signal_connect(d->toplevel, "realize", G_CALLBACK(OnRealize), nullptr);
    // Files from a file manager. Only a copy is taken: a move would have the
    // source delete what it dropped.
    static GtkTargetEntry uriList = {const_cast<gchar*>("text/uri-list"), 0, 0};
    gtk_drag_dest_set(d->toplevel, GTK_DEST_DEFAULT_ALL, &uriList, 1, GDK_ACTION_COPY);
    g_signal_connect(d->toplevel, "drag-data-received", G_CALLBACK(OnDragData), d.get());

    d->fixed = gtk_fixed_new();
    gtk_widget_set_size_request(d->fixed, d->width, d->height);
    gtk_container_add(GTK_CONTAINER(d->toplevel), d->fixed);
    GList* chain = nullptr;
    for (auto& child : dialog.children) {
      auto c = std::make_unique<ControlPeer>();
      c->window = child.get();
      c->dialog = d.get();
      if (!CreateControl(*c)) continue;
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
        for (GdkPixbuf* image : Images(icon)) icons = g_list_append(icons, image);
      }
      if (icons != nullptr) gtk_window_set_icon_list(GTK_WINDOW(d->toplevel), icons);
      g_list_free(icons);
      return;
    }
    auto* c = static_cast<ControlPeer*>(w.peer);
    gtk_widget_set_sensitive(c->widget, w.enabled);
    MirrorText(*c);
    switch (w.kind) {
      case emu::Kind::CheckBox:
        g_signal_handler_block(c->widget, c->toggled);
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(c->widget), w.check == BST_CHECKED);
        g_signal_handler_unblock(c->widget, c->toggled);
        break;
      case emu::Kind::ListBox:
        MirrorLines(*c);
        MirrorSelection(*c);
        break;
      default:
        break;
    }
  }

  bool ChooseFiles(const OPENFILENAMEW& ofn, std::vector<std::wstring>& paths) override {
    Ready();
    GtkWindow* parent = nullptr;
    if (emu::Window* owner = emu::FromHandle(ofn.hwndOwner); owner != nullptr) {
      if (auto* d = static_cast<DialogPeer*>(owner->peer)) parent = GTK_WINDOW(d->toplevel);
    }
    // Windows titles an open-file dialog "Open" unless it is given a title.
    const std::string title = ofn.lpstrTitle != nullptr ? DisplayText(ofn.lpstrTitle) : "Open";
    GtkFileChooserNative* chooser = gtk_file_chooser_native_new(
        title.c_str(), parent, GTK_FILE_CHOOSER_ACTION_OPEN, nullptr, nullptr);
    GtkFileChooser* fc = GTK_FILE_CHOOSER(chooser);
    gtk_native_dialog_set_modal(GTK_NATIVE_DIALOG(chooser), TRUE);
    gtk_file_chooser_set_select_multiple(fc, (ofn.Flags & OFN_ALLOWMULTISELECT) != 0);
    gtk_file_chooser_set_local_only(fc, TRUE);
    for (const wchar_t* p = ofn.lpstrFilter; p != nullptr && *p != L'\0';) {
      const std::wstring name(p);
      p += name.size() + 1;
      if (*p == L'\0') break;
      const std::wstring patterns(p);
      p += patterns.size() + 1;
      GtkFileFilter* filter = gtk_file_filter_new();
      gtk_file_filter_set_name(filter, DisplayText(name).c_str());
      // "a;b" on Windows is two patterns.
      std::size_t start = 0;
      while (start <= patterns.size()) {
        const std::size_t end = std::min(patterns.find(L';', start), patterns.size());
        if (end > start) {
          gtk_file_filter_add_pattern(filter,
                                      DisplayText(patterns.substr(start, end - start)).c_str());
        }
        start = end + 1;
      }
      gtk_file_chooser_add_filter(fc, filter);  // takes the floating reference
    }
    const gint response = gtk_native_dialog_run(GTK_NATIVE_DIALOG(chooser));
    if (response == GTK_RESPONSE_ACCEPT) {
      GSList* names = gtk_file_chooser_get_filenames(fc);
      for (GSList* l = names; l != nullptr; l = l->next) {
        std::string name = static_cast<const char*>(l->data);
        if (name.empty()) continue;
        AddDefaultExtension(name, ofn.lpstrDefExt);
        std::wstring wide = WideName(name);
        if (!wide.empty()) paths.push_back(std::move(wide));
      }
      g_slist_free_full(names, g_free);
    }
    g_object_unref(chooser);
    return !paths.empty();
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
    if (GdkPixbuf* image = IconImage(icon, metrics_.iconSize)) {
      gdk_cairo_set_source_pixbuf(d->painting, image, x, y);
      cairo_paint(d->painting);
    }
  }

 private:
  void Ready() {
    if (ready_) return;
    OpenDisplayOrExit();
    ComputeMetrics();
    InstallStyle();
    ready_ = true;
  }

  void ComputeMetrics() {
    Metrics& m = metrics_;
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
  }

  // Controls as small as the template makes them: the theme's minimum sizes
  // and paddings would otherwise grow them past their places.
  void InstallStyle() {
    const Metrics& m = metrics_;
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
    gtk_style_context_add_provider_for_screen(gdk_screen_get_default(),
                                              GTK_STYLE_PROVIDER(provider),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_unref(provider);
  }

  static void Ellipsize(GtkWidget* button) {
    GtkWidget* label = gtk_bin_get_child(GTK_BIN(button));
    if (GTK_IS_LABEL(label)) gtk_label_set_ellipsize(GTK_LABEL(label), PANGO_ELLIPSIZE_END);
  }

  bool CreateControl(ControlPeer& c) {
    emu::Window& w = *c.window;
    const DialogItem& item = *w.item;
    const int x = Px(item.x, metrics_), y = Py(item.y, metrics_);
    int width = Px(item.cx, metrics_), height = Py(item.cy, metrics_);
    switch (w.kind) {
      case emu::Kind::PushButton:
        c.widget = gtk_button_new_with_mnemonic(MnemonicText(w.text).c_str());
        Ellipsize(c.widget);
        g_signal_connect(c.widget, "clicked", G_CALLBACK(OnClicked), &c);
        c.focusable = c.widget;
        break;
      case emu::Kind::CheckBox:
        c.widget = gtk_check_button_new_with_mnemonic(MnemonicText(w.text).c_str());
        Ellipsize(c.widget);
        c.toggled = g_signal_connect(c.widget, "toggled", G_CALLBACK(OnToggled), &c);
        c.focusable = c.widget;
        break;
      case emu::Kind::ListBox: {
        c.store = gtk_list_store_new(1, G_TYPE_STRING);
        GtkWidget* tree = gtk_tree_view_new_with_model(GTK_TREE_MODEL(c.store));
        GtkTreeView* view = GTK_TREE_VIEW(tree);
        gtk_tree_view_set_headers_visible(view, FALSE);
        gtk_tree_view_set_enable_search(view, FALSE);
        GtkTreeSelection* selection = gtk_tree_view_get_selection(view);
        gtk_tree_selection_set_mode(
            selection, (w.style & LBS_NOSEL) != 0 ? GTK_SELECTION_NONE : GTK_SELECTION_SINGLE);
        gtk_tree_selection_set_select_function(selection, &MayChangeSelection, &c, nullptr);
        g_signal_connect(tree, "button-press-event", G_CALLBACK(OnListButton), &c);
        GtkCellRenderer* text = gtk_cell_renderer_text_new();
        gtk_tree_view_insert_column_with_attributes(view, -1, nullptr, text, "text", 0, nullptr);
        c.widget = gtk_scrolled_window_new(nullptr, nullptr);
        auto* scrolled = GTK_SCROLLED_WINDOW(c.widget);
        gtk_scrolled_window_set_overlay_scrolling(scrolled, FALSE);
        const GtkPolicyType policy =
            (w.style & LBS_DISABLENOSCROLL) != 0 ? GTK_POLICY_ALWAYS : GTK_POLICY_AUTOMATIC;
        gtk_scrolled_window_set_policy(scrolled, policy, policy);
        gtk_scrolled_window_set_shadow_type(
            scrolled, (w.style & WS_BORDER) != 0 ? GTK_SHADOW_IN : GTK_SHADOW_NONE);
        gtk_container_add(GTK_CONTAINER(c.widget), tree);
        c.focusable = tree;
        break;
      }
      case emu::Kind::StaticText: {
        const bool prefix = (w.style & SS_NOPREFIX) == 0;
        c.widget = prefix ? gtk_label_new_with_mnemonic(MnemonicText(w.text).c_str())
                          : gtk_label_new(DisplayText(w.text).c_str());
        GtkLabel* label = GTK_LABEL(c.widget);
        gtk_label_set_xalign(label, 0);
        gtk_label_set_yalign(label, 0);
        gtk_label_set_ellipsize(label, PANGO_ELLIPSIZE_END);
        break;
      }
      case emu::Kind::StaticIcon:
        // An icon static takes the size of its icon.
        c.widget = gtk_image_new_from_pixbuf(IconImage(w.icon, metrics_.iconSize));
        width = height = metrics_.iconSize;
        break;
      default:
        return false;
    }
    gtk_widget_set_size_request(c.widget, width, height);
    gtk_fixed_put(GTK_FIXED(c.dialog->fixed), c.widget, x, y);
    c.shownText = w.text;
    return true;
  }

  static void MirrorText(ControlPeer& c) {
    const emu::Window& w = *c.window;
    if (c.shownText == w.text) return;
    c.shownText = w.text;
    switch (w.kind) {
      case emu::Kind::PushButton:
      case emu::Kind::CheckBox:
        gtk_button_set_label(GTK_BUTTON(c.widget), MnemonicText(w.text).c_str());
        Ellipsize(c.widget);
        break;
      case emu::Kind::StaticText:
        if ((w.style & SS_NOPREFIX) == 0) {
          gtk_label_set_text_with_mnemonic(GTK_LABEL(c.widget), MnemonicText(w.text).c_str());
        } else {
          gtk_label_set_text(GTK_LABEL(c.widget), DisplayText(w.text).c_str());
        }
        break;
      default:
        break;
    }
  }

  static void MirrorSelection(ControlPeer& c) {
    GtkTreeView* view = GTK_TREE_VIEW(c.focusable);
    GtkTreeSelection* selection = gtk_tree_view_get_selection(view);
    if (gtk_tree_selection_get_mode(selection) == GTK_SELECTION_NONE) return;
    c.mirroring = true;
    const int line = c.window->selected;
    if (line >= 0 && line < gtk_tree_model_iter_n_children(GTK_TREE_MODEL(c.store), nullptr)) {
      GtkTreePath* path = gtk_tree_path_new_from_indices(line, -1);
      gtk_tree_selection_select_path(selection, path);
      gtk_tree_path_free(path);
    } else {
      gtk_tree_selection_unselect_all(selection);
    }
    c.mirroring = false;
  }

  void MirrorLines(ControlPeer& c) {
    GtkTreeModel* model = GTK_TREE_MODEL(c.store);
    const std::vector<std::wstring>& lines = c.window->lines;
    const auto rows = static_cast<std::size_t>(gtk_tree_model_iter_n_children(model, nullptr));
    // A list changes one step at a time (emptied, or one line added), and
    // changes of its selection alone leave the rows as they are: refilled,
    // they would lose their measured places until GTK measured them again.
    if (rows == lines.size()) return;
    // The batch adds one line at a time: append it rather than refill.
    if (rows + 1 != lines.size()) {
      gtk_list_store_clear(c.store);
      for (const std::wstring& line : lines) {
        gtk_list_store_insert_with_values(c.store, nullptr, -1, 0, DisplayText(line).c_str(), -1);
      }
      return;
    }
    gtk_list_store_insert_with_values(c.store, nullptr, -1, 0, DisplayText(lines.back()).c_str(),
                                      -1);
  }

  static void AddDefaultExtension(std::string& name, LPCWSTR defExt) {
    // As Windows does for a typed name: a missing file without an extension
    // gets the default one.
    if (defExt == nullptr || *defExt == L'\0') return;
    struct stat st;
    if (::stat(name.c_str(), &st) == 0) return;
    const std::size_t slash = name.rfind('/');
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) return;
    name.push_back('.');
    name.append(DisplayText(defExt));
  }

  // The images of an icon resource, decoded once.
  const std::vector<GdkPixbuf*>& Images(HICON icon) {
    auto it = decoded_.find(icon);
    if (it != decoded_.end()) return it->second;
    std::vector<GdkPixbuf*> images;
    if (icon != nullptr) {
      const auto* res = reinterpret_cast<const IconResource*>(icon);
      for (const ::IconImage& img : res->images) {
        GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type("png", nullptr);
        if (loader == nullptr) continue;
        const bool ok = gdk_pixbuf_loader_write(loader, img.png.data(), img.png.size(), nullptr) &&
                        gdk_pixbuf_loader_close(loader, nullptr);
        GdkPixbuf* pixbuf = ok ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
        if (pixbuf != nullptr) images.push_back(GDK_PIXBUF(g_object_ref(pixbuf)));
        g_object_unref(loader);
      }
    }
    return decoded_.emplace(icon, std::move(images)).first->second;
  }

  // The icon at `size` pixels, scaled from its nearest larger image.
  GdkPixbuf* IconImage(HICON icon, int size) {
    const auto key = std::make_pair(icon, size);
    auto it = scaled_.find(key);
    if (it != scaled_.end()) return it->second;
    GdkPixbuf* best = nullptr;
    for (GdkPixbuf* image : Images(icon)) {
      const int w = gdk_pixbuf_get_width(image);
      if (best == nullptr ||
          (w >= size && (gdk_pixbuf_get_width(best) < size || w < gdk_pixbuf_get_width(best)))) {
        best = image;
      }
    }
    GdkPixbuf* scaled = best == nullptr ? nullptr
                        : gdk_pixbuf_get_width(best) == size
                            ? GDK_PIXBUF(g_object_ref(best))
                            : gdk_pixbuf_scale_simple(best, size, size, GDK_INTERP_BILINEAR);
    scaled_.emplace(key, scaled);
    return scaled;
  }

  bool ready_ = false;
  Metrics metrics_;
  // Kept for the life of the process, as the icons are.
  std::map<HICON, std::vector<GdkPixbuf*>> decoded_;
  std::map<std::pair<HICON, int>, GdkPixbuf*> scaled_;
};

}  // namespace
}  // namespace qv::gtk

qv::emu::Backend& qv::emu::ActiveBackend() {
  static qv::gtk::GtkBackend backend;
  return backend;
}
