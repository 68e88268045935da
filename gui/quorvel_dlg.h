// The main dialog: the file queue, the three options, the batch and its status list.
#ifndef QUORVEL_GUI_QUORVEL_DLG_H_
#define QUORVEL_GUI_QUORVEL_DLG_H_

#include <cstdint>
#include <string>
#include <vector>

#include "platform/afx/afx.h"

class CQuorvelDlg : public CDialogEx {
 public:
  explicit CQuorvelDlg(CWnd* pParent = nullptr);
  ~CQuorvelDlg() override = default;

  DECLARE_MESSAGE_MAP()

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  // Enter on the selected line of the status list opens its report.
  BOOL PreTranslateMessage(MSG* pMsg) override;

  void OnSysCommand(UINT nID, LPARAM lParam);
  void OnPaint();
  HCURSOR OnQueryDragIcon();
  void OnBnClickedLoad();
  void OnBnClickedExtract();
  void OnBnClickedSaveBeside();
  void OnBnClickedSortByName();
  void OnBnClickedAnalyzeConnector();
  // Files dropped anywhere on the dialog are a load of those files.
  void OnDropFiles(HDROP hDropInfo);
  void OnLbnDblclkStatus();
  void OnLbnSelchangeStatus();
  // Esc and the close button: during a batch they stop it, else they close.
  void OnCancel() override;
  void OnOK() override;

  // What a load does once it has its selection, before reading the paths.
  void BeginLoad();
  // Queues one dropped path; a folder stands for the models below it.
  void QueueDropped(LPCWSTR path);
  // Hands the report of status line `line` to the system's handler, when the
  // line says "completed".
  void OpenReportOfLine(int line);
  // The one-line text under the list.
  void ShowInfo(const std::string& text);
  // While a batch runs only the status list and the Stop button take input.
  void EnableForBatch(bool running);

  HICON m_hIcon;
  CButton m_btnLoad;
  CButton m_btnExtract;
  CListBox m_listStatus;
  CButton m_chkSortByName;
  CButton m_chkSaveBeside;
  CButton m_chkAnalyzeConnector;
  CWnd m_textInfo;
  std::int32_t m_saveBesideExtractor = 0;
  std::int32_t m_sortByName = 0;
  std::int32_t m_analyzeConnector = 0;
  std::vector<std::string> m_fileQueue;
  // Per status line, in list order.
  struct LineInfo {
    CString report;   // the full path of the report its job wrote; empty when failed
    std::string log;  // the job's lines (gui/job_capture.h)
  };
  std::vector<LineInfo> m_lines;
  // A batch runs (between files it handles the dialog's messages); a stop
  // asked ends it after the file in work.
  bool m_batchRunning = false;
  bool m_stopAsked = false;
  CString m_credit;  // the text under the list when it has nothing to say
};

#endif  // QUORVEL_GUI_QUORVEL_DLG_H_
