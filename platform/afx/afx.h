// A small dialog-application class library in the style of MFC: the classes,
// message maps and helpers the desktop front end is written against. It is
// implemented once, over the calls of win_types.h, for every backend.
#ifndef QUORVEL_PLATFORM_AFX_AFX_H_
#define QUORVEL_PLATFORM_AFX_AFX_H_

#include <memory>
#include <string>
#include <vector>

#include "platform/resource_types.h"
#include "platform/win_types.h"

// ---- Objects, run-time classes, exceptions ----

struct CRuntimeClass {
  const char* m_lpszClassName;
};
#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)

class CObject {
 public:
  virtual ~CObject() = default;
};

class CException : public CObject {
 public:
  virtual HRESULT GetErrorCode() const = 0;
};

class CMemoryException : public CException {
 public:
  HRESULT GetErrorCode() const override { return E_OUTOFMEMORY; }
};

class COleException : public CException {
 public:
  explicit COleException(SCODE sc) : m_sc(sc) {}
  HRESULT GetErrorCode() const override { return m_sc; }
  SCODE m_sc;
};

[[noreturn]] void AfxThrowMemoryException();
[[noreturn]] void AfxThrowOleException(SCODE sc);

// ---- Strings ----

// A wide string, as CString is in a Unicode build.
class CString {
 public:
  CString() = default;
  CString(const wchar_t* text) : m_text(text != nullptr ? text : L"") {}  // NOLINT: implicit
  // Widens narrow text by the one rule (qv::WidenBy, engine/narrow_text.h):
  // on Windows UTF-8, where text that is not UTF-8 (which no narrowing of
  // the program's makes) gives an empty string, nothing being substituted;
  // elsewhere the file system's bytes, which always widen.
  explicit CString(const char* narrow);

  BOOL LoadString(UINT nID);  // from the program's string resources
  BOOL IsEmpty() const { return m_text.empty() ? TRUE : FALSE; }
  int GetLength() const { return static_cast<int>(m_text.size()); }
  const wchar_t* GetString() const { return m_text.c_str(); }
  operator LPCWSTR() const { return m_text.c_str(); }  // NOLINT: implicit like CString

 private:
  std::wstring m_text;
};

struct CRect : RECT {
  CRect() : RECT{0, 0, 0, 0} {}
  LONG Width() const { return right - left; }
  LONG Height() const { return bottom - top; }
};

// ---- Message maps ----

class CCmdTarget;

// One handler binding. Exactly one of the pointers is set, chosen by the
// handler's signature; the last entry of a map has nMessage 0.
struct AFX_MSGMAP_ENTRY {
  UINT nMessage;
  UINT nCode;  // WM_COMMAND: the notification code
  UINT nID;    // WM_COMMAND: the control or command id
  void (CCmdTarget::*pfnVoid)();
  void (CCmdTarget::*pfnSysCommand)(UINT, LPARAM);
  HCURSOR (CCmdTarget::*pfnQueryDragIcon)();
  void (CCmdTarget::*pfnDropFiles)(HDROP);
};

struct AFX_MSGMAP {
  const AFX_MSGMAP* (*pfnGetBaseMap)();
  const AFX_MSGMAP_ENTRY* lpEntries;
};

#define DECLARE_MESSAGE_MAP()                   \
 protected:                                     \
  static const AFX_MSGMAP* GetThisMessageMap(); \
  const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)        \
  const AFX_MSGMAP* theClass::GetMessageMap() const { \
    return GetThisMessageMap();                       \
  }                                                   \
  const AFX_MSGMAP* theClass::GetThisMessageMap() {   \
    using ThisClass [[maybe_unused]] = theClass;      \
    using TheBaseClass = baseClass;                   \
    static const AFX_MSGMAP_ENTRY entries[] = {
#define END_MESSAGE_MAP()                                                        \
  { 0, 0, 0, nullptr, nullptr, nullptr, nullptr }                                \
  }                                                                              \
  ;                                                                              \
  static const AFX_MSGMAP map = {&TheBaseClass::GetThisMessageMap, &entries[0]}; \
  return &map;                                                                   \
  }

#define AFX_PMSG_VOID(fn) static_cast<void (CCmdTarget::*)()>(fn)
#define ON_COMMAND(id, memberFxn) \
  {WM_COMMAND, 0, static_cast<UINT>(id), AFX_PMSG_VOID(memberFxn), nullptr, nullptr, nullptr},
#define ON_CONTROL(code, id, memberFxn) \
  {WM_COMMAND, code, static_cast<UINT>(id), AFX_PMSG_VOID(memberFxn), nullptr, nullptr, nullptr},
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_LBN_DBLCLK(id, memberFxn) ON_CONTROL(LBN_DBLCLK, id, memberFxn)
#define ON_LBN_SELCHANGE(id, memberFxn) ON_CONTROL(LBN_SELCHANGE, id, memberFxn)
#define ON_WM_PAINT() \
  {WM_PAINT, 0, 0, AFX_PMSG_VOID(&ThisClass::OnPaint), nullptr, nullptr, nullptr},
#define ON_WM_SYSCOMMAND()                                                    \
  {WM_SYSCOMMAND,                                                             \
   0,                                                                         \
   0,                                                                         \
   nullptr,                                                                   \
   static_cast<void (CCmdTarget::*)(UINT, LPARAM)>(&ThisClass::OnSysCommand), \
   nullptr,                                                                   \
   nullptr},
#define ON_WM_QUERYDRAGICON()                                                                      \
  {WM_QUERYDRAGICON, 0,       0,                                                                   \
   nullptr,          nullptr, static_cast<HCURSOR (CCmdTarget::*)()>(&ThisClass::OnQueryDragIcon), \
   nullptr},
#define ON_WM_DROPFILES() \
  {WM_DROPFILES,          \
   0,                     \
   0,                     \
   nullptr,               \
   nullptr,               \
   nullptr,               \
   static_cast<void (CCmdTarget::*)(HDROP)>(&ThisClass::OnDropFiles)},

class CCmdTarget : public CObject {
 public:
  // Looks `nID`/`nCode` up in this object's map chain and runs the handler.
  virtual BOOL OnCmdMsg(UINT nID, int nCode);

 protected:
  static const AFX_MSGMAP* GetThisMessageMap();
  virtual const AFX_MSGMAP* GetMessageMap() const;
};

// ---- Windows ----

class CMenu {
 public:
  BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem = 0, LPCTSTR lpszNewItem = nullptr);
  HMENU m_hMenu = nullptr;
};

class CWnd : public CCmdTarget {
 public:
  CWnd() = default;
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;
  ~CWnd() override;

  HWND GetSafeHwnd() const { return m_hWnd; }
  static CWnd* FromHandlePermanent(HWND hWnd);
  BOOL Attach(HWND hWnd);
  HWND Detach();

  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  BOOL EnableWindow(BOOL bEnable = TRUE);
  // Turns the window's redrawing off and on (WM_SETREDRAW): many changes in
  // a row then cost one repaint, not one each. Invalidate after turning it
  // back on.
  void SetRedraw(BOOL bRedraw = TRUE);
  // The whole client area is repainted on the next paint.
  void Invalidate(BOOL bErase = TRUE);
  void SetWindowText(LPCTSTR lpszString);
  BOOL IsIconic() const;
  void GetClientRect(RECT* lpRect) const;
  CMenu* GetSystemMenu(BOOL bRevert);
  // Whether files dropped on the window reach it as WM_DROPFILES.
  void DragAcceptFiles(BOOL bAccept = TRUE);

  // Offered every keyboard and mouse message of the window's dialog (its
  // controls' included) before the dialog manager handles it; TRUE when
  // taken, so that nothing else handles it. The default takes nothing.
  virtual BOOL PreTranslateMessage(MSG* pMsg);

  // Runs this window's message map for one message; unhandled messages go to
  // DefWindowProc. Called by the platform for every message to the window.
  // A disabled window runs none of the program's commands (WM_COMMAND, and
  // system-menu items the program added) and takes no dropped files (the drop
  // is released unread): it is disabled while it owns a modal box, and
  // commands posted to it then would nest handlers.
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);

  HWND m_hWnd = nullptr;

 protected:
  // The default handling of the message being processed.
  LRESULT Default();
  virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
  virtual void DoDataExchange(class CDataExchange* pDX);

  // Base handlers: default processing.
  void OnSysCommand(UINT nID, LPARAM lParam);
  void OnPaint();
  void OnDropFiles(HDROP hDropInfo);

 private:
  CMenu m_sysMenu;
  struct CurrentMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
  };
  CurrentMessage m_current{0, 0, 0};
};

class CButton : public CWnd {};
class CListBox : public CWnd {
 public:
  int GetCurSel() const;  // LB_ERR when no line is selected
  int GetCount() const;
  // Scrolls line `nIndex` to the top, or as far as the list scrolls.
  int SetTopIndex(int nIndex);
};

class CDataExchange {
 public:
  CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
      : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}
  BOOL m_bSaveAndValidate;
  CWnd* m_pDlgWnd;
};

// Binds dialog control `nIDC` to `rControl` (once; later calls do nothing).
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);

class CDialog : public CWnd {
 public:
  explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
  // Runs the box modally and returns EndDialog's result, or -1 when it can't
  // be created. The box is owned by its parent window or, when it was given
  // none, by the application's main window. An enabled owner is disabled
  // while the box runs and enabled again as the box ends; an owner that was
  // disabled already is left so.
  virtual INT_PTR DoModal();
  virtual BOOL OnInitDialog();
  // Ends the modal box with `nResult`, enabling its owner first so that the
  // owner, not some other window, becomes active.
  void EndDialog(int nResult);
  BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
  // Gives `pWndCtrl` the keyboard focus, as the dialog manager moves it.
  void GotoDlgCtrl(CWnd* pWndCtrl);
  BOOL OnCmdMsg(UINT nID, int nCode) override;
  UINT TemplateId() const { return m_nIDTemplate; }

 protected:
  virtual void OnOK();
  virtual void OnCancel();
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

  UINT m_nIDTemplate;
  CWnd* m_pParentWnd;

 private:
  void EnableOwner();
  HWND m_hWndDisabledOwner = nullptr;  // the owner DoModal disabled, until enabled again

  DECLARE_MESSAGE_MAP()
};

class CDialogEx : public CDialog {
 public:
  using CDialog::CDialog;

 protected:
  DECLARE_MESSAGE_MAP()
};

// ---- Painting ----

class CDC {
 public:
  HDC GetSafeHdc() const { return m_hDC; }
  BOOL DrawIcon(int x, int y, HICON hIcon) { return ::DrawIcon(m_hDC, x, y, hIcon); }
  HDC m_hDC = nullptr;
};

class CPaintDC : public CDC {
 public:
  explicit CPaintDC(CWnd* pWnd);
  CPaintDC(const CPaintDC&) = delete;
  CPaintDC& operator=(const CPaintDC&) = delete;
  ~CPaintDC();
  PAINTSTRUCT m_ps{};

 private:
  HWND m_hWnd;
};

// ---- Common dialogs ----

struct __POSITION;
using POSITION = __POSITION*;

class CFileDialog : public CObject {
 public:
  // `lpszFilter` is "Name|pattern|...|" ending in "||".
  explicit CFileDialog(BOOL bOpenFileDialog, LPCTSTR lpszDefExt = nullptr,
                       LPCTSTR lpszFileName = nullptr, DWORD dwFlags = 0,
                       LPCTSTR lpszFilter = nullptr, CWnd* pParentWnd = nullptr, DWORD dwSize = 0,
                       BOOL bVistaStyle = TRUE);
  OPENFILENAMEW& GetOFN() { return m_ofn; }
  // Shows the system's dialog and returns IDOK or IDCANCEL. hwndOwner becomes
  // the parent window or, when there is none, the application's main window;
  // an enabled owner is disabled while the dialog runs and enabled again after.
  // A selection too large for the buffer (nMaxFile) is kept by the dialog
  // object instead, whole.
  virtual INT_PTR DoModal();
  // The selection, one full path at a time, from the buffer or from what the
  // object kept; `pos` becomes nullptr after the last one.
  POSITION GetStartPosition() const;
  CString GetNextPathName(POSITION& pos) const;

 private:
  static void KeepOverflow(void* self, LPCWSTR path);

  OPENFILENAMEW m_ofn{};
  std::vector<std::wstring> m_overflow;  // the last selection, when the buffer was too small
  CWnd* m_pParentWnd;
  std::wstring m_filter;
  std::wstring m_defExt;
  std::wstring m_fileName;
};

// ---- Application ----

class CWinApp : public CCmdTarget {
 public:
  explicit CWinApp(LPCTSTR lpszAppName = nullptr);
  ~CWinApp() override;
  virtual BOOL InitInstance();
  virtual int ExitInstance();
  void SetRegistryKey(LPCTSTR lpszRegistryKey);
  HICON LoadIcon(UINT nIDResource) const;
  void OnHelp();

  CWnd* m_pMainWnd = nullptr;
  DWORD m_dwRestartManagerSupportFlags = 0;

 protected:
  DECLARE_MESSAGE_MAP()

 private:
  std::wstring m_registryKey;
};

constexpr DWORD AFX_RESTART_MANAGER_SUPPORT_RESTART = 0x01;
constexpr UINT ID_HELP = 0xE146;

CWinApp* AfxGetApp();
HINSTANCE AfxGetResourceHandle();
void AfxEnableControlContainer(void* pOccManager = nullptr);
// Handles every message waiting for this thread as the modal loop of
// `dialog` would, after waiting up to `waitMilliseconds` for one when none is
// waiting: a handler that waits for other work calls it in a loop so that the
// dialog stays alive (PumpWaitingMessagesW).
void AfxPumpWaitingMessages(CWnd& dialog, DWORD waitMilliseconds);
// The program's entry: runs the application object's InitInstance.
int AfxWinMain();

class CShellManager : public CObject {};

class CMFCVisualManager : public CObject {
 public:
  static void SetDefaultManager(const CRuntimeClass* pRTI);
  static const CRuntimeClass* GetDefaultManager();
};

class CMFCVisualManagerWindows : public CMFCVisualManager {
 public:
  static const CRuntimeClass classCMFCVisualManagerWindows;
};

#endif  // QUORVEL_PLATFORM_AFX_AFX_H_
