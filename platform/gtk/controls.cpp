#include "platform/gtk/controls.h"

#include <string>
#include <vector>

#include "platform/gtk/label_text.h"

namespace qv::gtk {
namespace {

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

void Ellipsize(GtkWidget* button) {
  GtkWidget* label = gtk_bin_get_child(GTK_BIN(button));
  if (GTK_IS_LABEL(label)) gtk_label_set_ellipsize(GTK_LABEL(label), PANGO_ELLIPSIZE_END);
}

void MirrorText(ControlPeer& c) {
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

void MirrorSelection(ControlPeer& c) {
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
  gtk_list_store_insert_with_values(c.store, nullptr, -1, 0, DisplayText(lines.back()).c_str(), -1);
}

}  // namespace

bool CreateControl(ControlPeer& c, const Metrics& m, IconCache& icons) {
  emu::Window& w = *c.window;
  const DialogItem& item = *w.item;
  const int x = Px(item.x, m), y = Py(item.y, m);
  int width = Px(item.cx, m), height = Py(item.cy, m);
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
      c.widget = gtk_image_new_from_pixbuf(icons.IconImage(w.icon, m.iconSize));
      width = height = m.iconSize;
      break;
    default:
      return false;
  }
  gtk_widget_set_size_request(c.widget, width, height);
  gtk_fixed_put(GTK_FIXED(c.dialog->fixed), c.widget, x, y);
  c.shownText = w.text;
  return true;
}

int LineHeight(ControlPeer& list) {
  GtkTreePath* first = gtk_tree_path_new_first();
  GdkRectangle cell{};
  gtk_tree_view_get_background_area(GTK_TREE_VIEW(list.focusable), first, nullptr, &cell);
  gtk_tree_path_free(first);
  return cell.height > 0 ? cell.height : 1;
}

void ScrollList(ControlPeer& list, emu::KeyAction action) {
  GtkAdjustment* h = gtk_scrolled_window_get_hadjustment(GTK_SCROLLED_WINDOW(list.widget));
  const double step = LineHeight(list);
  const double left = gtk_adjustment_get_value(h);
  gtk_adjustment_set_value(h, action == emu::KeyAction::ScrollLeft ? left - step : left + step);
}

void MirrorControl(emu::Window& w) {
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

}  // namespace qv::gtk
