// Resource and control ids of the program.
#ifndef QUORVEL_GUI_RESOURCES_RESOURCE_H_
#define QUORVEL_GUI_RESOURCES_RESOURCE_H_

constexpr unsigned IDD_ABOUTBOX = 100;
constexpr unsigned IDS_ABOUTBOX = 101;
constexpr unsigned IDD_QUORVEL_DIALOG = 102;
constexpr unsigned IDR_MAINFRAME = 134;

constexpr unsigned IDM_ABOUTBOX = 0x0010;  // system command of the About entry

constexpr int IDC_STATIC = -1;
constexpr int IDC_BUTTON_EXTRACT = 3;
constexpr int IDC_BUTTON_LOAD = 1000;
constexpr int IDC_LIST_STATUS = 1004;
constexpr int IDC_CHECK_SORT_BY_NAME = 1009;
constexpr int IDC_CHECK_SAVE_BESIDE = 1010;
constexpr int IDC_CHECK_ANALYZE_CONNECTOR = 1011;
// The one-line text under the list: the credit, a batch's progress, the
// selected line's log.
constexpr int IDC_TEXT_INFO = 1012;

#endif  // QUORVEL_GUI_RESOURCES_RESOURCE_H_
