// The main dialog: the file queue, the three options, the batch and its status list.
#ifndef QUORVEL_GUI_QUORVEL_DLG_H_
#define QUORVEL_GUI_QUORVEL_DLG_H_

#include <cstdint>
#include <string>
#include <vector>

#include "platform/afx.h"

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

  // What a load does once it has its selection, before reading the paths.
  void BeginLoad();
  // Queues one dropped path; a folder stands for the models below it.
  void QueueDropped(LPCWSTR path);
  // Hands the report of status line `line` to the system's handler, when the
  // line says "completed".
  void OpenReportOfLine(int line);

  HICON m_hIcon;
  CButton m_btnLoad;
  CButton m_btnExtract;
  CListBox m_listStatus;
  CButton m_chkSortByName;
  CButton m_chkSaveBeside;
  CButton m_chkAnalyzeConnector;
  std::int32_t m_saveBesideExtractor = 0;
  std::int32_t m_sortByName = 0;
  std::int32_t m_analyzeConnector = 0;
  std::vector<std::string> m_fileQueue;
  // Per status line, in list order: the full path of the report its job wrote,
  // or nothing for a "failed" line.
  std::vector<CString> m_lineReports;
};

#endif  // QUORVEL_GUI_QUORVEL_DLG_H_
