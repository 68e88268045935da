// The class library over the calls of win_types.h; shared by every backend.
#include "platform/afx/afx.h"

#include <cstdio>
#include <unordered_map>
#include <vector>

#include "engine/narrow_text.h"
#include "engine/path_text.h"
#include "platform/path_syntax.h"

namespace {

CWinApp* g_app = nullptr;
const CRuntimeClass* g_visualManager = nullptr;

std::unordered_map<HWND, CWnd*>& HandleMap() {
  static std::unordered_map<HWND, CWnd*> map;
  return map;
}

// The window that owns a modal box: its parent or, when it has none, the
// application's main window, unless that is the box itself or has no window.
HWND ModalOwner(const CWnd* parent, const CWnd* box) {
  if (parent != nullptr) return parent->GetSafeHwnd();
  const CWinApp* app = AfxGetApp();
  const CWnd* main = app != nullptr ? app->m_pMainWnd : nullptr;
  return main != nullptr && main != box ? main->GetSafeHwnd() : nullptr;
}

// Disables `owner` for a modal box; returns the window to enable again when
// the box ends, or nullptr when there is none or it was disabled already.
HWND DisableOwner(HWND owner) {
  if (owner == nullptr || !::IsWindowEnabled(owner)) return nullptr;
  ::EnableWindow(owner, FALSE);
  return owner;
}

// Commands of the program: WM_COMMAND, and system-menu items it added (the
// system's own items start at SC_SIZE).
bool IsProgramCommand(UINT message, WPARAM wParam) {
  return message == WM_COMMAND || (message == WM_SYSCOMMAND && (wParam & 0xFFF0) < SC_SIZE);
}

// The window procedure of every dialog of the library. WM_INITDIALOG carries
// the CDialog being created; everything else goes to the CWnd bound to the
// handle. Framework exceptions end the current handler only, as the message
// loop of a dialog application would: they are reported and the dialog runs on.
LRESULT AfxDlgWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    reinterpret_cast<CDialog*>(lParam)->Attach(hWnd);
  }
  CWnd* wnd = CWnd::FromHandlePermanent(hWnd);
  if (wnd == nullptr) {
    return ::DefDlgProcW(hWnd, message, wParam, lParam);
  }
  LRESULT result = 0;
  try {
    result = wnd->WindowProc(message, wParam, lParam);
  } catch (const CException& e) {
    std::fprintf(stderr, "quorvel: handler stopped by error 0x%08X\n",
                 static_cast<unsigned>(e.GetErrorCode()));
  }
  if (message == WM_NCDESTROY) {
    // The dialog and its controls are gone; unbind every member from them.
    std::vector<CWnd*> bound;
    for (auto& [handle, w] : HandleMap()) {
      if (handle == hWnd || ::GetParent(handle) == hWnd) bound.push_back(w);
    }
    for (CWnd* w : bound) w->Detach();
  }
  return result;
}

}  // namespace

// ---- Exceptions and strings ----

void AfxThrowMemoryException() {
  throw CMemoryException();
}
void AfxThrowOleException(SCODE sc) {
  throw COleException(sc);
}

CString::CString(const char* narrow) {
  if (narrow != nullptr) qv::WidenBy(::MultiByteToWideChar, narrow, m_text);
}

BOOL CString::LoadString(UINT nID) {
  for (int size = 256;; size *= 2) {
    std::wstring buffer(static_cast<std::size_t>(size), L'\0');
    const int length = ::LoadStringW(AfxGetResourceHandle(), nID, buffer.data(), size);
    if (length <= 0) {
      m_text.clear();
      return FALSE;
    }
    if (length < size - 1) {
      buffer.resize(static_cast<std::size_t>(length));
      m_text = std::move(buffer);
      return TRUE;
    }
  }
}

// ---- Message maps ----

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() {
  static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, nullptr, nullptr, nullptr, nullptr}};
  static const AFX_MSGMAP map = {nullptr, &entries[0]};
  return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const {
  return GetThisMessageMap();
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode) {
  for (const AFX_MSGMAP* map = GetMessageMap(); map != nullptr;
       map = map->pfnGetBaseMap != nullptr ? map->pfnGetBaseMap() : nullptr) {
    for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e->nMessage != 0; ++e) {
      if (e->nMessage == WM_COMMAND && e->nID == nID && e->nCode == static_cast<UINT>(nCode)) {
        (this->*(e->pfnVoid))();
        return TRUE;
      }
    }
  }
  return FALSE;
}

// ---- CWnd ----

CWnd::~CWnd() {
  Detach();
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd) {
  auto it = HandleMap().find(hWnd);
  return it != HandleMap().end() ? it->second : nullptr;
}

BOOL CWnd::Attach(HWND hWnd) {
  if (hWnd == nullptr || m_hWnd != nullptr) return FALSE;
  m_hWnd = hWnd;
  HandleMap()[hWnd] = this;
  return TRUE;
}

HWND CWnd::Detach() {
  HWND old = m_hWnd;
  if (old != nullptr) {
    HandleMap().erase(old);
    m_hWnd = nullptr;
    m_sysMenu.m_hMenu = nullptr;
  }
  return old;
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::SendMessageW(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::EnableWindow(BOOL bEnable) {
  return ::EnableWindow(m_hWnd, bEnable);
}

void CWnd::SetRedraw(BOOL bRedraw) {
  ::SendMessageW(m_hWnd, WM_SETREDRAW, static_cast<WPARAM>(bRedraw), 0);
}

void CWnd::Invalidate(BOOL bErase) {
  ::InvalidateRect(m_hWnd, nullptr, bErase);
}

void CWnd::SetWindowText(LPCTSTR lpszString) {
  ::SetWindowTextW(m_hWnd, lpszString);
}

BOOL CWnd::IsIconic() const {
  return ::IsIconic(m_hWnd);
}

void CWnd::GetClientRect(RECT* lpRect) const {
  ::GetClientRect(m_hWnd, lpRect);
}

void CWnd::DragAcceptFiles(BOOL bAccept) {
  ::DragAcceptFiles(m_hWnd, bAccept);
}

BOOL CWnd::PreTranslateMessage(MSG*) {
  return FALSE;
}

int CListBox::GetCurSel() const {
  return static_cast<int>(::SendMessageW(m_hWnd, LB_GETCURSEL, 0, 0));
}

int CListBox::GetCount() const {
  return static_cast<int>(::SendMessageW(m_hWnd, LB_GETCOUNT, 0, 0));
}

int CListBox::SetTopIndex(int nIndex) {
  return static_cast<int>(::SendMessageW(m_hWnd, LB_SETTOPINDEX, static_cast<WPARAM>(nIndex), 0));
}

void AfxPumpWaitingMessages(CWnd& dialog, DWORD waitMilliseconds) {
  ::PumpWaitingMessagesW(dialog.GetSafeHwnd(), waitMilliseconds);
}

CMenu* CWnd::GetSystemMenu(BOOL bRevert) {
  m_sysMenu.m_hMenu = ::GetSystemMenu(m_hWnd, bRevert);
  return m_sysMenu.m_hMenu != nullptr ? &m_sysMenu : nullptr;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  const CurrentMessage saved = m_current;
  m_current = {message, wParam, lParam};
  struct Restore {
    CurrentMessage& slot;
    CurrentMessage value;
    ~Restore() { slot = value; }
  } restore{m_current, saved};
  LRESULT result = 0;
  if (!OnWndMsg(message, wParam, lParam, &result)) {
    result = DefWindowProc(message, wParam, lParam);
  }
  return result;
}

LRESULT CWnd::Default() {
  return DefWindowProc(m_current.message, m_current.wParam, m_current.lParam);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  if (IsProgramCommand(message, wParam) && !::IsWindowEnabled(m_hWnd)) {
    *pResult = 0;
    return TRUE;
  }
  if (message == WM_DROPFILES && !::IsWindowEnabled(m_hWnd)) {
    ::DragFinish(reinterpret_cast<HDROP>(wParam));
    *pResult = 0;
    return TRUE;
  }
  if (message == WM_FORWARDMSG) {
    *pResult = lParam != 0 ? PreTranslateMessage(reinterpret_cast<MSG*>(lParam)) : FALSE;
    return TRUE;
  }
  if (message == WM_COMMAND) {
    return OnCmdMsg(LOWORD(wParam), HIWORD(wParam));
  }
  for (const AFX_MSGMAP* map = GetMessageMap(); map != nullptr;
       map = map->pfnGetBaseMap != nullptr ? map->pfnGetBaseMap() : nullptr) {
    for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e->nMessage != 0; ++e) {
      if (e->nMessage != message) continue;
      if (e->pfnSysCommand != nullptr) {
        (this->*(e->pfnSysCommand))(static_cast<UINT>(wParam), lParam);
        *pResult = 0;
      } else if (e->pfnQueryDragIcon != nullptr) {
        *pResult = reinterpret_cast<LRESULT>((this->*(e->pfnQueryDragIcon))());
      } else if (e->pfnDropFiles != nullptr) {
        (this->*(e->pfnDropFiles))(reinterpret_cast<HDROP>(wParam));
        *pResult = 0;
      } else {
        (this->*(e->pfnVoid))();
        *pResult = 0;
      }
      return TRUE;
    }
  }
  return FALSE;
}

void CWnd::DoDataExchange(CDataExchange*) {}

void CWnd::OnSysCommand(UINT, LPARAM) {
  Default();
}

void CWnd::OnPaint() {
  Default();
}

void CWnd::OnDropFiles(HDROP) {
  Default();
}

BOOL CMenu::AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, LPCTSTR lpszNewItem) {
  return ::AppendMenuW(m_hMenu, nFlags, nIDNewItem, lpszNewItem);
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
  if (rControl.m_hWnd != nullptr) return;
  rControl.Attach(::GetDlgItem(pDX->m_pDlgWnd->m_hWnd, nIDC));
}

// ---- Dialogs ----

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, &CDialog::OnOK)
ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
END_MESSAGE_MAP()

BEGIN_MESSAGE_MAP(CDialogEx, CDialog)
END_MESSAGE_MAP()

INT_PTR CDialog::DoModal() {
  const DialogTemplate* tmpl = FindDialogTemplate(m_nIDTemplate);
  if (tmpl == nullptr) return -1;
  HWND owner = ModalOwner(m_pParentWnd, this);
  m_hWndDisabledOwner = DisableOwner(owner);
  const INT_PTR result = ::DialogBoxTemplateW(AfxGetResourceHandle(), *tmpl, owner, &AfxDlgWndProc,
                                              reinterpret_cast<LPARAM>(this));
  EnableOwner();  // when the box ended other than through EndDialog, or never ran
  Detach();
  return result;
}

void CDialog::EnableOwner() {
  if (m_hWndDisabledOwner == nullptr) return;
  ::EnableWindow(m_hWndDisabledOwner, TRUE);
  m_hWndDisabledOwner = nullptr;
}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate) {
  CDataExchange dx(this, bSaveAndValidate);
  DoDataExchange(&dx);
  return TRUE;
}

void CDialog::EndDialog(int nResult) {
  EnableOwner();
  ::EndDialog(m_hWnd, nResult);
}

void CDialog::OnOK() {
  if (UpdateData(TRUE)) EndDialog(IDOK);
}

void CDialog::GotoDlgCtrl(CWnd* pWndCtrl) {
  ::SendMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(pWndCtrl->GetSafeHwnd()), TRUE);
}

void CDialog::OnCancel() {
  EndDialog(IDCANCEL);
}

BOOL CDialog::OnCmdMsg(UINT nID, int nCode) {
  if (CWnd::OnCmdMsg(nID, nCode)) return TRUE;
  // Commands the dialog does not handle get a last chance at the application.
  CWinApp* app = AfxGetApp();
  return app != nullptr ? app->OnCmdMsg(nID, nCode) : FALSE;
}

BOOL CDialog::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  if (message == WM_INITDIALOG) {
    *pResult = OnInitDialog();
    return TRUE;
  }
  return CWnd::OnWndMsg(message, wParam, lParam, pResult);
}

LRESULT CDialog::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::DefDlgProcW(m_hWnd, message, wParam, lParam);
}

// ---- Painting ----

CPaintDC::CPaintDC(CWnd* pWnd) : m_hWnd(pWnd->m_hWnd) {
  m_hDC = ::BeginPaint(m_hWnd, &m_ps);
}

CPaintDC::~CPaintDC() {
  ::EndPaint(m_hWnd, &m_ps);
}

// ---- File dialog ----

CFileDialog::CFileDialog(BOOL, LPCTSTR lpszDefExt, LPCTSTR lpszFileName, DWORD dwFlags,
                         LPCTSTR lpszFilter, CWnd* pParentWnd, DWORD dwSize, BOOL)
    : m_pParentWnd(pParentWnd) {
  if (lpszFilter != nullptr) {
    m_filter = lpszFilter;
    for (wchar_t& c : m_filter) {
      if (c == L'|') c = L'\0';
    }
  }
  if (lpszDefExt != nullptr) m_defExt = lpszDefExt;
  m_fileName.assign(260, L'\0');
  if (lpszFileName != nullptr)
    m_fileName.replace(0, 259, std::wstring(lpszFileName).substr(0, 259));
  m_ofn.lStructSize = dwSize != 0 ? dwSize : static_cast<DWORD>(sizeof(OPENFILENAMEW));
  m_ofn.lpstrFilter = m_filter.empty() ? nullptr : m_filter.c_str();
  m_ofn.lpstrFile = m_fileName.data();
  m_ofn.nMaxFile = static_cast<DWORD>(m_fileName.size());
  m_ofn.lpstrTitle = nullptr;
  m_ofn.Flags = dwFlags | OFN_EXPLORER;
  m_ofn.lpstrDefExt = m_defExt.empty() ? nullptr : m_defExt.c_str();
}

INT_PTR CFileDialog::DoModal() {
  m_ofn.hwndOwner = ModalOwner(m_pParentWnd, nullptr);
  HWND disabled = DisableOwner(m_ofn.hwndOwner);
  m_overflow.clear();
  const BOOL chosen = ::ChooseOpenFilesW(&m_ofn, &CFileDialog::KeepOverflow, this);
  if (disabled != nullptr) ::EnableWindow(disabled, TRUE);
  if (!chosen) m_overflow.clear();
  return chosen ? IDOK : IDCANCEL;
}

void CFileDialog::KeepOverflow(void* self, LPCWSTR path) {
  static_cast<CFileDialog*>(self)->m_overflow.emplace_back(path);
}

// A position in the kept selection points at its path; one in the buffer
// points into the buffer.
POSITION CFileDialog::GetStartPosition() const {
  if (!m_overflow.empty()) {
    return reinterpret_cast<POSITION>(const_cast<std::wstring*>(m_overflow.data()));
  }
  if (m_ofn.lpstrFile == nullptr || m_ofn.lpstrFile[0] == L'\0') return nullptr;
  return reinterpret_cast<POSITION>(m_ofn.lpstrFile);
}

// The buffer holds either one full path, or (multiple selection) a folder
// followed by names, each NUL-terminated, ended by an empty string. A name
// that is itself absolute is returned as it is.
CString CFileDialog::GetNextPathName(POSITION& pos) const {
  if (pos == nullptr) return CString();
  if (!m_overflow.empty()) {
    const auto* kept = reinterpret_cast<const std::wstring*>(pos);
    const std::size_t next = static_cast<std::size_t>(kept - m_overflow.data()) + 1;
    pos = next < m_overflow.size()
              ? reinterpret_cast<POSITION>(const_cast<std::wstring*>(&m_overflow[next]))
              : nullptr;
    return CString(kept->c_str());
  }
  const wchar_t* p = reinterpret_cast<const wchar_t*>(pos);
  if (p == m_ofn.lpstrFile) {
    const std::wstring first(p);
    const wchar_t* next = p + first.size() + 1;
    if ((m_ofn.Flags & OFN_ALLOWMULTISELECT) == 0 || *next == L'\0') {
      pos = nullptr;
      return CString(first.c_str());
    }
    p = next;
  }
  const std::wstring folder(m_ofn.lpstrFile);
  const std::wstring name(p);
  const wchar_t* next = p + name.size() + 1;
  pos = *next == L'\0' ? nullptr : reinterpret_cast<POSITION>(const_cast<wchar_t*>(next));
  if (IsAbsolutePath(name) || folder.empty()) return CString(name.c_str());
  return CString(JoinPath(folder, name).c_str());
}

// ---- Application ----

CWinApp::CWinApp(LPCTSTR) {
  g_app = this;
}

CWinApp::~CWinApp() {
  if (g_app == this) g_app = nullptr;
}

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
END_MESSAGE_MAP()

BOOL CWinApp::InitInstance() {
  return TRUE;
}

int CWinApp::ExitInstance() {
  return 0;
}

void CWinApp::SetRegistryKey(LPCTSTR lpszRegistryKey) {
  // Only names where framework settings would live; nothing is ever stored.
  m_registryKey = lpszRegistryKey != nullptr ? lpszRegistryKey : L"";
}

HICON CWinApp::LoadIcon(UINT nIDResource) const {
  return ::LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(nIDResource));
}

// There is no help system; the command is accepted and does nothing.
void CWinApp::OnHelp() {}

CWinApp* AfxGetApp() {
  return g_app;
}

HINSTANCE AfxGetResourceHandle() {
  return ::GetModuleHandleW(nullptr);
}

// No ActiveX hosting exists on this platform; nothing depends on it.
void AfxEnableControlContainer(void*) {}

int AfxWinMain() {
  CWinApp* app = AfxGetApp();
  if (app == nullptr) return -1;
  // A dialog application does its work inside InitInstance and returns
  // FALSE; there is no message pump to run afterwards either way.
  app->InitInstance();
  return app->ExitInstance();
}

const CRuntimeClass CMFCVisualManagerWindows::classCMFCVisualManagerWindows = {
    "CMFCVisualManagerWindows"};

void CMFCVisualManager::SetDefaultManager(const CRuntimeClass* pRTI) {
  g_visualManager = pRTI;
}

const CRuntimeClass* CMFCVisualManager::GetDefaultManager() {
  return g_visualManager;
}

// ---- Resource lookup ----

const DialogTemplate* FindDialogTemplate(UINT id) {
  for (const DialogTemplate& t : ProgramResources().dialogs) {
    if (t.id == id) return &t;
  }
  return nullptr;
}

const StringResource* FindStringResource(UINT id) {
  for (const StringResource& s : ProgramResources().strings) {
    if (s.id == id) return &s;
  }
  return nullptr;
}

const IconResource* FindIconResource(UINT id) {
  for (const IconResource& i : ProgramResources().icons) {
    if (i.id == id) return &i;
  }
  return nullptr;
}
