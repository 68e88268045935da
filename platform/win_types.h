// The Windows user-interface vocabulary the desktop front end is written in:
// types, message ids and constants with their Windows values, and the calls.
// Every backend implements these calls; a Win32 backend maps them onto the
// real ones (the values are the same, so no translation is needed).
#ifndef QUORVEL_PLATFORM_WIN_TYPES_H_
#define QUORVEL_PLATFORM_WIN_TYPES_H_

#include <cstdint>

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using UINT = unsigned int;
using HRESULT = std::int32_t;
using SCODE = HRESULT;
using INT_PTR = std::intptr_t;
using UINT_PTR = std::uintptr_t;
using LONG_PTR = std::intptr_t;
using ULONG_PTR = std::uintptr_t;
using WPARAM = UINT_PTR;
using LPARAM = LONG_PTR;
using LRESULT = LONG_PTR;
using WCHAR = wchar_t;
using LPWSTR = wchar_t*;
using LPCWSTR = const wchar_t*;
using LPCTSTR = LPCWSTR;  // Unicode build
using LPSTR = char*;
using LPCSTR = const char*;
using LPBOOL = BOOL*;

// Opaque handles, distinct types as with STRICT on Windows.
struct HWND__;
struct HICON__;
struct HMENU__;
struct HDC__;
struct HINSTANCE__;
struct HDROP__;
using HWND = HWND__*;
using HICON = HICON__*;
using HCURSOR = HICON;
using HMENU = HMENU__*;
using HDC = HDC__*;
using HINSTANCE = HINSTANCE__*;
using HDROP = HDROP__*;  // the files of one drop, until DragFinish

struct RECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
};

struct POINT {
  LONG x;
  LONG y;
};

// A queued message, laid out as Windows lays it out.
struct MSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;
};

struct PAINTSTRUCT {
  HDC hdc;
  BOOL fErase;
  RECT rcPaint;
};

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);

constexpr WORD LOWORD(UINT_PTR v) {
  return static_cast<WORD>(v & 0xFFFF);
}
constexpr WORD HIWORD(UINT_PTR v) {
  return static_cast<WORD>((v >> 16) & 0xFFFF);
}
constexpr WPARAM MAKEWPARAM(WORD low, WORD high) {
  return static_cast<WPARAM>(static_cast<DWORD>(low) | (static_cast<DWORD>(high) << 16));
}
inline LPCWSTR MAKEINTRESOURCEW(UINT id) {
  return reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(static_cast<WORD>(id)));
}
inline bool IS_INTRESOURCE(LPCWSTR p) {
  return (reinterpret_cast<ULONG_PTR>(p) >> 16) == 0;
}

// Messages.
constexpr UINT WM_SETREDRAW = 0x000B;
constexpr UINT WM_SETTEXT = 0x000C;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_ICONERASEBKGND = 0x0027;
constexpr UINT WM_QUERYDRAGICON = 0x0037;
constexpr UINT WM_SETICON = 0x0080;
constexpr UINT WM_NCDESTROY = 0x0082;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_INITDIALOG = 0x0110;
// To a dialog: wParam the control to take the focus, lParam TRUE.
constexpr UINT WM_NEXTDLGCTL = 0x0028;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_SYSCOMMAND = 0x0112;
constexpr UINT WM_DROPFILES = 0x0233;
// A keyboard or mouse message offered to a window before the dialog manager
// handles it; lParam is the MSG. TRUE when the window took it.
constexpr UINT WM_FORWARDMSG = 0x037F;
constexpr UINT BM_GETCHECK = 0x00F0;
constexpr UINT BM_SETCHECK = 0x00F1;
constexpr UINT BM_GETSTATE = 0x00F2;
constexpr UINT BM_CLICK = 0x00F5;
constexpr UINT LB_ADDSTRING = 0x0180;
constexpr UINT LB_RESETCONTENT = 0x0184;
constexpr UINT LB_SETCURSEL = 0x0186;
constexpr UINT LB_GETCURSEL = 0x0188;
constexpr UINT LB_GETTEXT = 0x0189;
constexpr UINT LB_GETTEXTLEN = 0x018A;
constexpr UINT LB_GETCOUNT = 0x018B;
constexpr UINT LB_SETTOPINDEX = 0x0197;
constexpr LRESULT LB_ERR = -1;

constexpr WORD BN_CLICKED = 0;
constexpr WORD LBN_SELCHANGE = 1;
constexpr WORD LBN_DBLCLK = 2;
constexpr WPARAM VK_RETURN = 0x0D;
constexpr int SW_SHOWNORMAL = 1;
constexpr ULONG_PTR SE_ERR_FNF = 2;
constexpr ULONG_PTR SE_ERR_PNF = 3;
constexpr WPARAM BST_UNCHECKED = 0x0000;
constexpr WPARAM BST_CHECKED = 0x0001;
constexpr WPARAM ICON_SMALL = 0;
constexpr WPARAM ICON_BIG = 1;
constexpr UINT SC_SIZE = 0xF000;  // the lowest of the system's own commands
constexpr UINT SC_CLOSE = 0xF060;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

// Menus.
constexpr UINT MF_STRING = 0x0000;
constexpr UINT MF_SEPARATOR = 0x0800;

// System metrics.
constexpr int SM_CXICON = 11;
constexpr int SM_CYICON = 12;

// Window, dialog and control styles.
constexpr DWORD WS_POPUP = 0x80000000;
constexpr DWORD WS_VISIBLE = 0x10000000;
constexpr DWORD WS_CAPTION = 0x00C00000;
constexpr DWORD WS_BORDER = 0x00800000;
constexpr DWORD WS_VSCROLL = 0x00200000;
constexpr DWORD WS_HSCROLL = 0x00100000;
constexpr DWORD WS_SYSMENU = 0x00080000;
constexpr DWORD WS_GROUP = 0x00020000;
constexpr DWORD WS_TABSTOP = 0x00010000;
constexpr DWORD WS_CHILD = 0x40000000;
constexpr DWORD WS_EX_DLGMODALFRAME = 0x00000001;
constexpr DWORD WS_EX_ACCEPTFILES = 0x00000010;
constexpr DWORD WS_EX_APPWINDOW = 0x00040000;
constexpr DWORD DS_SETFONT = 0x0040;
constexpr DWORD DS_MODALFRAME = 0x0080;
constexpr DWORD DS_FIXEDSYS = 0x0008;
constexpr DWORD BS_PUSHBUTTON = 0x0000;
constexpr DWORD BS_DEFPUSHBUTTON = 0x0001;
constexpr DWORD BS_AUTOCHECKBOX = 0x0003;
constexpr DWORD BS_TYPEMASK = 0x000F;
constexpr DWORD LBS_NOTIFY = 0x0001;
constexpr DWORD LBS_SORT = 0x0002;
constexpr DWORD LBS_NOINTEGRALHEIGHT = 0x0100;
constexpr DWORD LBS_DISABLENOSCROLL = 0x1000;
constexpr DWORD LBS_NOSEL = 0x4000;
constexpr DWORD SS_LEFT = 0x0000;
constexpr DWORD SS_ICON = 0x0003;
constexpr DWORD SS_TYPEMASK = 0x001F;
constexpr DWORD SS_NOPREFIX = 0x0080;
constexpr DWORD SS_ENDELLIPSIS = 0x4000;

// Common controls.
struct INITCOMMONCONTROLSEX {
  DWORD dwSize;
  DWORD dwICC;
};
constexpr DWORD ICC_WIN95_CLASSES = 0x000000FF;

// Open-file dialog.
struct OPENFILENAMEW {
  DWORD lStructSize;
  HWND hwndOwner;
  LPCWSTR lpstrFilter;  // pairs of NUL-terminated strings, ended by an empty one
  LPWSTR lpstrFile;     // in: initial name; out: the selection
  DWORD nMaxFile;       // size of lpstrFile in characters
  LPCWSTR lpstrTitle;   // nullptr: the system's default title
  DWORD Flags;
  LPCWSTR lpstrDefExt;
};
constexpr DWORD OFN_ALLOWMULTISELECT = 0x00000200;
constexpr DWORD OFN_EXPLORER = 0x00080000;

// Text conversion and errors.
constexpr UINT CP_ACP = 0;
constexpr UINT CP_THREAD_ACP = 3;
constexpr UINT CP_UTF8 = 65001;
constexpr DWORD WC_ERR_INVALID_CHARS = 0x00000080;
constexpr DWORD MB_ERR_INVALID_CHARS = 0x00000008;
constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr DWORD ERROR_OUTOFMEMORY = 14;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
constexpr DWORD ERROR_INVALID_FLAGS = 1004;
constexpr DWORD ERROR_INVALID_WINDOW_HANDLE = 1400;
constexpr DWORD ERROR_NO_UNICODE_TRANSLATION = 1113;
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000EU);
constexpr HRESULT HRESULT_FROM_WIN32(DWORD e) {
  return e == 0 ? 0 : static_cast<HRESULT>((e & 0xFFFF) | 0x80070000U);
}

struct DialogTemplate;

// ---- Calls; each backend defines them. ----
LRESULT SendMessageW(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT DefWindowProcW(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT DefDlgProcW(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL SetWindowTextW(HWND hWnd, LPCWSTR text);  // WM_SETTEXT
BOOL EnableWindow(HWND hWnd, BOOL bEnable);    // returns TRUE if it was disabled before
BOOL IsWindowEnabled(HWND hWnd);
BOOL InvalidateRect(HWND hWnd, const RECT* rect, BOOL erase);
HWND GetDlgItem(HWND hDlg, int id);
HWND GetParent(HWND hWnd);
BOOL EndDialog(HWND hDlg, INT_PTR result);
HMENU GetSystemMenu(HWND hWnd, BOOL bRevert);
BOOL AppendMenuW(HMENU hMenu, UINT flags, UINT_PTR idNewItem, LPCWSTR newItem);
HINSTANCE GetModuleHandleW(LPCWSTR moduleName);  // nullptr: the program itself
HICON LoadIconW(HINSTANCE hInstance, LPCWSTR iconName);
int LoadStringW(HINSTANCE hInstance, UINT id, LPWSTR buffer, int bufferMax);
BOOL IsIconic(HWND hWnd);
int GetSystemMetrics(int index);
BOOL GetClientRect(HWND hWnd, RECT* rect);
HDC BeginPaint(HWND hWnd, PAINTSTRUCT* ps);
BOOL EndPaint(HWND hWnd, const PAINTSTRUCT* ps);
BOOL DrawIcon(HDC hDC, int x, int y, HICON hIcon);
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* icc);
BOOL GetOpenFileNameW(OPENFILENAMEW* ofn);
int WideCharToMultiByte(UINT codePage, DWORD flags, const wchar_t* wide, int wideCount,
                        char* narrow, int narrowSize, const char* defaultChar,
                        LPBOOL usedDefaultChar);
int MultiByteToWideChar(UINT codePage, DWORD flags, const char* narrow, int narrowCount,
                        wchar_t* wide, int wideSize);
DWORD GetLastError();
void SetLastError(DWORD error);
DWORD GetFullPathNameW(LPCWSTR fileName, DWORD bufferLength, LPWSTR buffer, LPWSTR* filePart);

// Dropped files (shell32). DragQueryFileW with index 0xFFFFFFFF returns the
// count; with a null buffer, the length of file `index` without its NUL.
void DragAcceptFiles(HWND hWnd, BOOL accept);  // sets or clears WS_EX_ACCEPTFILES
UINT DragQueryFileW(HDROP hDrop, UINT index, LPWSTR file, UINT chars);
void DragFinish(HDROP hDrop);
// Opens `file` with the system's handler for its kind. Greater than 32 on
// success, an error code (32 or less) otherwise: SE_ERR_FNF or SE_ERR_PNF
// when the file or its folder does not exist.
HINSTANCE ShellExecuteW(HWND hWnd, LPCWSTR operation, LPCWSTR file, LPCWSTR parameters,
                        LPCWSTR directory, int showCommand);

// Not a Windows call: shows the open dialog `ofn` describes (the newer one
// where the system has it) and, on OK, leaves the selection in lpstrFile as
// GetOpenFileNameW does, when it fits in nMaxFile. When it does not fit,
// lpstrFile holds the empty string and every selected full path is handed to
// `overflow(context, path)` instead, in selection order: no selection is lost.
// FALSE when cancelled or when the dialog fails.
using SelectionSink = void (*)(void* context, LPCWSTR path);
BOOL ChooseOpenFilesW(OPENFILENAMEW* ofn, SelectionSink overflow, void* context);

// Not a Windows call: handles every message now waiting for this thread as
// the modal loop of `dialog` would (its keys and the window manager's
// questions included); when none is waiting, first waits up to
// `waitMilliseconds` for one. A handler that waits for other work calls it in
// a loop, so that the dialog keeps answering and painting.
void PumpWaitingMessagesW(HWND dialog, DWORD waitMilliseconds);

// Not a Windows call: creates the dialog described by `tmpl` (the shared
// resource tables), sends WM_INITDIALOG with `initParam` to `proc`, runs it
// modally until EndDialog and returns EndDialog's result, or -1 if the dialog
// could not be created. What `proc` leaves unhandled it passes to
// DefDlgProcW. A Win32 backend builds a DLGTEMPLATEEX from `tmpl` and calls
// DialogBoxIndirectParamW.
INT_PTR DialogBoxTemplateW(HINSTANCE hInstance, const DialogTemplate& tmpl, HWND parent,
                           WNDPROC proc, LPARAM initParam);

#endif  // QUORVEL_PLATFORM_WIN_TYPES_H_
