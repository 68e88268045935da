// The calls of win_types.h over the in-memory window system. Handles are
// checked against the live windows, so a stale handle fails as on Windows.
#include <algorithm>
#include <cwchar>
#include <optional>
#include <unordered_set>

#include "platform/emulated/backend.h"
#include "platform/emulated/window.h"
#include "platform/path_syntax.h"
#include "platform/selection_buffer.h"

namespace qv::emu {
namespace {

std::unordered_set<Window*>& LiveWindows() {
  static std::unordered_set<Window*> live;
  return live;
}

struct PaintContext {
  Window* window;
};

std::unordered_set<PaintContext*>& LivePaints() {
  static std::unordered_set<PaintContext*> live;
  return live;
}

char g_module = 0;  // the program's instance handle points here

Window* OwnerOfMenu(HMENU menu) {
  for (Window* w : LiveWindows()) {
    if (w->systemMenu != nullptr && reinterpret_cast<HMENU>(w->systemMenu.get()) == menu) return w;
  }
  return nullptr;
}

std::unique_ptr<Menu> DefaultSystemMenu() {
  auto menu = std::make_unique<Menu>();
  menu->items.push_back({MF_STRING, SC_CLOSE, L"&Close\tAlt+F4"});
  return menu;
}

Kind KindOf(const DialogItem& item) {
  const std::wstring cls = item.className;
  if (cls == kButtonClass) {
    const DWORD type = item.style & BS_TYPEMASK;
    if (type == BS_AUTOCHECKBOX) return Kind::CheckBox;
    if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) return Kind::PushButton;
    return Kind::Other;
  }
  if (cls == kListBoxClass) return Kind::ListBox;
  if (cls == kStaticClass) {
    return (item.style & SS_TYPEMASK) == SS_ICON ? Kind::StaticIcon : Kind::StaticText;
  }
  return Kind::Other;
}

std::unique_ptr<Window> BuildDialog(const DialogTemplate& tmpl, Window* parent, WNDPROC proc) {
  auto dlg = std::make_unique<Window>();
  dlg->kind = Kind::Dialog;
  dlg->parent = parent;
  dlg->dialog = &tmpl;
  dlg->id = static_cast<int>(tmpl.id);
  dlg->text = tmpl.caption != nullptr ? tmpl.caption : L"";
  dlg->style = tmpl.style;
  dlg->exStyle = tmpl.exStyle;
  dlg->proc = proc;
  if ((tmpl.style & WS_SYSMENU) != 0) dlg->systemMenu = DefaultSystemMenu();
  for (const DialogItem& item : tmpl.items) {
    auto ctl = std::make_unique<Window>();
    ctl->kind = KindOf(item);
    ctl->parent = dlg.get();
    ctl->item = &item;
    ctl->id = item.id;
    ctl->style = item.style | WS_CHILD | WS_VISIBLE;
    ctl->exStyle = item.exStyle;
    if (item.textResource != 0 && ctl->kind == Kind::StaticIcon) {
      ctl->icon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(item.textResource));
    } else if (item.text != nullptr) {
      ctl->text = item.text;
    }
    dlg->children.push_back(std::move(ctl));
  }
  return dlg;
}

void Register(Window& w, bool live) {
  if (live) {
    LiveWindows().insert(&w);
  } else {
    LiveWindows().erase(&w);
  }
  for (auto& c : w.children) Register(*c, live);
}

LRESULT ControlProc(Window& w, HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case BM_GETCHECK:
    case BM_GETSTATE:
      return w.kind == Kind::CheckBox ? static_cast<LRESULT>(w.check) : 0;
    case BM_SETCHECK:
      if (w.kind == Kind::CheckBox) {
        w.check = wParam == BST_CHECKED ? BST_CHECKED : BST_UNCHECKED;
        ActiveBackend().Changed(w);
      }
      return 0;
    case BM_CLICK:
      if (!w.enabled || (w.kind != Kind::PushButton && w.kind != Kind::CheckBox)) return 0;
      if (w.kind == Kind::CheckBox) {
        w.check = w.check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
        ActiveBackend().Changed(w);
      }
      if (w.parent != nullptr) {
        ::SendMessageW(ToHandle(w.parent), WM_COMMAND,
                       MAKEWPARAM(static_cast<WORD>(w.id), BN_CLICKED),
                       reinterpret_cast<LPARAM>(h));
      }
      return 0;
    case LB_RESETCONTENT:
      if (w.kind != Kind::ListBox) return 0;
      w.lines.clear();
      w.selected = -1;
      ActiveBackend().Changed(w);
      return 0;
    case LB_SETCURSEL:
      // Single selection; -1 (as WPARAM) clears it, and so does a line that
      // does not exist, which also answers LB_ERR.
      if (w.kind != Kind::ListBox || (w.style & LBS_NOSEL) != 0) return LB_ERR;
      w.selected = wParam < w.lines.size() ? static_cast<int>(wParam) : -1;
      ActiveBackend().Changed(w);
      return w.selected >= 0 ? w.selected : LB_ERR;
    case LB_GETCURSEL:
      return w.kind == Kind::ListBox && w.selected >= 0 ? w.selected : LB_ERR;
    case LB_ADDSTRING: {
      if (w.kind != Kind::ListBox || lParam == 0) return LB_ERR;
      std::wstring line(reinterpret_cast<LPCWSTR>(lParam));
      auto at = w.lines.end();
      if ((w.style & LBS_SORT) != 0) at = std::upper_bound(w.lines.begin(), w.lines.end(), line);
      const auto index = at - w.lines.begin();
      w.lines.insert(at, std::move(line));
      ActiveBackend().Changed(w);
      return index;
    }
    case LB_SETTOPINDEX:
      if (w.kind != Kind::ListBox || wParam >= w.lines.size()) return LB_ERR;
      ActiveBackend().ShowLine(w, static_cast<int>(wParam));
      return 0;
    case LB_GETCOUNT:
      return w.kind == Kind::ListBox ? static_cast<LRESULT>(w.lines.size()) : LB_ERR;
    case LB_GETTEXTLEN:
    case LB_GETTEXT: {
      if (w.kind != Kind::ListBox || wParam >= w.lines.size()) return LB_ERR;
      const std::wstring& line = w.lines[wParam];
      if (msg == LB_GETTEXT) {
        if (lParam == 0) return LB_ERR;
        std::wmemcpy(reinterpret_cast<LPWSTR>(lParam), line.c_str(), line.size() + 1);
      }
      return static_cast<LRESULT>(line.size());
    }
    default:
      return ::DefWindowProcW(h, msg, wParam, lParam);
  }
}

}  // namespace

HWND ToHandle(Window* w) {
  return reinterpret_cast<HWND>(w);
}

Window* FromHandle(HWND h) {
  Window* w = reinterpret_cast<Window*>(h);
  return LiveWindows().count(w) != 0 ? w : nullptr;
}

int DialogUnitsToPixelsX(int du, int baseX) {
  // MulDiv(du, baseX, 4): rounded to nearest, halves away from zero.
  const long long num = static_cast<long long>(du) * baseX;
  return static_cast<int>(num >= 0 ? (num + 2) / 4 : (num - 2) / 4);
}

int DialogUnitsToPixelsY(int du, int baseY) {
  const long long num = static_cast<long long>(du) * baseY;
  return static_cast<int>(num >= 0 ? (num + 4) / 8 : (num - 4) / 8);
}

bool FillSelection(OPENFILENAMEW& ofn, const std::vector<std::wstring>& paths) {
  if (ofn.lpstrFile == nullptr || ofn.nMaxFile == 0) return false;
  ofn.lpstrFile[0] = L'\0';
  const std::optional<std::wstring> packed =
      PackSelection(paths, (ofn.Flags & OFN_ALLOWMULTISELECT) != 0);
  if (!packed || packed->size() > ofn.nMaxFile) return false;
  std::wmemcpy(ofn.lpstrFile, packed->data(), packed->size());
  return true;
}

}  // namespace qv::emu

using qv::emu::ActiveBackend;
using qv::emu::FromHandle;
using qv::emu::Kind;
using qv::emu::ToHandle;
using qv::emu::Window;

LRESULT SendMessageW(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Window* w = FromHandle(hWnd);
  if (w == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (w->kind == Kind::Dialog && w->proc != nullptr) return w->proc(hWnd, msg, wParam, lParam);
  return qv::emu::ControlProc(*w, hWnd, msg, wParam, lParam);
}

LRESULT DefWindowProcW(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Window* w = FromHandle(hWnd);
  if (w == nullptr) return 0;
  switch (msg) {
    case WM_SETICON: {
      HICON& slot = wParam == ICON_BIG ? w->bigIcon : w->smallIcon;
      HICON old = slot;
      slot = reinterpret_cast<HICON>(lParam);
      ActiveBackend().Changed(*w);
      return reinterpret_cast<LRESULT>(old);
    }
    case WM_SETTEXT:
      w->text = lParam != 0 ? reinterpret_cast<LPCWSTR>(lParam) : L"";
      ActiveBackend().Changed(*w);
      return TRUE;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(hWnd, &ps);
      ActiveBackend().PaintDefault(*w);
      EndPaint(hWnd, &ps);
      return 0;
    }
    case WM_ICONERASEBKGND:
      ActiveBackend().EraseIconBackground(*w);
      return 1;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE) SendMessageW(hWnd, WM_CLOSE, 0, 0);
      return 0;
    default:
      return 0;
  }
}

LRESULT DefDlgProcW(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NEXTDLGCTL && lParam != 0) {
    Window* control = FromHandle(reinterpret_cast<HWND>(wParam));
    if (control != nullptr && control->parent == FromHandle(hDlg)) {
      ActiveBackend().Focus(*control);
    }
    return 0;
  }
  if (msg == WM_CLOSE) {
    return SendMessageW(hDlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                        reinterpret_cast<LPARAM>(GetDlgItem(hDlg, IDCANCEL)));
  }
  return DefWindowProcW(hDlg, msg, wParam, lParam);
}

BOOL SetWindowTextW(HWND hWnd, LPCWSTR text) {
  if (FromHandle(hWnd) == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  return SendMessageW(hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) != 0 ? TRUE : FALSE;
}

void PumpWaitingMessagesW(HWND dialog, DWORD waitMilliseconds) {
  if (Window* w = FromHandle(dialog)) {
    ActiveBackend().PumpMessages(*w, static_cast<int>(waitMilliseconds));
  }
}

BOOL EnableWindow(HWND hWnd, BOOL bEnable) {
  Window* w = FromHandle(hWnd);
  if (w == nullptr) return FALSE;
  const bool wasDisabled = !w->enabled;
  w->enabled = bEnable != FALSE;
  if (wasDisabled == w->enabled) ActiveBackend().Changed(*w);
  return wasDisabled ? TRUE : FALSE;
}

// The in-memory windows show every change as it is made: there is nothing
// to repaint later.
BOOL InvalidateRect(HWND hWnd, const RECT*, BOOL) {
  return FromHandle(hWnd) != nullptr ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND hWnd) {
  Window* w = FromHandle(hWnd);
  return w != nullptr && w->enabled ? TRUE : FALSE;
}

HWND GetDlgItem(HWND hDlg, int id) {
  Window* w = FromHandle(hDlg);
  if (w == nullptr) return nullptr;
  for (auto& c : w->children) {
    if (c->id == id) return ToHandle(c.get());
  }
  return nullptr;
}

HWND GetParent(HWND hWnd) {
  Window* w = FromHandle(hWnd);
  return w != nullptr ? ToHandle(w->parent) : nullptr;
}

BOOL EndDialog(HWND hDlg, INT_PTR result) {
  Window* w = FromHandle(hDlg);
  if (w == nullptr || w->kind != Kind::Dialog) return FALSE;
  w->ended = true;
  w->result = result;
  return TRUE;
}

HMENU GetSystemMenu(HWND hWnd, BOOL bRevert) {
  Window* w = FromHandle(hWnd);
  if (w == nullptr || w->systemMenu == nullptr) return nullptr;
  if (bRevert) {
    w->systemMenu = qv::emu::DefaultSystemMenu();
    ActiveBackend().Changed(*w);
    return nullptr;
  }
  return reinterpret_cast<HMENU>(w->systemMenu.get());
}

BOOL AppendMenuW(HMENU hMenu, UINT flags, UINT_PTR idNewItem, LPCWSTR newItem) {
  Window* owner = qv::emu::OwnerOfMenu(hMenu);
  if (owner == nullptr) return FALSE;
  if ((flags & MF_SEPARATOR) != 0) {
    owner->systemMenu->items.push_back({MF_SEPARATOR, 0, L""});
  } else {
    if (newItem == nullptr) return FALSE;
    owner->systemMenu->items.push_back({flags, idNewItem, newItem});
  }
  ActiveBackend().Changed(*owner);
  return TRUE;
}

HINSTANCE GetModuleHandleW(LPCWSTR moduleName) {
  return moduleName == nullptr ? reinterpret_cast<HINSTANCE>(&qv::emu::g_module) : nullptr;
}

HICON LoadIconW(HINSTANCE, LPCWSTR iconName) {
  if (!IS_INTRESOURCE(iconName)) return nullptr;
  const IconResource* icon =
      FindIconResource(static_cast<UINT>(reinterpret_cast<ULONG_PTR>(iconName)));
  return icon != nullptr ? reinterpret_cast<HICON>(const_cast<IconResource*>(icon)) : nullptr;
}

BOOL IsIconic(HWND hWnd) {
  Window* w = FromHandle(hWnd);
  return w != nullptr && ActiveBackend().IsIconic(*w) ? TRUE : FALSE;
}

int GetSystemMetrics(int index) {
  return ActiveBackend().SystemMetric(index);
}

BOOL GetClientRect(HWND hWnd, RECT* rect) {
  Window* w = FromHandle(hWnd);
  if (w == nullptr || rect == nullptr) return FALSE;
  *rect = ActiveBackend().ClientRect(*w);
  return TRUE;
}

HDC BeginPaint(HWND hWnd, PAINTSTRUCT* ps) {
  Window* w = FromHandle(hWnd);
  if (w == nullptr || ps == nullptr) return nullptr;
  auto* pc = new qv::emu::PaintContext{w};
  qv::emu::LivePaints().insert(pc);
  ps->hdc = reinterpret_cast<HDC>(pc);
  ps->fErase = TRUE;
  ps->rcPaint = ActiveBackend().ClientRect(*w);
  return ps->hdc;
}

BOOL EndPaint(HWND, const PAINTSTRUCT* ps) {
  if (ps == nullptr) return FALSE;
  auto* pc = reinterpret_cast<qv::emu::PaintContext*>(ps->hdc);
  if (qv::emu::LivePaints().erase(pc) == 0) return FALSE;
  delete pc;
  return TRUE;
}

BOOL DrawIcon(HDC hDC, int x, int y, HICON hIcon) {
  auto* pc = reinterpret_cast<qv::emu::PaintContext*>(hDC);
  if (hIcon == nullptr || qv::emu::LivePaints().count(pc) == 0) return FALSE;
  if (FromHandle(ToHandle(pc->window)) == nullptr) return FALSE;
  ActiveBackend().DrawIcon(*pc->window, x, y, hIcon);
  return TRUE;
}

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* icc) {
  // The controls are always available; only the call's contract is checked.
  return icc != nullptr && icc->dwSize == sizeof(INITCOMMONCONTROLSEX) ? TRUE : FALSE;
}

BOOL GetOpenFileNameW(OPENFILENAMEW* ofn) {
  if (ofn == nullptr || ofn->lStructSize != sizeof(OPENFILENAMEW) || ofn->lpstrFile == nullptr ||
      ofn->nMaxFile == 0) {
    return FALSE;
  }
  std::vector<std::wstring> paths;
  if (!ActiveBackend().ChooseFiles(*ofn, paths)) return FALSE;
  // A selection that does not fit is refused whole rather than cut short.
  return qv::emu::FillSelection(*ofn, paths) ? TRUE : FALSE;
}

BOOL ChooseOpenFilesW(OPENFILENAMEW* ofn, SelectionSink overflow, void* context) {
  if (ofn == nullptr || ofn->lStructSize != sizeof(OPENFILENAMEW) || ofn->lpstrFile == nullptr ||
      ofn->nMaxFile == 0 || overflow == nullptr) {
    return FALSE;
  }
  std::vector<std::wstring> paths;
  if (!ActiveBackend().ChooseFiles(*ofn, paths) || paths.empty()) return FALSE;
  if (!qv::emu::FillSelection(*ofn, paths)) {
    for (const std::wstring& path : paths) overflow(context, path.c_str());
  }
  return TRUE;
}

INT_PTR DialogBoxTemplateW(HINSTANCE, const DialogTemplate& tmpl, HWND parent, WNDPROC proc,
                           LPARAM initParam) {
  if (proc == nullptr) return -1;
  std::unique_ptr<Window> dlg = qv::emu::BuildDialog(tmpl, FromHandle(parent), proc);
  qv::emu::Register(*dlg, true);
  qv::emu::Backend& backend = ActiveBackend();
  if (!backend.CreatePeer(*dlg)) {
    qv::emu::Register(*dlg, false);
    return -1;
  }
  HWND h = ToHandle(dlg.get());
  proc(h, WM_INITDIALOG, 0, initParam);
  if (!dlg->ended) backend.RunModal(*dlg);
  proc(h, WM_NCDESTROY, 0, 0);
  backend.DestroyPeer(*dlg);
  qv::emu::Register(*dlg, false);
  return dlg->result;
}
