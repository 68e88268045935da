#include "gui/quorvel_app.h"

#include "gui/quorvel_dlg.h"

BEGIN_MESSAGE_MAP(CQuorvelApp, CWinApp)
ON_COMMAND(ID_HELP, &CWinApp::OnHelp)
END_MESSAGE_MAP()

CQuorvelApp::CQuorvelApp() { m_dwRestartManagerSupportFlags = AFX_RESTART_MANAGER_SUPPORT_RESTART; }

BOOL CQuorvelApp::InitInstance() {
  INITCOMMONCONTROLSEX initCtrls;
  initCtrls.dwSize = sizeof(initCtrls);
  initCtrls.dwICC = ICC_WIN95_CLASSES;
  InitCommonControlsEx(&initCtrls);

  CWinApp::InitInstance();

  AfxEnableControlContainer(nullptr);

  CShellManager* pShellManager = new (std::nothrow) CShellManager;

  CMFCVisualManager::SetDefaultManager(RUNTIME_CLASS(CMFCVisualManagerWindows));

  SetRegistryKey(L"Local AppWizard-Generated Applications");

  {
    CQuorvelDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();

    delete pShellManager;
    m_pMainWnd = nullptr;
  }

  // The dialog has closed: end the program rather than start a message pump.
  return FALSE;
}
