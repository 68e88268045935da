#include "gui/quorvel_dlg.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <deque>
#include <mutex>
#include <thread>

#include "engine/file_ops.h"
#include "gui/about_dlg.h"
#include "gui/job_capture.h"
#include "gui/path_narrowing.h"
#include "gui/resources/resource.h"
#include "job/folder_walk.h"
#include "job/run_batch.h"
#include "report/report_file.h"

namespace {

// How long the batch's loop waits for the dialog's next message before it
// looks for finished files again.
constexpr DWORD kPumpMilliseconds = 20;

// Finished lines are shown together at most this often while the worker
// goes on: each showing costs the dialog's thread a repaint, and a line per
// quick file would keep it busy with little gain to the eye.
constexpr auto kShowEvery = std::chrono::milliseconds(100);

// The selection buffer of the open dialog, in wide characters.
constexpr DWORD kSelectionChars = 2562;

// Keeps only the checked bit of a check box's state: 0 or 1.
std::int32_t CheckedFlag(CButton& box) {
  return ::SendMessageW(box.GetSafeHwnd(), BM_GETSTATE, 0, 0) & BST_CHECKED ? 1 : 0;
}

// The full path of the report of `model`'s job, taken when the job has run: a
// report beside the extractor lands in the current folder of that moment.
CString FullReportPath(const std::string& model, std::int32_t saveBesideExtractor) {
  const CString report(ReportPath(model, saveBesideExtractor).c_str());
  const DWORD needed = ::GetFullPathNameW(report, 0, nullptr, nullptr);
  if (needed == 0) return report;
  std::vector<wchar_t> full(needed + 1, L'\0');
  const DWORD written =
      ::GetFullPathNameW(report, static_cast<DWORD>(full.size()), full.data(), nullptr);
  return written == 0 || written >= full.size() ? report : CString(full.data());
}

// The text control `id` of dialog template `dialog` starts with.
CString TemplateText(UINT dialog, int id) {
  if (const DialogTemplate* t = FindDialogTemplate(dialog)) {
    for (const DialogItem& item : t->items) {
      if (item.id == id) return CString(item.text);
    }
  }
  return CString();
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
  DDX_Control(pDX, IDC_TEXT_INFO, m_textInfo);
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
ON_WM_DROPFILES()
ON_LBN_DBLCLK(IDC_LIST_STATUS, &CQuorvelDlg::OnLbnDblclkStatus)
ON_LBN_SELCHANGE(IDC_LIST_STATUS, &CQuorvelDlg::OnLbnSelchangeStatus)
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
  m_lines.clear();
  m_credit = TemplateText(IDD_QUORVEL_DIALOG, IDC_TEXT_INFO);
  m_saveBesideExtractor = 0;
  m_sortByName = 0;
  m_analyzeConnector = 0;

  // The whole dialog takes drops; the list hands them on rather than keeping
  // them, as its template's accept-files style would.
  DragAcceptFiles(TRUE);
  m_listStatus.DragAcceptFiles(FALSE);

  return TRUE;
}

void CQuorvelDlg::OnSysCommand(UINT nID, LPARAM lParam) {
  if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
    // Not while a batch runs: the box's own loop would hold the batch.
    if (m_batchRunning) return;
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

  BeginLoad();
  POSITION pos = dlg.GetStartPosition();
  while (pos != nullptr) {
    const CString path = dlg.GetNextPathName(pos);
    m_fileQueue.push_back(NarrowPath(path));
  }
}

void CQuorvelDlg::OnDropFiles(HDROP hDropInfo) {
  // Released however the load ends, a path that cannot be narrowed included.
  struct Release {
    HDROP drop;
    ~Release() { ::DragFinish(drop); }
  } release{hDropInfo};
  if (m_batchRunning) return;  // the queue is in work
  const UINT count = ::DragQueryFileW(hDropInfo, 0xFFFFFFFF, nullptr, 0);
  BeginLoad();
  for (UINT i = 0; i < count; ++i) {
    std::vector<wchar_t> path(::DragQueryFileW(hDropInfo, i, nullptr, 0) + 1, L'\0');
    ::DragQueryFileW(hDropInfo, i, path.data(), static_cast<UINT>(path.size()));
    QueueDropped(path.data());
  }
}

void CQuorvelDlg::BeginLoad() {
  m_fileQueue.clear();
  ::SendMessageW(m_listStatus.GetSafeHwnd(), LB_RESETCONTENT, 0, 0);
  m_lines.clear();
  m_textInfo.SetWindowText(m_credit);
  m_btnExtract.EnableWindow(TRUE);
}

void CQuorvelDlg::QueueDropped(LPCWSTR path) {
  // quorvel-cli --recursive's rule: a folder (followed if it is a link) is
  // every model below it, in byte order, links below it not followed. A
  // folder that cannot be read adds what could be read; the dialog shows no
  // message of its own.
  std::vector<std::string> unreadable;
  const std::vector<std::string> models = ExpandFolders({NarrowPath(path)}, true, unreadable);
  m_fileQueue.insert(m_fileQueue.end(), models.begin(), models.end());
}

void CQuorvelDlg::OnBnClickedExtract() {
  // While a batch runs the button reads "Stop".
  if (m_batchRunning) {
    m_stopAsked = true;
    return;
  }
  if (m_fileQueue.empty()) {
    m_btnExtract.EnableWindow(FALSE);
    return;
  }
  m_batchRunning = true;
  m_stopAsked = false;
  EnableForBatch(true);
  const ExtractOptions options{m_sortByName, m_saveBesideExtractor, m_analyzeConnector};
  const std::size_t total = m_fileQueue.size();

  // One worker calls the engine for one file after another, in queue order,
  // and hands each finished line over; the dialog's thread only shows them
  // and keeps handling its messages, so that no file, however slow, holds
  // the dialog. A stop is seen by the worker before its next file.
  struct Finished {
    std::string path;
    std::string line;
    CapturedJob job;
  };
  std::mutex handoff;
  std::vector<Finished> ready;  // under `handoff`
  bool workerDone = false;      // under `handoff`
  std::atomic<bool> stop{false};
  std::thread worker([&, queue = m_fileQueue] {
    ReasonFileOps files(FileOps::Default());
    for (const std::string& model : queue) {
      if (stop) break;
      Finished finished;
      finished.path = model;
      RunBatch(
          {model},
          [&](const std::string& path) {
            finished.job = RunCapturedJob(files, path, options, stdout);
            return finished.job.result;
          },
          [&](const std::string& line) { finished.line = line; });
      const std::lock_guard<std::mutex> hold(handoff);
      ready.push_back(std::move(finished));
    }
    const std::lock_guard<std::mutex> hold(handoff);
    workerDone = true;
  });

  std::size_t done = 0;
  bool workerEnded = false;
  std::deque<Finished> pending;  // handed over, not shown yet
  auto nextShow = std::chrono::steady_clock::now();
  ShowInfo("file 1 of " + std::to_string(total));
  // Lines wait to be shown; once the worker has ended, without the pause.
  const auto showDue = [&] {
    return !pending.empty() && (workerEnded || std::chrono::steady_clock::now() >= nextShow);
  };
  // Until the worker has ended and every line it handed over is shown.
  while (!workerEnded || !pending.empty()) {
    AfxPumpWaitingMessages(*this, showDue() ? 0 : kPumpMilliseconds);
    if (m_stopAsked) stop = true;
    {
      const std::lock_guard<std::mutex> hold(handoff);
      for (Finished& file : ready) pending.push_back(std::move(file));
      ready.clear();
      workerEnded = workerDone;
    }
    if (!showDue()) continue;
    const auto now = std::chrono::steady_clock::now();
    nextShow = now + kShowEvery;
    // Lines are shown for at most kPumpMilliseconds at a time: a burst of
    // quick files must not keep the dialog from its messages either.
    const auto until = now + std::chrono::milliseconds(kPumpMilliseconds);
    const std::size_t before = done;
    LRESULT newest = LB_ERR;
    // The list redraws once for the group: under Wine each line added while
    // it redraws costs a scroll-bar update and a repaint of its own, several
    // milliseconds of the dialog's thread and of the Wine server that the
    // worker's file calls wait for.
    m_listStatus.SetRedraw(FALSE);
    while (!pending.empty() && std::chrono::steady_clock::now() < until) {
      Finished file = std::move(pending.front());
      pending.pop_front();
      LineInfo line;
      line.log = std::move(file.job.log);
      if (file.job.result == ExtractResult::Completed) {
        line.report = FullReportPath(file.path, m_saveBesideExtractor);
      }
      m_lines.push_back(std::move(line));
      const CString wideLine(file.line.c_str());
      newest = ::SendMessageW(m_listStatus.GetSafeHwnd(), LB_ADDSTRING, 0,
                              reinterpret_cast<LPARAM>(wideLine.GetString()));
      ++done;
    }
    m_listStatus.SetRedraw(TRUE);
    m_listStatus.Invalidate();
    if (newest >= 0) m_listStatus.SetTopIndex(static_cast<int>(newest));
    if (done != before && done < total) {
      ShowInfo("file " + std::to_string(done + 1) + " of " + std::to_string(total));
    }
  }
  worker.join();
  for (std::string& path : m_fileQueue) path.clear();
  m_fileQueue.clear();
  m_batchRunning = false;
  EnableForBatch(false);
  m_btnExtract.EnableWindow(FALSE);
  if (done < total) {
    ShowInfo("stopped after file " + std::to_string(done) + " of " + std::to_string(total));
  } else {
    m_textInfo.SetWindowText(m_credit);
  }
}

void CQuorvelDlg::EnableForBatch(bool running) {
  // The focus goes where the keys act next, before the control that has it
  // can be disabled under it: Stop while the batch runs, then the lines.
  m_btnExtract.SetWindowText(running ? L"Stop" : L"Extract!");
  GotoDlgCtrl(running ? static_cast<CWnd*>(&m_btnExtract) : &m_listStatus);
  for (CButton* control :
       {&m_btnLoad, &m_chkSortByName, &m_chkSaveBeside, &m_chkAnalyzeConnector}) {
    control->EnableWindow(running ? FALSE : TRUE);
  }
}

void CQuorvelDlg::ShowInfo(const std::string& text) {
  m_textInfo.SetWindowText(CString(text.c_str()));
}

void CQuorvelDlg::OnCancel() {
  if (m_batchRunning) {
    m_stopAsked = true;
    return;
  }
  CDialogEx::OnCancel();
}

void CQuorvelDlg::OnOK() {
  if (m_batchRunning) return;
  CDialogEx::OnOK();
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

void CQuorvelDlg::OnLbnDblclkStatus() {
  OpenReportOfLine(m_listStatus.GetCurSel());
}

void CQuorvelDlg::OnLbnSelchangeStatus() {
  const int line = m_listStatus.GetCurSel();
  if (line < 0 || static_cast<std::size_t>(line) >= m_lines.size()) return;
  ShowInfo(OneLine(m_lines[static_cast<std::size_t>(line)].log));
}

BOOL CQuorvelDlg::PreTranslateMessage(MSG* pMsg) {
  if (pMsg->message == WM_KEYDOWN && pMsg->wParam == VK_RETURN &&
      pMsg->hwnd == m_listStatus.GetSafeHwnd()) {
    // With no line selected, Enter keeps its meaning: the default button.
    const int line = m_listStatus.GetCurSel();
    if (line != LB_ERR) {
      OpenReportOfLine(line);
      return TRUE;
    }
  }
  return CDialogEx::PreTranslateMessage(pMsg);
}

void CQuorvelDlg::OpenReportOfLine(int line) {
  if (line < 0 || static_cast<std::size_t>(line) >= m_lines.size()) return;
  const LineInfo& info = m_lines[static_cast<std::size_t>(line)];
  if (info.report.IsEmpty()) return;
  // A report deleted since its batch is said so under the list; a handler
  // that fails speaks for itself.
  const auto result = reinterpret_cast<ULONG_PTR>(
      ::ShellExecuteW(m_hWnd, L"open", info.report, nullptr, nullptr, SW_SHOWNORMAL));
  if (result == SE_ERR_FNF || result == SE_ERR_PNF) {
    const std::wstring text = std::wstring(L"report not found: ") + info.report.GetString();
    m_textInfo.SetWindowText(text.c_str());
  }
}
