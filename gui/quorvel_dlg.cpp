#include "gui/quorvel_dlg.h"

#include "engine/extract_job.h"
#include "gui/about_dlg.h"
#include "gui/path_narrowing.h"
#include "gui/resources/resource.h"
#include "report/status_line.h"

namespace {

// The selection buffer of the open dialog, in wide characters.
constexpr DWORD kSelectionChars = 2562;

// Keeps only the checked bit of a check box's state: 0 or 1.
std::int32_t CheckedFlag(CButton& box) {
  return ::SendMessageW(box.GetSafeHwnd(), BM_GETSTATE, 0, 0) & BST_CHECKED ? 1 : 0;
}

}  // namespace

CQuorvelDlg::CQuorvelDlg(CWnd* pParent) : CDialogEx(IDD_QUORVEL_DIALOG, pParent) {
  m_hIcon = AfxGetApp()->LoadIcon(IDR_MAINFRAME);
}

void CQuorvelDlg::DoDataExchange(CDataExchange* pDX) {
  CDialogEx::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_BUTTON_LOAD, m_btnLoad);
  DDX_Control(pDX, IDC_BUTTON_EXTRACT, m_btnExtract);
  DDX_Control(pDX, IDC_LIST_STATUS, m_listStatus);
  DDX_Control(pDX, IDC_CHECK_SORT_BY_NAME, m_chkSortByName);
  DDX_Control(pDX, IDC_CHECK_SAVE_BESIDE, m_chkSaveBeside);
  DDX_Control(pDX, IDC_CHECK_ANALYZE_CONNECTOR, m_chkAnalyzeConnector);
}

BEGIN_MESSAGE_MAP(CQuorvelDlg, CDialogEx)
ON_WM_SYSCOMMAND()
ON_WM_PAINT()
ON_WM_QUERYDRAGICON()
ON_BN_CLICKED(IDC_BUTTON_LOAD, &CQuorvelDlg::OnBnClickedLoad)
ON_BN_CLICKED(IDC_BUTTON_EXTRACT, &CQuorvelDlg::OnBnClickedExtract)
ON_BN_CLICKED(IDC_CHECK_SAVE_BESIDE, &CQuorvelDlg::OnBnClickedSaveBeside)
ON_BN_CLICKED(IDC_CHECK_SORT_BY_NAME, &CQuorvelDlg::OnBnClickedSortByName)
ON_BN_CLICKED(IDC_CHECK_ANALYZE_CONNECTOR, &CQuorvelDlg::OnBnClickedAnalyzeConnector)
END_MESSAGE_MAP()

BOOL CQuorvelDlg::OnInitDialog() {
  CDialogEx::OnInitDialog();

  CMenu* pSysMenu = GetSystemMenu(FALSE);
  if (pSysMenu != nullptr) {
    CString strAboutMenu;
    strAboutMenu.LoadString(IDS_ABOUTBOX);
    if (!strAboutMenu.IsEmpty()) {
      pSysMenu->AppendMenu(MF_SEPARATOR);
      pSysMenu->AppendMenu(MF_STRING, IDM_ABOUTBOX, strAboutMenu);
    }
  }

  SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
  SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

  m_btnExtract.EnableWindow(FALSE);
  m_fileQueue.clear();
  m_saveBesideExtractor = 0;
  m_sortByName = 0;
  m_analyzeConnector = 0;

  return TRUE;
}

void CQuorvelDlg::OnSysCommand(UINT nID, LPARAM lParam) {
  if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
    CAboutDlg dlgAbout;
    dlgAbout.DoModal();
  } else {
    CDialogEx::OnSysCommand(nID, lParam);
  }
}

void CQuorvelDlg::OnPaint() {
  if (IsIconic()) {
    CPaintDC dc(this);

    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);

    const int cxIcon = GetSystemMetrics(SM_CXICON);
    const int cyIcon = GetSystemMetrics(SM_CYICON);
    CRect rect;
    GetClientRect(&rect);
    const int x = (rect.Width() - cxIcon + 1) / 2;
    const int y = (rect.Height() - cyIcon + 1) / 2;

    dc.DrawIcon(x, y, m_hIcon);
  } else {
    CDialogEx::OnPaint();
  }
}

HCURSOR CQuorvelDlg::OnQueryDragIcon() {
  return static_cast<HCURSOR>(m_hIcon);
}

void CQuorvelDlg::OnBnClickedLoad() {
  CFileDialog dlg(TRUE, L"tav", nullptr, OFN_ALLOWMULTISELECT, L"Rule Profile (*.tav)|*.tav*||",
                  nullptr, 0, TRUE);
  std::vector<wchar_t> selection(kSelectionChars, L'\0');
  dlg.GetOFN().lpstrFile = selection.data();
  dlg.GetOFN().nMaxFile = kSelectionChars;
  if (dlg.DoModal() != IDOK) return;

  m_fileQueue.clear();
  ::SendMessageW(m_listStatus.GetSafeHwnd(), LB_RESETCONTENT, 0, 0);
  m_btnExtract.EnableWindow(TRUE);

  POSITION pos = dlg.GetStartPosition();
  while (pos != nullptr) {
    const CString path = dlg.GetNextPathName(pos);
    m_fileQueue.push_back(NarrowPath(path));
  }
}

void CQuorvelDlg::OnBnClickedExtract() {
  if (m_fileQueue.empty()) {
    m_btnExtract.EnableWindow(FALSE);
    return;
  }
  RunBatch(
      m_fileQueue,
      [this](const std::string& path) {
        return ExtractModelArgs(path.c_str(), m_sortByName, m_saveBesideExtractor,
                                m_analyzeConnector);
      },
      [this](const std::string& line) {
        const CString wideLine(line.c_str());
        ::SendMessageW(m_listStatus.GetSafeHwnd(), LB_ADDSTRING, 0,
                       reinterpret_cast<LPARAM>(wideLine.GetString()));
      });
  for (std::string& path : m_fileQueue) path.clear();
  m_fileQueue.clear();
  m_btnExtract.EnableWindow(FALSE);
}

void CQuorvelDlg::OnBnClickedSaveBeside() {
  m_saveBesideExtractor = CheckedFlag(m_chkSaveBeside);
}

void CQuorvelDlg::OnBnClickedSortByName() {
  m_sortByName = CheckedFlag(m_chkSortByName);
}

void CQuorvelDlg::OnBnClickedAnalyzeConnector() {
  m_analyzeConnector = CheckedFlag(m_chkAnalyzeConnector);
}
