// The application object: runs the main dialog and ends the program with it.
#ifndef QUORVEL_GUI_QUORVEL_APP_H_
#define QUORVEL_GUI_QUORVEL_APP_H_

#include "platform/afx/afx.h"

class CQuorvelApp : public CWinApp {
 public:
  CQuorvelApp();
  ~CQuorvelApp() override = default;

 protected:
  DECLARE_MESSAGE_MAP()

 public:
  BOOL InitInstance() override;
};

#endif  // QUORVEL_GUI_QUORVEL_APP_H_
