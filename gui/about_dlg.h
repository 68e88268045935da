// The About box.
#ifndef QUORVEL_GUI_ABOUT_DLG_H_
#define QUORVEL_GUI_ABOUT_DLG_H_

#include "platform/afx/afx.h"

class CAboutDlg : public CDialogEx {
 public:
  CAboutDlg();

 protected:
  void DoDataExchange(CDataExchange* pDX) override;

  DECLARE_MESSAGE_MAP()
};

#endif  // QUORVEL_GUI_ABOUT_DLG_H_
