#include "platform/gtk/dialog_events.h"

#include "platform/emulated/input.h"
#include "platform/gtk/controls.h"
#include "platform/gtk/keys.h"
#include "platform/gtk/system_menu.h"

namespace qv::gtk {
namespace {

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

}  // namespace

void ConnectDialogEvents(DialogPeer& d) {
  gtk_widget_add_events(d.toplevel, GDK_BUTTON_PRESS_MASK | GDK_KEY_PRESS_MASK);
  g_signal_connect(d.toplevel, "key-press-event", G_CALLBACK(OnKey), &d);
  g_signal_connect(d.toplevel, "button-press-event", G_CALLBACK(OnButtonPress), &d);
  g_signal_connect(d.toplevel, "delete-event", G_CALLBACK(OnDelete), &d);
  g_signal_connect(d.toplevel, "draw", G_CALLBACK(OnDraw), &d);
  g_signal_connect(d.toplevel, "realize", G_CALLBACK(OnRealize), nullptr);
}

}  // namespace qv::gtk
