// The program entry of a dialog application. The command line is not read.
#include "platform/afx/afx.h"

int main() {
  return AfxWinMain();
}
