#include "platform/gtk/keys.h"

namespace qv::gtk {

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

}  // namespace qv::gtk
