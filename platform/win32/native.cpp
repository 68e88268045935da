// The real calls behind native.h. The only file of the backend that includes
// <windows.h>.
#include "platform/win32/native.h"

#include <windows.h>
// After <windows.h>, which they need.
#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shobjidl.h>

#include <cwchar>
#include <map>
#include <string>
#include <vector>

#include "platform/selection_buffer.h"

namespace qv::win32::native {
namespace {

static_assert(sizeof(std::intptr_t) == sizeof(LPARAM) && sizeof(std::uintptr_t) == sizeof(WPARAM));
static_assert(offsetof(MSG, hwnd) == MessageLayout::kHwnd &&
              offsetof(MSG, message) == MessageLayout::kMessage &&
              offsetof(MSG, wParam) == MessageLayout::kWParam &&
              offsetof(MSG, lParam) == MessageLayout::kLParam);

constexpr UINT kForwardMessage = 0x037F;  // WM_FORWARDMSG

// Paint records between BeginPaint and EndPaint, one per window.
std::map<HWND, PAINTSTRUCT>& Paints() {
  static std::map<HWND, PAINTSTRUCT> paints;
  return paints;
}

// The dialog being created and the procedure it is to be run with.
struct DialogContext {
  Proc proc;
  std::intptr_t initParam;
};

constexpr const wchar_t* kContextProperty = L"Quorvel.DialogContext";
constexpr const wchar_t* kSuperProperty = L"Quorvel.SuperProc";

// At WM_INITDIALOG the dialog is subclassed with SubclassProc, so that
// messages reach the class library as window messages with real results
// rather than as dialog-procedure answers; the library sends what it leaves
// unhandled to DefDlgProc, which comes back here and gets the default.
LRESULT CALLBACK SubclassProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* context = static_cast<DialogContext*>(GetPropW(hWnd, kContextProperty));
  auto super = reinterpret_cast<WNDPROC>(GetPropW(hWnd, kSuperProperty));
  if (context == nullptr) return CallWindowProcW(super, hWnd, msg, wParam, lParam);
  const LRESULT result = context->proc(hWnd, msg, wParam, lParam);
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(super));
    RemovePropW(hWnd, kContextProperty);
    RemovePropW(hWnd, kSuperProperty);
  }
  return result;
}

INT_PTR CALLBACK StubDialogProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg != WM_INITDIALOG || GetPropW(hDlg, kContextProperty) != nullptr) return FALSE;
  auto* context = reinterpret_cast<DialogContext*>(lParam);
  const LONG_PTR super = GetWindowLongPtrW(hDlg, GWLP_WNDPROC);
  SetPropW(hDlg, kSuperProperty, reinterpret_cast<HANDLE>(super));
  SetPropW(hDlg, kContextProperty, context);
  SetWindowLongPtrW(hDlg, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SubclassProc));
  // The answer to WM_INITDIALOG is TRUE to let the system set the focus.
  return context->proc(hDlg, WM_INITDIALOG, wParam, context->initParam) != 0;
}

// The message filter of the running dialog boxes: one hook for the thread
// while any box runs, so that nested boxes do not offer a message twice.
HHOOK g_filter = nullptr;
int g_filterUsers = 0;

bool IsInputMessage(UINT message) {
  return (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
         (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST);
}

LRESULT CALLBACK DialogFilter(int code, WPARAM wParam, LPARAM lParam) {
  if (code == MSGF_DIALOGBOX) {
    auto* msg = reinterpret_cast<MSG*>(lParam);
    HWND box = msg->hwnd != nullptr ? GetAncestor(msg->hwnd, GA_ROOT) : nullptr;
    if (box != nullptr && IsInputMessage(msg->message) &&
        GetPropW(box, kContextProperty) != nullptr &&
        SendMessageW(box, kForwardMessage, 0, lParam) != 0) {
      return TRUE;
    }
  }
  return CallNextHookEx(g_filter, code, wParam, lParam);
}

struct FilterScope {
  FilterScope() {
    if (g_filterUsers++ == 0) {
      g_filter = SetWindowsHookExW(WH_MSGFILTER, &DialogFilter, nullptr, GetCurrentThreadId());
    }
  }
  ~FilterScope() {
    if (--g_filterUsers == 0 && g_filter != nullptr) {
      UnhookWindowsHookEx(g_filter);
      g_filter = nullptr;
    }
  }
  FilterScope(const FilterScope&) = delete;
  FilterScope& operator=(const FilterScope&) = delete;
};

}  // namespace

std::intptr_t NativeSendMessage(HWND__* hWnd, unsigned msg, std::uintptr_t wParam,
                                std::intptr_t lParam) {
  return SendMessageW(hWnd, msg, wParam, lParam);
}
std::intptr_t NativeDefWindowProc(HWND__* hWnd, unsigned msg, std::uintptr_t wParam,
                                  std::intptr_t lParam) {
  return DefWindowProcW(hWnd, msg, wParam, lParam);
}
std::intptr_t NativeDefDlgProc(HWND__* hDlg, unsigned msg, std::uintptr_t wParam,
                               std::intptr_t lParam) {
  return DefDlgProcW(hDlg, msg, wParam, lParam);
}
int NativeSetWindowText(HWND__* hWnd, const wchar_t* text) {
  return ::SetWindowTextW(hWnd, text);
}
void NativePumpWaitingMessages(HWND__* dialog, std::uint32_t waitMilliseconds) {
  if (waitMilliseconds > 0) {
    MsgWaitForMultipleObjectsEx(0, nullptr, waitMilliseconds, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
  MSG msg;
  // What is waiting now: a steady stream of messages cannot keep the caller.
  for (int i = 0; i < 1000 && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    if (CallMsgFilterW(&msg, MSGF_DIALOGBOX)) continue;
    if (dialog != nullptr && IsDialogMessageW(dialog, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}
int NativeEnableWindow(HWND__* hWnd, int enable) {
  return ::EnableWindow(hWnd, enable);
}
int NativeIsWindowEnabled(HWND__* hWnd) {
  return ::IsWindowEnabled(hWnd);
}
HWND__* NativeGetDlgItem(HWND__* hDlg, int id) {
  return ::GetDlgItem(hDlg, id);
}
HWND__* NativeGetParent(HWND__* hWnd) {
  return ::GetParent(hWnd);
}
int NativeEndDialog(HWND__* hDlg, std::intptr_t result) {
  return ::EndDialog(hDlg, result);
}
HMENU__* NativeGetSystemMenu(HWND__* hWnd, int revert) {
  return ::GetSystemMenu(hWnd, revert);
}
int NativeAppendMenu(HMENU__* menu, unsigned flags, std::uintptr_t id, const wchar_t* text) {
  return AppendMenuW(menu, flags, id, text);
}
HINSTANCE__* NativeGetModuleHandle(const wchar_t* name) {
  return GetModuleHandleW(name);
}
HICON__* NativeLoadIcon(HINSTANCE__* instance, const wchar_t* name) {
  return LoadIconW(instance, name);
}
int NativeIsIconic(HWND__* hWnd) {
  return ::IsIconic(hWnd);
}
int NativeGetSystemMetrics(int index) {
  return ::GetSystemMetrics(index);
}

int NativeInvalidateRect(HWND__* hWnd, const Rect* rect, int erase) {
  if (rect == nullptr) return ::InvalidateRect(hWnd, nullptr, erase);
  const RECT r{rect->left, rect->top, rect->right, rect->bottom};
  return ::InvalidateRect(hWnd, &r, erase);
}

int NativeGetClientRect(HWND__* hWnd, Rect& rect) {
  RECT r{};
  const BOOL ok = ::GetClientRect(hWnd, &r);
  rect = {r.left, r.top, r.right, r.bottom};
  return ok;
}

HDC__* NativeBeginPaint(HWND__* hWnd, int& erase, Rect& paint) {
  PAINTSTRUCT ps{};
  HDC dc = ::BeginPaint(hWnd, &ps);
  if (dc != nullptr) Paints()[hWnd] = ps;
  erase = ps.fErase;
  paint = {ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right, ps.rcPaint.bottom};
  return dc;
}

int NativeEndPaint(HWND__* hWnd) {
  auto it = Paints().find(hWnd);
  if (it == Paints().end()) return FALSE;
  const BOOL ok = ::EndPaint(hWnd, &it->second);
  Paints().erase(it);
  return ok;
}

int NativeDrawIcon(HDC__* dc, int x, int y, HICON__* icon) {
  return ::DrawIcon(dc, x, y, icon);
}

int NativeInitCommonControls(std::uint32_t classes) {
  INITCOMMONCONTROLSEX icc{};
  icc.dwSize = sizeof(icc);
  icc.dwICC = classes;
  return InitCommonControlsEx(&icc);
}

int NativeGetOpenFileName(const OpenFileRequest& request) {
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = request.owner;
  ofn.lpstrFilter = request.filter;
  ofn.lpstrFile = request.file;
  ofn.nMaxFile = request.maxFile;
  ofn.lpstrTitle = request.title;
  ofn.Flags = request.flags;
  ofn.lpstrDefExt = request.defExt;
  if (!GetOpenFileNameW(&ofn)) return FALSE;
  // nFileOffset inside the first string means it is a whole path: one file.
  const std::size_t first = std::wcslen(request.file);
  if (ofn.nFileOffset > 0 && ofn.nFileOffset < first && first + 1 < request.maxFile) {
    request.file[first + 1] = L'\0';
  }
  return TRUE;
}

namespace {

// Releases a COM interface when it goes out of scope.
template <class T>
struct ComRef {
  T* p = nullptr;
  ~ComRef() {
    if (p != nullptr) p->Release();
  }
  T** operator&() { return &p; }
  T* operator->() const { return p; }
};

// COM for the calling thread while it lives, unless the thread has it already
// in another mode (then the thread's own stays).
struct ComScope {
  HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  ~ComScope() {
    if (SUCCEEDED(hr)) CoUninitialize();
  }
};

enum class Chosen { Ok, Cancelled, Unavailable };

// The newer dialog: the filter pairs as file types, the flags that matter
// here, and every chosen item's file-system path, without any buffer limit.
Chosen ChooseWithItemDialog(const OpenFileRequest& request, std::vector<std::wstring>& paths) {
  ComScope com;
  if (FAILED(com.hr) && com.hr != RPC_E_CHANGED_MODE) return Chosen::Unavailable;
  ComRef<IFileOpenDialog> dialog;
  if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IFileOpenDialog, reinterpret_cast<void**>(&dialog)))) {
    return Chosen::Unavailable;
  }
  FILEOPENDIALOGOPTIONS options = 0;
  dialog->GetOptions(&options);
  options |= FOS_FORCEFILESYSTEM | FOS_FILEMUSTEXIST | FOS_PATHMUSTEXIST;
  if ((request.flags & OFN_ALLOWMULTISELECT) != 0) options |= FOS_ALLOWMULTISELECT;
  if (FAILED(dialog->SetOptions(options))) return Chosen::Unavailable;
  std::vector<COMDLG_FILTERSPEC> types;
  for (const wchar_t* p = request.filter; p != nullptr && *p != L'\0';) {
    const wchar_t* name = p;
    p += std::wcslen(p) + 1;
    if (*p == L'\0') break;
    types.push_back({name, p});
    p += std::wcslen(p) + 1;
  }
  if (!types.empty()) dialog->SetFileTypes(static_cast<UINT>(types.size()), types.data());
  if (request.defExt != nullptr) dialog->SetDefaultExtension(request.defExt);
  if (request.title != nullptr) dialog->SetTitle(request.title);
  const HRESULT shown = dialog->Show(request.owner);
  if (shown == HRESULT_FROM_WIN32(ERROR_CANCELLED)) return Chosen::Cancelled;
  if (FAILED(shown)) return Chosen::Cancelled;  // it was up: do not show a second one
  ComRef<IShellItemArray> items;
  DWORD count = 0;
  if (FAILED(dialog->GetResults(&items)) || FAILED(items->GetCount(&count))) {
    return Chosen::Cancelled;
  }
  for (DWORD i = 0; i < count; ++i) {
    ComRef<IShellItem> item;
    wchar_t* path = nullptr;
    if (FAILED(items->GetItemAt(i, &item)) ||
        FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, &path))) {
      return Chosen::Cancelled;
    }
    paths.emplace_back(path);
    CoTaskMemFree(path);
  }
  return paths.empty() ? Chosen::Cancelled : Chosen::Ok;
}

}  // namespace

int NativeChooseFiles(const OpenFileRequest& request, PathSink sink, void* context) {
  std::vector<std::wstring> paths;
  switch (ChooseWithItemDialog(request, paths)) {
    case Chosen::Cancelled:
      return FALSE;
    case Chosen::Unavailable:
      // Without the newer dialog (no COM), the classic one with the buffer
      // as given: a selection too large for it is reported as cancelled.
      return NativeGetOpenFileName(request);
    case Chosen::Ok:
      break;
  }
  request.file[0] = L'\0';
  const auto packed = qv::PackSelection(paths, (request.flags & OFN_ALLOWMULTISELECT) != 0);
  if (packed && packed->size() <= request.maxFile) {
    std::wmemcpy(request.file, packed->data(), packed->size());
  } else {
    for (const std::wstring& path : paths) sink(context, path.c_str());
  }
  return TRUE;
}

int NativeWideCharToMultiByte(unsigned codePage, std::uint32_t flags, const wchar_t* wide,
                              int wideCount, char* narrow, int narrowSize, const char* defaultChar,
                              int* usedDefault) {
  return ::WideCharToMultiByte(codePage, flags, wide, wideCount, narrow, narrowSize, defaultChar,
                               usedDefault);
}
int NativeMultiByteToWideChar(unsigned codePage, std::uint32_t flags, const char* narrow,
                              int narrowCount, wchar_t* wide, int wideSize) {
  return ::MultiByteToWideChar(codePage, flags, narrow, narrowCount, wide, wideSize);
}
std::uint32_t NativeGetFullPathName(const wchar_t* name, std::uint32_t chars, wchar_t* buffer,
                                    wchar_t** filePart) {
  return GetFullPathNameW(name, chars, buffer, filePart);
}

void NativeDragAcceptFiles(HWND__* hWnd, int accept) {
  DragAcceptFiles(hWnd, accept);
}
unsigned NativeDragQueryFile(HDROP__* drop, unsigned index, wchar_t* file, unsigned chars) {
  return DragQueryFileW(drop, index, file, chars);
}
void NativeDragFinish(HDROP__* drop) {
  DragFinish(drop);
}
HINSTANCE__* NativeShellExecute(HWND__* hWnd, const wchar_t* operation, const wchar_t* file,
                                const wchar_t* parameters, const wchar_t* directory, int show) {
  return ShellExecuteW(hWnd, operation, file, parameters, directory, show);
}

std::uint32_t NativeGetLastError() {
  return ::GetLastError();
}
void NativeSetLastError(std::uint32_t error) {
  ::SetLastError(error);
}

std::intptr_t NativeDialogBoxIndirect(HINSTANCE__* instance, const void* dialogTemplate,
                                      HWND__* parent, Proc proc, std::intptr_t initParam) {
  DialogContext context{proc, initParam};
  const FilterScope filter;
  return DialogBoxIndirectParamW(instance, static_cast<LPCDLGTEMPLATEW>(dialogTemplate), parent,
                                 &StubDialogProc, reinterpret_cast<LPARAM>(&context));
}

}  // namespace qv::win32::native
