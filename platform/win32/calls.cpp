// The calls of win_types.h for the Win32 backend: each forwards to the real
// Windows call through native.h. Strings come from the shared resource
// tables, dialogs are built from them in memory, and icons are the program's
// real icon resources.
#include <cstddef>
#include <cwchar>
#include <vector>

#include "platform/resource_types.h"
#include "platform/win32/dialog_template.h"
#include "platform/win32/native.h"
#include "platform/win_types.h"

namespace native = qv::win32::native;

static_assert(offsetof(MSG, hwnd) == native::MessageLayout::kHwnd &&
              offsetof(MSG, message) == native::MessageLayout::kMessage &&
              offsetof(MSG, wParam) == native::MessageLayout::kWParam &&
              offsetof(MSG, lParam) == native::MessageLayout::kLParam);

LRESULT SendMessageW(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return native::NativeSendMessage(hWnd, msg, wParam, lParam);
}
LRESULT DefWindowProcW(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return native::NativeDefWindowProc(hWnd, msg, wParam, lParam);
}
LRESULT DefDlgProcW(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  return native::NativeDefDlgProc(hDlg, msg, wParam, lParam);
}
BOOL SetWindowTextW(HWND hWnd, LPCWSTR text) {
  return native::NativeSetWindowText(hWnd, text);
}
void PumpWaitingMessagesW(HWND dialog, DWORD waitMilliseconds) {
  native::NativePumpWaitingMessages(dialog, waitMilliseconds);
}
BOOL EnableWindow(HWND hWnd, BOOL bEnable) {
  return native::NativeEnableWindow(hWnd, bEnable);
}
BOOL InvalidateRect(HWND hWnd, const RECT* rect, BOOL erase) {
  if (rect == nullptr) return native::NativeInvalidateRect(hWnd, nullptr, erase);
  const native::Rect r{rect->left, rect->top, rect->right, rect->bottom};
  return native::NativeInvalidateRect(hWnd, &r, erase);
}
BOOL IsWindowEnabled(HWND hWnd) {
  return native::NativeIsWindowEnabled(hWnd);
}
HWND GetDlgItem(HWND hDlg, int id) {
  return native::NativeGetDlgItem(hDlg, id);
}
HWND GetParent(HWND hWnd) {
  return native::NativeGetParent(hWnd);
}
BOOL EndDialog(HWND hDlg, INT_PTR result) {
  return native::NativeEndDialog(hDlg, result);
}
HMENU GetSystemMenu(HWND hWnd, BOOL bRevert) {
  return native::NativeGetSystemMenu(hWnd, bRevert);
}
BOOL AppendMenuW(HMENU hMenu, UINT flags, UINT_PTR idNewItem, LPCWSTR newItem) {
  return native::NativeAppendMenu(hMenu, flags, idNewItem, newItem);
}
HINSTANCE GetModuleHandleW(LPCWSTR moduleName) {
  return native::NativeGetModuleHandle(moduleName);
}
HICON LoadIconW(HINSTANCE hInstance, LPCWSTR iconName) {
  return native::NativeLoadIcon(hInstance, iconName);
}

BOOL IsIconic(HWND hWnd) {
  return native::NativeIsIconic(hWnd);
}
int GetSystemMetrics(int index) {
  return native::NativeGetSystemMetrics(index);
}

BOOL GetClientRect(HWND hWnd, RECT* rect) {
  if (rect == nullptr) return FALSE;
  native::Rect r{};
  const BOOL ok = native::NativeGetClientRect(hWnd, r);
  *rect = {r.left, r.top, r.right, r.bottom};
  return ok;
}

HDC BeginPaint(HWND hWnd, PAINTSTRUCT* ps) {
  native::Rect paint{};
  int erase = 0;
  HDC dc = native::NativeBeginPaint(hWnd, erase, paint);
  if (ps != nullptr) {
    ps->hdc = dc;
    ps->fErase = erase;
    ps->rcPaint = {paint.left, paint.top, paint.right, paint.bottom};
  }
  return dc;
}
BOOL EndPaint(HWND hWnd, const PAINTSTRUCT*) {
  return native::NativeEndPaint(hWnd);
}
BOOL DrawIcon(HDC hDC, int x, int y, HICON hIcon) {
  return native::NativeDrawIcon(hDC, x, y, hIcon);
}

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* icc) {
  if (icc == nullptr || icc->dwSize != sizeof(INITCOMMONCONTROLSEX)) return FALSE;
  return native::NativeInitCommonControls(icc->dwICC);
}

BOOL GetOpenFileNameW(OPENFILENAMEW* ofn) {
  if (ofn == nullptr || ofn->lpstrFile == nullptr) return FALSE;
  const native::OpenFileRequest request{ofn->hwndOwner,  ofn->lpstrFilter, ofn->lpstrFile,
                                        ofn->nMaxFile,   ofn->lpstrTitle,  ofn->Flags,
                                        ofn->lpstrDefExt};
  return native::NativeGetOpenFileName(request);
}

BOOL ChooseOpenFilesW(OPENFILENAMEW* ofn, SelectionSink overflow, void* context) {
  if (ofn == nullptr || ofn->lpstrFile == nullptr || ofn->nMaxFile == 0 || overflow == nullptr) {
    return FALSE;
  }
  const native::OpenFileRequest request{ofn->hwndOwner,  ofn->lpstrFilter, ofn->lpstrFile,
                                        ofn->nMaxFile,   ofn->lpstrTitle,  ofn->Flags,
                                        ofn->lpstrDefExt};
  return native::NativeChooseFiles(request, overflow, context);
}

int WideCharToMultiByte(UINT codePage, DWORD flags, const wchar_t* wide, int wideCount,
                        char* narrow, int narrowSize, const char* defaultChar,
                        LPBOOL usedDefaultChar) {
  return native::NativeWideCharToMultiByte(codePage, flags, wide, wideCount, narrow, narrowSize,
                                           defaultChar, usedDefaultChar);
}
int MultiByteToWideChar(UINT codePage, DWORD flags, const char* narrow, int narrowCount,
                        wchar_t* wide, int wideSize) {
  return native::NativeMultiByteToWideChar(codePage, flags, narrow, narrowCount, wide, wideSize);
}
DWORD GetFullPathNameW(LPCWSTR fileName, DWORD bufferLength, LPWSTR buffer, LPWSTR* filePart) {
  return native::NativeGetFullPathName(fileName, bufferLength, buffer, filePart);
}

void DragAcceptFiles(HWND hWnd, BOOL accept) {
  native::NativeDragAcceptFiles(hWnd, accept);
}
UINT DragQueryFileW(HDROP hDrop, UINT index, LPWSTR file, UINT chars) {
  return native::NativeDragQueryFile(hDrop, index, file, chars);
}
void DragFinish(HDROP hDrop) {
  native::NativeDragFinish(hDrop);
}
HINSTANCE ShellExecuteW(HWND hWnd, LPCWSTR operation, LPCWSTR file, LPCWSTR parameters,
                        LPCWSTR directory, int showCommand) {
  return native::NativeShellExecute(hWnd, operation, file, parameters, directory, showCommand);
}

DWORD GetLastError() {
  return native::NativeGetLastError();
}
void SetLastError(DWORD error) {
  native::NativeSetLastError(error);
}

INT_PTR DialogBoxTemplateW(HINSTANCE hInstance, const DialogTemplate& tmpl, HWND parent,
                           WNDPROC proc, LPARAM initParam) {
  const std::vector<DWORD> bytes = qv::win32::BuildDialogTemplateEx(tmpl);
  return native::NativeDialogBoxIndirect(hInstance, bytes.data(), parent, proc, initParam);
}
