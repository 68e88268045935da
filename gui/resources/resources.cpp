// The program's resources: the one description of both dialogs, the string
// table and the icon, used by every backend.
#include "gui/resources/icon_data.h"
#include "gui/resources/resource.h"
#include "platform/resource_types.h"

namespace {

constexpr const wchar_t* kDialogFont = L"MS Shell Dlg";
constexpr WORD kDialogFontPoints = 8;
constexpr DWORD kDialogStyle =
    WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_FIXEDSYS;

constexpr DialogItem kMainItems[] = {
    {IDC_BUTTON_LOAD, kButtonClass, L"Load TAV", 0, 65, 156, 60, 22, BS_DEFPUSHBUTTON | WS_TABSTOP,
     0},
    {IDC_BUTTON_EXTRACT, kButtonClass, L"Extract!", 0, 165, 156, 60, 22,
     BS_DEFPUSHBUTTON | WS_TABSTOP, 0},
    {IDC_LIST_STATUS, kListBoxClass, nullptr, 0, 27, 15, 237, 118,
     LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_DISABLENOSCROLL | WS_VSCROLL | WS_HSCROLL | WS_BORDER |
         WS_TABSTOP,
     WS_EX_ACCEPTFILES | WS_EX_DLGMODALFRAME},
    {IDC_TEXT_INFO, kStaticClass, L"By the Quorvel authors, 2026", 0, 27, 183, 255, 8,
     SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS | WS_GROUP, 0},
    {IDC_CHECK_SORT_BY_NAME, kButtonClass, L"Sort by Name", 0, 110, 139, 59, 10,
     BS_AUTOCHECKBOX | WS_TABSTOP, 0},
    {IDC_CHECK_SAVE_BESIDE, kButtonClass, L"Save txt Beside Extractor", 0, 173, 139, 98, 10,
     BS_AUTOCHECKBOX | WS_TABSTOP, 0},
    {IDC_CHECK_ANALYZE_CONNECTOR, kButtonClass, L"Analyze Connector", 0, 27, 139, 77, 10,
     BS_AUTOCHECKBOX | WS_TABSTOP, 0},
};

constexpr DialogItem kAboutItems[] = {
    {IDC_STATIC, kStaticClass, nullptr, IDR_MAINFRAME, 14, 14, 20, 20, SS_ICON, 0},
    {IDC_STATIC, kStaticClass, L"Quorvel", 0, 42, 14, 114, 8, SS_NOPREFIX | WS_GROUP, 0},
    {IDC_STATIC, kStaticClass, L"Copyright (C) 2026", 0, 42, 26, 114, 8, WS_GROUP, 0},
    // How the two quicker ways in work, one line per static: not every
    // backend wraps a static's text.
    {IDC_STATIC, kStaticClass, L"Drop .tav files or folders on the window", 0, 42, 40, 180, 8,
     SS_NOPREFIX | WS_GROUP, 0},
    {IDC_STATIC, kStaticClass, L"to load them.", 0, 42, 50, 180, 8, SS_NOPREFIX | WS_GROUP, 0},
    {IDC_STATIC, kStaticClass, L"Double-click a completed line, or select it", 0, 42, 62, 180, 8,
     SS_NOPREFIX | WS_GROUP, 0},
    {IDC_STATIC, kStaticClass, L"and press Enter, to open its report.", 0, 42, 72, 180, 8,
     SS_NOPREFIX | WS_GROUP, 0},
    {IDOK, kButtonClass, L"OK", 0, 173, 88, 50, 14, BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP, 0},
};

constexpr DialogTemplate kDialogs[] = {
    {IDD_QUORVEL_DIALOG, L"Quorvel v1.6", kDialogFont, kDialogFontPoints, 291, 200,
     kDialogStyle | WS_VISIBLE, WS_EX_APPWINDOW, kMainItems},
    {IDD_ABOUTBOX, L"About Quorvel", kDialogFont, kDialogFontPoints, 230, 110, kDialogStyle, 0,
     kAboutItems},
};

constexpr StringResource kStrings[] = {
    {IDS_ABOUTBOX, L"&About Quorvel..."},
};

const IconImage kMainIconImages[] = {
    {48, quorvel_icon::kIcon48},
    {256, quorvel_icon::kIcon256},
};

const IconResource kIcons[] = {
    {IDR_MAINFRAME, kMainIconImages},
};

const ResourceSet kResources = {kDialogs, kStrings, kIcons};

}  // namespace

const ResourceSet& ProgramResources() {
  return kResources;
}
