#include "platform/gtk/system_menu.h"

#include <vector>

#include "platform/emulated/input.h"
#include "platform/gtk/label_text.h"

namespace qv::gtk {
namespace {

void OnPopupPick(GtkMenuItem* item, gpointer data) {
  auto* d = static_cast<DialogPeer*>(data);
  const auto id = static_cast<UINT_PTR>(
      reinterpret_cast<guintptr>(g_object_get_data(G_OBJECT(item), "quorvel-command")));
  emu::UserPickedMenu(*d->window, id);
}

}  // namespace

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

}  // namespace qv::gtk
