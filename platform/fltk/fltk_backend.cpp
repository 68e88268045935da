// The FLTK backend: each dialog of the in-memory window system is shown as an
// X11 window with one FLTK widget per control. The in-memory state stays the
// truth; widgets mirror it (Changed) and report user actions back as the
// messages a Windows dialog would get.
#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Browser.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Menu_Item.H>
#include <FL/Fl_Native_File_Chooser.H>
#include <FL/Fl_PNG_Image.H>
#include <FL/fl_draw.H>
#include <FL/fl_utf8.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cwchar>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/emulated/backend.h"
#include "platform/emulated/dialog_keys.h"
#include "platform/emulated/window.h"
#include "platform/fltk/desktop_scale.h"
#include "platform/fltk/x_display.h"

namespace qv::fltk {
namespace {

// UTF-8 for display. Code points that stand for undecodable file-name bytes
// (and anything else that is not a character) show as U+FFFD.
std::string DisplayText(const std::wstring& text) {
  std::string out;
  char buf[8];
  for (wchar_t wc : text) {
    auto c = static_cast<unsigned>(wc);
    if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = 0xFFFD;
    out.append(buf, static_cast<std::size_t>(fl_utf8encode(c, buf)));
  }
  return out;
}

// Label text; '&' marks a mnemonic unless the control asks for no prefix.
std::string LabelText(const emu::Window& w) {
  std::string text = DisplayText(w.text);
  if (w.kind == emu::Kind::StaticText && (w.style & SS_NOPREFIX) != 0) {
    std::string escaped;
    for (char c : text) {
      escaped += c;
      if (c == '&') escaped += '&';
    }
    text = escaped;
  }
  return text;
}

// Screen scale, dialog base units and the dialog font size, fixed once the
// display is open.
struct Metrics {
  double scale = 1.0;
  int baseX = emu::kBaseUnitX;
  int baseY = emu::kBaseUnitY;
  int fontSize = 11;
  int iconSize = 32;
};

int Px(int du, const Metrics& m) {
  return emu::DialogUnitsToPixelsX(du, m.baseX);
}
int Py(int du, const Metrics& m) {
  return emu::DialogUnitsToPixelsY(du, m.baseY);
}

// Width a control's label needs beside its own decoration (FLTK's check box
// draws its box labelsize() wide plus two 2-pixel gaps).
int NeededWidth(const DialogItem& item, const std::string& text, int fontSize) {
  fl_font(FL_HELVETICA, fontSize);
  const int textWidth = static_cast<int>(std::ceil(fl_width(text.c_str())));
  const std::wstring cls = item.className;
  if (cls == kButtonClass) {
    return (item.style & BS_TYPEMASK) == BS_AUTOCHECKBOX ? textWidth + fontSize + 8 : textWidth + 8;
  }
  return textWidth + 2;
}

Metrics ComputeMetrics() {
  Metrics m;
  float h = 0, v = 0;
  Fl::screen_dpi(h, v);
  const std::optional<std::string> xftDpi = XftDpiResource();
  m.scale =
      DesktopScale(DesktopDpi(xftDpi ? std::optional<std::string_view>(*xftDpi) : std::nullopt, h));
  m.baseX = static_cast<int>(std::lround(emu::kBaseUnitX * m.scale));
  m.baseY = static_cast<int>(std::lround(emu::kBaseUnitY * m.scale));
  m.iconSize = static_cast<int>(std::lround(32 * m.scale));
  // 8 points at 96 dpi is about 11 pixels; take the largest size up to that
  // at which every label of every dialog fits its control.
  const int minSize = static_cast<int>(std::lround(7 * m.scale));
  for (m.fontSize = static_cast<int>(std::lround(11 * m.scale)); m.fontSize > minSize;
       --m.fontSize) {
    bool fits = true;
    for (const DialogTemplate& t : ProgramResources().dialogs) {
      for (const DialogItem& item : t.items) {
        if (item.text == nullptr) continue;
        emu::Window probe;
        probe.text = item.text;
        if (NeededWidth(item, DisplayText(probe.text), m.fontSize) > Px(item.cx, m) ||
            m.fontSize + 2 > Py(item.cy, m)) {
          fits = false;
        }
      }
    }
    if (fits) break;
  }
  return m;
}

// A list box whose lines cannot be selected, as the status list is: it takes
// the keyboard focus (Tab or a click) and scrolls with the arrow keys, Page
// Up/Down, Home and End, like a Windows list box without selection.
class StatusList : public Fl_Browser {
 public:
  using Fl_Browser::Fl_Browser;

  int handle(int event) override {
    switch (event) {
      case FL_FOCUS:
      case FL_UNFOCUS:
        if (!Fl::visible_focus()) return 0;
        redraw();
        return 1;
      case FL_PUSH:
        if (Fl::visible_focus() && Fl::focus() != this) take_focus();
        break;
      case FL_KEYBOARD:
        if (Fl::focus() == this && (Fl::event_state() & (FL_CTRL | FL_ALT | FL_META)) == 0 &&
            Scroll(Fl::event_key())) {
          return 1;
        }
        break;
      default:
        break;
    }
    return Fl_Browser::handle(event);
  }

  void draw() override {
    Fl_Browser::draw();
    if (Fl::focus() == this && Fl::visible_focus()) {
      int x = 0, y = 0, w = 0, h = 0;
      bbox(x, y, w, h);
      draw_focus(FL_NO_BOX, x, y, w, h);
    }
  }

 private:
  // Scrolls for one of the scrolling keys and returns true; false for any
  // other key.
  bool Scroll(int key) {
    int x = 0, y = 0, w = 0, h = 0;
    bbox(x, y, w, h);
    const int line = incr_height();
    const int page = std::max(line, h - line);
    const int bottom = std::max(0, full_height() - h);
    const int right = std::max(0, full_width() - w);
    int top = position(), left = hposition();
    switch (key) {
      case FL_Up:
        top -= line;
        break;
      case FL_Down:
        top += line;
        break;
      case FL_Page_Up:
        top -= page;
        break;
      case FL_Page_Down:
        top += page;
        break;
      case FL_Home:
        top = 0;
        break;
      case FL_End:
        top = bottom;
        break;
      case FL_Left:
        left -= line;
        break;
      case FL_Right:
        left += line;
        break;
      default:
        return false;
    }
    position(std::clamp(top, 0, bottom));
    hposition(std::clamp(left, 0, right));
    return true;
  }
};

class DialogWindow;

struct ControlPeer {
  emu::Window* window;
  Fl_Widget* widget;
  std::string label;  // storage for the widget's label
};

class DialogWindow : public Fl_Double_Window {
 public:
  DialogWindow(emu::Window& w, int width, int height)
      : Fl_Double_Window(width, height), window_(w) {}

  void draw() override { ::SendMessageW(emu::ToHandle(&window_), WM_PAINT, 0, 0); }
  void DrawDefault() { Fl_Double_Window::draw(); }

  int handle(int event) override {
    switch (event) {
      case FL_DND_ENTER:
      case FL_DND_DRAG:
      case FL_DND_RELEASE:
      case FL_DND_LEAVE:
        return 0;  // dropped files change nothing
      case FL_PUSH:
        if (Fl::event_button() == FL_RIGHT_MOUSE && !OverControl()) {
          PopupSystemMenu(Fl::event_x(), Fl::event_y());
          return 1;
        }
        break;
      case FL_KEYBOARD:
        // Keys the focused control left unused reach the dialog here.
        if (Fl::event_key() == FL_Enter || Fl::event_key() == FL_KP_Enter) {
          emu::PressEnter(window_, FocusedControl());
          return 1;
        }
        if (IsMenuKey()) {
          // The same popup as the right click, beside the focused control.
          const Fl_Widget* focus = Fl::focus();
          const bool inside = focus != nullptr && focus != this && focus->window() == this;
          PopupSystemMenu(inside ? focus->x() + 4 : 4, inside ? focus->y() + 4 : 4);
          return 1;
        }
        break;
      default:
        break;
    }
    return Fl_Double_Window::handle(event);
  }

  std::vector<ControlPeer> controls;

 private:
  bool OverControl() const {
    for (const ControlPeer& c : controls) {
      if (Fl::event_inside(c.widget)) return true;
    }
    return false;
  }

  emu::Window* FocusedControl() const {
    for (const ControlPeer& c : controls) {
      if (c.widget == Fl::focus()) return c.window;
    }
    return nullptr;
  }

  // The Menu key, or Shift+F10, as on Windows.
  static bool IsMenuKey() {
    const int mods = Fl::event_state() & (FL_SHIFT | FL_CTRL | FL_ALT | FL_META);
    return (Fl::event_key() == FL_Menu && mods == 0) ||
           (Fl::event_key() == FL_F + 10 && mods == FL_SHIFT);
  }

  // X11 has no system menu: its entries open as a popup on the background and
  // send the same WM_SYSCOMMAND.
  // The popup opens at (x, y) of this window.
  void PopupSystemMenu(int x, int y) {
    if (window_.systemMenu == nullptr) return;
    std::vector<std::string> labels;
    std::vector<const emu::MenuItem*> strings;
    std::vector<bool> dividerAfter;
    for (const emu::MenuItem& item : window_.systemMenu->items) {
      if ((item.flags & MF_SEPARATOR) != 0) {
        if (!dividerAfter.empty()) dividerAfter.back() = true;
        continue;
      }
      std::string label = DisplayText(item.text);
      label = label.substr(0, label.find('\t'));  // the accelerator column is the WM's
      labels.push_back(label);
      strings.push_back(&item);
      dividerAfter.push_back(false);
    }
    if (strings.empty()) return;
    std::vector<Fl_Menu_Item> menu(strings.size() + 1);
    for (std::size_t i = 0; i < strings.size(); ++i) {
      menu[i] = Fl_Menu_Item{};
      menu[i].text = labels[i].c_str();
      menu[i].user_data_ = reinterpret_cast<void*>(strings[i]->id);
      menu[i].flags = dividerAfter[i] ? FL_MENU_DIVIDER : 0;
    }
    menu.back() = Fl_Menu_Item{};
    const Fl_Menu_Item* picked = menu[0].popup(x, y);
    if (picked != nullptr) {
      ::SendMessageW(emu::ToHandle(&window_), WM_SYSCOMMAND,
                     reinterpret_cast<WPARAM>(picked->user_data()), 0);
    }
  }

  emu::Window& window_;
};

void OnControl(Fl_Widget* widget, void* data) {
  auto* w = static_cast<emu::Window*>(data);
  if (w->kind == emu::Kind::CheckBox) {
    w->check = static_cast<Fl_Button*>(widget)->value() != 0 ? BST_CHECKED : BST_UNCHECKED;
  }
  if (w->parent != nullptr) {
    ::SendMessageW(emu::ToHandle(w->parent), WM_COMMAND,
                   MAKEWPARAM(static_cast<WORD>(w->id), BN_CLICKED),
                   reinterpret_cast<LPARAM>(emu::ToHandle(w)));
  }
}

void OnDialogClose(Fl_Widget*, void* data) {
  HWND h = emu::ToHandle(static_cast<emu::Window*>(data));
  if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) {
    ::SendMessageW(h, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  } else {
    ::SendMessageW(h, WM_SYSCOMMAND, SC_CLOSE, 0);
  }
}

class FltkBackend final : public emu::Backend {
 public:
  bool CreatePeer(emu::Window& dialog) override {
    if (!Ready()) return false;
    const DialogTemplate& t = *dialog.dialog;
    auto* win = new DialogWindow(dialog, Px(t.cx, metrics_), Py(t.cy, metrics_));
    win->copy_label(DisplayText(dialog.text).c_str());
    win->xclass("quorvel");
    win->size_range(win->w(), win->h(), win->w(), win->h());  // fixed size
    win->callback(&OnDialogClose, &dialog);
    if (dialog.parent != nullptr && dialog.parent->peer != nullptr) {
      auto* owner = static_cast<DialogWindow*>(dialog.parent->peer);
      win->position(owner->x() + (owner->w() - win->w()) / 2,
                    owner->y() + (owner->h() - win->h()) / 2);
    }
    win->begin();
    win->controls.reserve(dialog.children.size());
    for (auto& child : dialog.children) {
      if (Fl_Widget* widget = CreateControl(*child)) {
        win->controls.push_back({child.get(), widget, {}});
      }
    }
    win->end();
    for (ControlPeer& c : win->controls) c.window->peer = &c;
    dialog.peer = win;
    for (ControlPeer& c : win->controls) Changed(*c.window);
    return true;
  }

  void DestroyPeer(emu::Window& dialog) override {
    auto* win = static_cast<DialogWindow*>(dialog.peer);
    if (win == nullptr) return;
    win->hide();
    for (ControlPeer& c : win->controls) c.window->peer = nullptr;
    dialog.peer = nullptr;
    delete win;
  }

  void RunModal(emu::Window& dialog) override {
    auto* win = static_cast<DialogWindow*>(dialog.peer);
    win->set_modal();
    win->show();
    while (!dialog.ended) {
      if (!win->shown()) {
        ::EndDialog(emu::ToHandle(&dialog), IDCANCEL);
        break;
      }
      Fl::wait();
    }
    win->hide();
  }

  void Changed(emu::Window& w) override {
    if (w.peer == nullptr) return;
    if (w.kind == emu::Kind::Dialog) {
      auto* win = static_cast<DialogWindow*>(w.peer);
      std::vector<const Fl_RGB_Image*> icons;
      for (HICON icon : {w.bigIcon, w.smallIcon}) {
        for (Fl_RGB_Image* image : Images(icon)) icons.push_back(image);
      }
      if (!icons.empty()) win->icons(icons.data(), static_cast<int>(icons.size()));
      return;
    }
    auto* peer = static_cast<ControlPeer*>(w.peer);
    Fl_Widget* widget = peer->widget;
    if (w.enabled) {
      widget->activate();
    } else {
      widget->deactivate();
    }
    switch (w.kind) {
      case emu::Kind::CheckBox:
        static_cast<Fl_Button*>(widget)->value(w.check == BST_CHECKED ? 1 : 0);
        break;
      case emu::Kind::ListBox: {
        auto* list = static_cast<Fl_Browser*>(widget);
        list->clear();
        for (const std::wstring& line : w.lines) list->add(DisplayText(line).c_str());
        break;
      }
      default:
        break;
    }
    widget->redraw();
  }

  bool ChooseFiles(const OPENFILENAMEW& ofn, std::vector<std::wstring>& paths) override {
    if (!Ready()) return false;
    Fl_Native_File_Chooser chooser((ofn.Flags & OFN_ALLOWMULTISELECT) != 0
                                       ? Fl_Native_File_Chooser::BROWSE_MULTI_FILE
                                       : Fl_Native_File_Chooser::BROWSE_FILE);
    std::string filter;
    for (const wchar_t* p = ofn.lpstrFilter; p != nullptr && *p != L'\0';) {
      const std::wstring name(p);
      p += name.size() + 1;
      if (*p == L'\0') break;
      std::wstring pattern(p);
      p += pattern.size() + 1;
      // "a;b" on Windows is "{a,b}" for FLTK.
      if (pattern.find(L';') != std::wstring::npos) {
        std::replace(pattern.begin(), pattern.end(), L';', L',');
        pattern = L"{" + pattern + L"}";
      }
      // FLTK shows every filter as "name (pattern)" and reads the pattern
      // back out of the parentheses, so a name that already ends in its own
      // "(...)" would hide the pattern: that part is left to FLTK.
      std::wstring shown = name;
      if (!shown.empty() && shown.back() == L')') {
        const std::size_t open = shown.rfind(L'(');
        if (open != std::wstring::npos) shown.erase(open);
      }
      if (!filter.empty()) filter += '\n';
      filter += DisplayText(shown) + '\t' + DisplayText(pattern);
    }
    if (!filter.empty()) chooser.filter(filter.c_str());
    std::string title;
    if (ofn.lpstrTitle != nullptr) {
      title = DisplayText(ofn.lpstrTitle);
      chooser.title(title.c_str());
    }
    if (chooser.show() != 0) return false;  // 1: cancelled, -1: failed
    for (int i = 0; i < chooser.count(); ++i) {
      std::string name = chooser.filename(i);
      if (name.empty()) continue;
      AddDefaultExtension(name, ofn.lpstrDefExt);
      const int n = ::MultiByteToWideChar(CP_THREAD_ACP, 0, name.c_str(), -1, nullptr, 0);
      std::wstring wide(static_cast<std::size_t>(n), L'\0');
      ::MultiByteToWideChar(CP_THREAD_ACP, 0, name.c_str(), -1, wide.data(), n);
      wide.resize(static_cast<std::size_t>(n - 1));
      paths.push_back(std::move(wide));
    }
    return !paths.empty();
  }

  bool IsIconic(const emu::Window& w) override {
    auto* win = static_cast<DialogWindow*>(w.peer);
    return w.kind == emu::Kind::Dialog && win != nullptr && win->shown() && !win->visible();
  }

  RECT ClientRect(const emu::Window& w) override {
    if (w.kind == emu::Kind::Dialog && w.peer != nullptr) {
      auto* win = static_cast<DialogWindow*>(w.peer);
      return RECT{0, 0, win->w(), win->h()};
    }
    if (w.kind != emu::Kind::Dialog && w.peer != nullptr) {
      Fl_Widget* widget = static_cast<ControlPeer*>(w.peer)->widget;
      return RECT{0, 0, widget->w(), widget->h()};
    }
    return RECT{0, 0, 0, 0};
  }

  int SystemMetric(int index) override {
    Ready();
    return index == SM_CXICON || index == SM_CYICON ? metrics_.iconSize : 0;
  }

  void PaintDefault(emu::Window& w) override {
    if (w.kind == emu::Kind::Dialog && w.peer != nullptr) {
      static_cast<DialogWindow*>(w.peer)->DrawDefault();
    }
  }

  void EraseIconBackground(emu::Window& w) override {
    if (w.peer == nullptr) return;
    auto* win = static_cast<DialogWindow*>(w.peer);
    fl_color(win->color());
    fl_rectf(0, 0, win->w(), win->h());
  }

  void DrawIcon(emu::Window&, int x, int y, HICON icon) override {
    if (Fl_Image* image = IconImage(icon, metrics_.iconSize)) image->draw(x, y);
  }

 private:
  bool Ready() {
    if (!ready_) {
      OpenDisplayOrExit();
      // A flat light face, as Windows dialogs and the light themes of current
      // desktops have, under FLTK's most native-looking scheme.
      Fl::scheme("gtk+");
      Fl::background(0xF0, 0xF0, 0xF0);
      metrics_ = ComputeMetrics();
      ready_ = true;
    }
    return true;
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

  Fl_Widget* CreateControl(emu::Window& c) {
    const DialogItem& item = *c.item;
    const int x = Px(item.x, metrics_), y = Py(item.y, metrics_);
    const int w = Px(item.cx, metrics_), h = Py(item.cy, metrics_);
    Fl_Widget* widget = nullptr;
    switch (c.kind) {
      case emu::Kind::PushButton:
        widget = new Fl_Button(x, y, w, h);
        break;
      case emu::Kind::CheckBox:
        widget = new Fl_Check_Button(x, y, w, h);
        break;
      case emu::Kind::ListBox: {
        auto* list = new StatusList(x, y, w, h);
        list->type(FL_NORMAL_BROWSER);  // lines cannot be selected
        list->format_char(0);           // lines are shown as they are, '@' included
        list->column_char(0);
        list->has_scrollbar((c.style & LBS_DISABLENOSCROLL) != 0 ? Fl_Browser_::BOTH_ALWAYS
                                                                 : Fl_Browser_::BOTH);
        list->textsize(metrics_.fontSize);
        list->textfont(FL_HELVETICA);
        list->box((c.style & WS_BORDER) != 0 ? FL_DOWN_BOX : FL_FLAT_BOX);
        list->color(FL_BACKGROUND2_COLOR);
        widget = list;
        break;
      }
      case emu::Kind::StaticText: {
        auto* box = new Fl_Box(x, y, w, h);
        box->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
        widget = box;
        break;
      }
      case emu::Kind::StaticIcon: {
        auto* box = new Fl_Box(x, y, w, h);
        if (Fl_Image* image = IconImage(c.icon, metrics_.iconSize)) box->image(image);
        widget = box;
        break;
      }
      default:
        return nullptr;
    }
    if (c.kind != emu::Kind::StaticIcon && c.kind != emu::Kind::ListBox) {
      widget->copy_label(LabelText(c).c_str());
      widget->labelsize(metrics_.fontSize);
      widget->labelfont(FL_HELVETICA);
    }
    if (c.kind == emu::Kind::PushButton || c.kind == emu::Kind::CheckBox) {
      widget->callback(&OnControl, &c);
      widget->when(FL_WHEN_RELEASE);
    }
    if ((c.style & WS_TABSTOP) == 0) widget->clear_visible_focus();
    return widget;
  }

  // The images of an icon resource, decoded once.
  std::vector<Fl_RGB_Image*> Images(HICON icon) {
    std::vector<Fl_RGB_Image*> out;
    if (icon == nullptr) return out;
    auto it = decoded_.find(icon);
    if (it == decoded_.end()) {
      std::vector<std::unique_ptr<Fl_RGB_Image>> images;
      const auto* res = reinterpret_cast<const IconResource*>(icon);
      for (const ::IconImage& img : res->images) {
        auto png = std::make_unique<Fl_PNG_Image>(nullptr, img.png.data(),
                                                  static_cast<int>(img.png.size()));
        if (png->w() > 0 && png->h() > 0) images.push_back(std::move(png));
      }
      it = decoded_.emplace(icon, std::move(images)).first;
    }
    for (auto& image : it->second) out.push_back(image.get());
    return out;
  }

  // The icon at `size` pixels, scaled from its nearest larger image.
  Fl_Image* IconImage(HICON icon, int size) {
    const auto key = std::make_pair(icon, size);
    auto it = scaled_.find(key);
    if (it != scaled_.end()) return it->second.get();
    Fl_RGB_Image* best = nullptr;
    for (Fl_RGB_Image* image : Images(icon)) {
      if (best == nullptr || (image->w() >= size && (best->w() < size || image->w() < best->w()))) {
        best = image;
      }
    }
    if (best == nullptr) return nullptr;
    Fl_Image* scaled = best->w() == size ? best->copy() : best->copy(size, size);
    return scaled_.emplace(key, std::unique_ptr<Fl_Image>(scaled)).first->second.get();
  }

  bool ready_ = false;
  Metrics metrics_;
  std::map<HICON, std::vector<std::unique_ptr<Fl_RGB_Image>>> decoded_;
  std::map<std::pair<HICON, int>, std::unique_ptr<Fl_Image>> scaled_;
};

}  // namespace
}  // namespace qv::fltk

qv::emu::Backend& qv::emu::ActiveBackend() {
  static qv::fltk::FltkBackend backend;
  return backend;
}
