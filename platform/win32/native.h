// The real Windows calls the Win32 backend forwards to, declared in types that
// mean the same to <windows.h> and to the class library's win_types.h. The two
// vocabularies cannot meet in one translation unit (they declare the same
// names with different types and linkage), so calls.cpp sees only this header
// and native.cpp alone includes <windows.h>.
#ifndef QUORVEL_PLATFORM_WIN32_NATIVE_H_
#define QUORVEL_PLATFORM_WIN32_NATIVE_H_

#include <cstddef>
#include <cstdint>

// The handle types are the same incomplete structs in both vocabularies.
struct HWND__;
struct HICON__;
struct HMENU__;
struct HDC__;
struct HINSTANCE__;
struct HDROP__;

namespace qv::win32::native {

using Handle = HWND__*;
using Proc = std::intptr_t (*)(HWND__*, unsigned, std::uintptr_t, std::intptr_t);

struct Rect {
  std::int32_t left, top, right, bottom;
};

std::intptr_t NativeSendMessage(HWND__* hWnd, unsigned msg, std::uintptr_t wParam,
                                std::intptr_t lParam);
std::intptr_t NativeDefWindowProc(HWND__* hWnd, unsigned msg, std::uintptr_t wParam,
                                  std::intptr_t lParam);
std::intptr_t NativeDefDlgProc(HWND__* hDlg, unsigned msg, std::uintptr_t wParam,
                               std::intptr_t lParam);
int NativeSetWindowText(HWND__* hWnd, const wchar_t* text);
// Handles the thread's waiting messages as the modal loop of `dialog` does
// (the message filter of NativeDialogBoxIndirect, then the dialog manager),
// after waiting up to `waitMilliseconds` for one when none is waiting. A
// WM_QUIT is posted again for the loop that owns it.
void NativePumpWaitingMessages(HWND__* dialog, std::uint32_t waitMilliseconds);
int NativeEnableWindow(HWND__* hWnd, int enable);
int NativeIsWindowEnabled(HWND__* hWnd);
// `rect` null: the whole client area.
int NativeInvalidateRect(HWND__* hWnd, const Rect* rect, int erase);
HWND__* NativeGetDlgItem(HWND__* hDlg, int id);
HWND__* NativeGetParent(HWND__* hWnd);
int NativeEndDialog(HWND__* hDlg, std::intptr_t result);
HMENU__* NativeGetSystemMenu(HWND__* hWnd, int revert);
int NativeAppendMenu(HMENU__* menu, unsigned flags, std::uintptr_t id, const wchar_t* text);
HINSTANCE__* NativeGetModuleHandle(const wchar_t* name);
HICON__* NativeLoadIcon(HINSTANCE__* instance, const wchar_t* name);
int NativeIsIconic(HWND__* hWnd);
int NativeGetSystemMetrics(int index);
int NativeGetClientRect(HWND__* hWnd, Rect& rect);
// BeginPaint keeps the system's paint record until the matching EndPaint.
HDC__* NativeBeginPaint(HWND__* hWnd, int& erase, Rect& paint);
int NativeEndPaint(HWND__* hWnd);
int NativeDrawIcon(HDC__* dc, int x, int y, HICON__* icon);
int NativeInitCommonControls(std::uint32_t classes);

struct OpenFileRequest {
  HWND__* owner;
  const wchar_t* filter;  // pairs of NUL-terminated strings, ended by an empty one
  wchar_t* file;
  std::uint32_t maxFile;
  const wchar_t* title;
  std::uint32_t flags;
  const wchar_t* defExt;
};
// GetOpenFileNameW. On success a single selection is left as one full path
// followed by an empty string, as a multiple one ends, so that both read alike.
int NativeGetOpenFileName(const OpenFileRequest& request);
// The newer open dialog (IFileOpenDialog) where the system can create it,
// else GetOpenFileNameW. On OK the selection is packed into `request.file`
// (platform/selection_buffer.h) when it fits in maxFile; otherwise the buffer
// is left empty and each full path goes to `sink`. 0 when cancelled or failed.
using PathSink = void (*)(void* context, const wchar_t* path);
int NativeChooseFiles(const OpenFileRequest& request, PathSink sink, void* context);

int NativeWideCharToMultiByte(unsigned codePage, std::uint32_t flags, const wchar_t* wide,
                              int wideCount, char* narrow, int narrowSize, const char* defaultChar,
                              int* usedDefault);
int NativeMultiByteToWideChar(unsigned codePage, std::uint32_t flags, const char* narrow,
                              int narrowCount, wchar_t* wide, int wideSize);
std::uint32_t NativeGetFullPathName(const wchar_t* name, std::uint32_t chars, wchar_t* buffer,
                                    wchar_t** filePart);
std::uint32_t NativeGetLastError();
void NativeSetLastError(std::uint32_t error);

void NativeDragAcceptFiles(HWND__* hWnd, int accept);
unsigned NativeDragQueryFile(HDROP__* drop, unsigned index, wchar_t* file, unsigned chars);
void NativeDragFinish(HDROP__* drop);
HINSTANCE__* NativeShellExecute(HWND__* hWnd, const wchar_t* operation, const wchar_t* file,
                                const wchar_t* parameters, const wchar_t* directory, int show);

// The layout both vocabularies give MSG: calls.cpp and native.cpp check their
// own against it, since a forwarded message crosses between them by pointer.
struct MessageLayout {
  static constexpr std::size_t kHwnd = 0;
  static constexpr std::size_t kMessage = sizeof(void*);
  static constexpr std::size_t kWParam = 2 * sizeof(void*);
  static constexpr std::size_t kLParam = 3 * sizeof(void*);
};

// Runs the in-memory DLGTEMPLATEEX `dialogTemplate` (DWORD aligned) modally
// with `proc` as the dialog's window procedure: every message reaches `proc`,
// WM_INITDIALOG with `initParam`, and what `proc` leaves unhandled it passes
// to DefDlgProc. While it runs, each keyboard and mouse message of the box
// (or of its controls) is first sent to the box as WM_FORWARDMSG with the MSG
// as lParam, and a nonzero answer keeps the dialog manager from handling it.
// Returns EndDialog's result, or -1.
std::intptr_t NativeDialogBoxIndirect(HINSTANCE__* instance, const void* dialogTemplate,
                                      HWND__* parent, Proc proc, std::intptr_t initParam);

}  // namespace qv::win32::native

#endif  // QUORVEL_PLATFORM_WIN32_NATIVE_H_
