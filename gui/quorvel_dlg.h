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

  void OnSysCommand(UINT nID, LPARAM lParam);
  void OnPaint();
  HCURSOR OnQueryDragIcon();
  void OnBnClickedLoad();
  void OnBnClickedExtract();
  void OnBnClickedSaveBeside();
  void OnBnClickedSortByName();
  void OnBnClickedAnalyzeConnector();

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
};

#endif  // QUORVEL_GUI_QUORVEL_DLG_H_
