// Test tool, run under the same Wine as Quorvel.exe: finds a top-level window
// by its title and reads or pokes its controls through ordinary messages.
//   probe find TITLE            exit 0 when the window exists
//   probe count TITLE           prints how many visible top-level windows have TITLE
//   probe owner TITLE           prints the title of the window's owner
//   probe enabled TITLE [ID]    prints 0 or 1, for control ID or the window itself
//   probe list TITLE ID         prints each line of list box ID
//   probe check TITLE ID        prints 0 or 1: the check state of button ID
//   probe pushed TITLE ID       prints 0 or 1: whether button ID is held down
//   probe active TITLE          prints 0 or 1: whether the window is the foreground one
//   probe center TITLE ID       prints the screen position "X Y" of control ID's centre
//   probe itemcenter TITLE ID N prints the screen position "X Y" of line N of list box ID
//   probe selected TITLE ID     prints the selected line of list box ID, or -1
//   probe focus TITLE           prints the id of the control of TITLE's thread with
//                               the keyboard focus, or 0
//   probe click TITLE ID        posts BM_CLICK to button ID (does not wait)
//   probe command TITLE ID      posts WM_COMMAND BN_CLICKED from control ID
//   probe syscommand TITLE N    posts WM_SYSCOMMAND N
//   probe mark TITLE ID 0|1     posts BM_SETCHECK to check box ID; once it reads back,
//                               every message posted before it has been handled
//   probe close TITLE           posts WM_CLOSE
//   probe controls TITLE        prints "ID CLASS TEXT" for every control, nested ones too
//   probe items TITLE           prints how many items the window's (first) list view shows
//   probe text TITLE ID         prints the text of control ID (at any depth)
//   probe settext TITLE ID      sets the text of control ID (at any depth) to standard
//                               input, read as UTF-8 bytes: the file name box of an Open
//                               dialog gets every character, which no typed key can promise
//   probe acp                   prints the process's ANSI code page
//   probe running EXE           exit 0 when a process of the file EXE runs in this
//                               Wine session
//   probe menu                  exit 0 when a popup menu (a system menu too) is shown
//   probe texts TITLE ID STOP   prints each new text of control ID (at any depth),
//                               read every 10 ms, until the file STOP exists
//   probe waitidle TITLE ID TEXT waits, reading every 20 ms inside this process,
//                               until button ID reads TEXT and is disabled (a
//                               batch has ended); exit 1 after 10 minutes
//   probe pinggap TITLE STOP    asks the window every 50 ms whether it answers
//                               (SendMessageTimeoutW, WM_NULL, as the system does
//                               to call a window "Not Responding") until the file
//                               STOP exists, then prints "longest_gap_ms=N pings=P":
//                               the longest wait for an answer
// Lines are printed as UTF-8. Exit status 1 when the window or control is
// missing (or standard input is not UTF-8), 2 on a usage error.
#include <windows.h>
// After <windows.h>, which they need.
#include <commctrl.h>
#include <fcntl.h>
#include <io.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>

namespace {

void PrintUtf8(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size > 0 ? size : 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), size, nullptr, nullptr);
  std::printf("%s\n", out.c_str());
}

std::wstring TitleOf(HWND window) {
  std::wstring title(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  title.resize(static_cast<std::size_t>(
      GetWindowTextW(window, title.data(), static_cast<int>(title.size()))));
  return title;
}

struct Count {
  const wchar_t* title;
  int found;
};

BOOL CALLBACK CountWindow(HWND window, LPARAM param) {
  auto* count = reinterpret_cast<Count*>(param);
  if (IsWindowVisible(window) && TitleOf(window) == count->title) ++count->found;
  return TRUE;
}

struct Descendant {
  int id;
  HWND found;
};

BOOL CALLBACK FindDescendant(HWND window, LPARAM param) {
  auto* wanted = reinterpret_cast<Descendant*>(param);
  if (GetDlgCtrlID(window) != wanted->id) return TRUE;
  wanted->found = window;
  return FALSE;
}

// GetDlgItem sees only direct children; an Open dialog nests its file name
// box in a combo box or a panel.
HWND ControlAnyDepth(HWND window, int id) {
  Descendant wanted{id, nullptr};
  EnumChildWindows(window, &FindDescendant, reinterpret_cast<LPARAM>(&wanted));
  return wanted.found;
}

std::wstring TextOf(HWND control) {
  const LRESULT length = SendMessageW(control, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(SendMessageW(control, WM_GETTEXT, static_cast<WPARAM>(text.size()),
                                            reinterpret_cast<LPARAM>(text.data()))));
  return text;
}

BOOL CALLBACK FindListView(HWND control, LPARAM param) {
  wchar_t kind[64] = L"";
  GetClassNameW(control, kind, 64);
  if (std::wstring(kind) != L"SysListView32") return TRUE;
  *reinterpret_cast<HWND*>(param) = control;
  return FALSE;
}

BOOL CALLBACK PrintControl(HWND control, LPARAM) {
  wchar_t kind[64] = L"";
  GetClassNameW(control, kind, 64);
  PrintUtf8(std::to_wstring(GetDlgCtrlID(control)) + L" " + kind + L" " + TextOf(control));
  return TRUE;
}

// Standard input as UTF-8, every byte as given (no CR LF translation); false
// when it is not valid UTF-8, so that nothing is ever substituted.
bool ReadUtf8Input(std::wstring& text) {
  _setmode(_fileno(stdin), _O_BINARY);
  std::string bytes;
  char chunk[4096];
  std::size_t got = 0;
  while ((got = std::fread(chunk, 1, sizeof chunk, stdin)) > 0) bytes.append(chunk, got);
  if (bytes.empty()) {
    text.clear();
    return true;
  }
  const int size = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                                       static_cast<int>(bytes.size()), nullptr, 0);
  if (size <= 0) return false;
  text.assign(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()),
                      text.data(), size);
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 2 && std::wstring(argv[1]) == L"acp") {
    std::printf("%u\n", GetACP());
    return 0;
  }
  if (argc == 2 && std::wstring(argv[1]) == L"menu") {
    HWND menu = FindWindowW(L"#32768", nullptr);  // the popup menu's system class
    return menu != nullptr && IsWindowVisible(menu) ? 0 : 1;
  }
  if (argc < 3) return 2;
  const std::wstring command = argv[1];
  if (command == L"running") {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 2;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    bool found = false;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !found;
         more = Process32NextW(snapshot, &entry)) {
      found = _wcsicmp(entry.szExeFile, argv[2]) == 0;
    }
    CloseHandle(snapshot);
    return found ? 0 : 1;
  }
  if (command == L"count") {
    Count count{argv[2], 0};
    EnumWindows(&CountWindow, reinterpret_cast<LPARAM>(&count));
    std::printf("%d\n", count.found);
    return 0;
  }
  HWND window = FindWindowW(nullptr, argv[2]);
  if (window == nullptr) return 1;
  if (command == L"find") return 0;
  if (command == L"focus") {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return 1;
    std::printf("%d\n", info.hwndFocus != nullptr ? GetDlgCtrlID(info.hwndFocus) : 0);
    return 0;
  }
  if (command == L"close") return PostMessageW(window, WM_CLOSE, 0, 0) ? 0 : 1;
  if (command == L"items") {
    HWND list = nullptr;
    EnumChildWindows(window, &FindListView, reinterpret_cast<LPARAM>(&list));
    if (list == nullptr) return 1;
    std::printf("%ld\n", static_cast<long>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)));
    return 0;
  }
  if (command == L"controls") {
    EnumChildWindows(window, &PrintControl, 0);
    return 0;
  }
  if (command == L"owner") {
    HWND owner = GetWindow(window, GW_OWNER);
    if (owner == nullptr) return 1;
    PrintUtf8(TitleOf(owner));
    return 0;
  }
  if (command == L"active") {
    std::printf("%d\n", GetForegroundWindow() == window ? 1 : 0);
    return 0;
  }
  if (command == L"enabled" && argc == 3) {
    std::printf("%d\n", IsWindowEnabled(window) ? 1 : 0);
    return 0;
  }
  if (argc < 4) return 2;
  if (command == L"texts" && argc == 5) {
    HWND nested = ControlAnyDepth(window, static_cast<int>(std::wcstol(argv[3], nullptr, 0)));
    if (nested == nullptr) return 1;
    std::wstring last;
    while (GetFileAttributesW(argv[4]) == INVALID_FILE_ATTRIBUTES) {
      const std::wstring text = TextOf(nested);
      if (text != last) {
        PrintUtf8(text);
        std::fflush(stdout);
        last = text;
      }
      Sleep(10);
    }
    return 0;
  }
  if (command == L"waitidle" && argc == 5) {
    HWND button = GetDlgItem(window, static_cast<int>(std::wcstol(argv[3], nullptr, 0)));
    if (button == nullptr) return 1;
    for (int polls = 0; polls < 30000; ++polls) {
      if (!IsWindowEnabled(button) && TextOf(button) == argv[4]) return 0;
      Sleep(20);
    }
    return 1;
  }
  if (command == L"pinggap") {
    LARGE_INTEGER frequency{}, before{}, after{};
    QueryPerformanceFrequency(&frequency);
    long long longest = 0, pings = 0;
    while (GetFileAttributesW(argv[3]) == INVALID_FILE_ATTRIBUTES) {
      DWORD_PTR answer = 0;
      QueryPerformanceCounter(&before);
      // A wait that times out counts as long as it lasted.
      const bool answered =
          SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 600000, &answer) != 0;
      QueryPerformanceCounter(&after);
      if (!answered && !IsWindow(window)) return 1;
      longest = std::max(longest, (after.QuadPart - before.QuadPart) * 1000 / frequency.QuadPart);
      ++pings;
      Sleep(50);
    }
    std::printf("longest_gap_ms=%lld pings=%lld\n", longest, pings);
    return 0;
  }
  const long number = std::wcstol(argv[3], nullptr, 0);
  if (command == L"syscommand") {
    return PostMessageW(window, WM_SYSCOMMAND, static_cast<WPARAM>(number), 0) ? 0 : 1;
  }
  if (command == L"text" || command == L"settext") {
    HWND nested = ControlAnyDepth(window, static_cast<int>(number));
    if (nested == nullptr) return 1;
    if (command == L"text") {
      PrintUtf8(TextOf(nested));
      return 0;
    }
    std::wstring text;
    if (!ReadUtf8Input(text)) return 1;
    return SendMessageW(nested, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())) ? 0 : 1;
  }
  HWND control = GetDlgItem(window, static_cast<int>(number));
  if (control == nullptr) return 1;
  if (command == L"list") {
    const LRESULT count = SendMessageW(control, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      const LRESULT length = SendMessageW(control, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
      if (length < 0) return 1;
      std::wstring line(static_cast<std::size_t>(length) + 1, L'\0');
      SendMessageW(control, LB_GETTEXT, static_cast<WPARAM>(i),
                   reinterpret_cast<LPARAM>(line.data()));
      line.resize(static_cast<std::size_t>(length));
      PrintUtf8(line);
    }
    return 0;
  }
  if (command == L"check") {
    std::printf("%d\n", SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0);
    return 0;
  }
  if (command == L"pushed") {
    std::printf("%d\n", (SendMessageW(control, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0 ? 1 : 0);
    return 0;
  }
  if (command == L"enabled") {
    std::printf("%d\n", IsWindowEnabled(control) ? 1 : 0);
    return 0;
  }
  if (command == L"center") {
    RECT r{};
    GetWindowRect(control, &r);
    std::printf("%ld %ld\n", (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    return 0;
  }
  if (command == L"selected") {
    std::printf("%d\n", static_cast<int>(SendMessageW(control, LB_GETCURSEL, 0, 0)));
    return 0;
  }
  if (command == L"itemcenter" && argc == 5) {
    RECT r{};
    if (SendMessageW(control, LB_GETITEMRECT, std::wcstoul(argv[4], nullptr, 10),
                     reinterpret_cast<LPARAM>(&r)) == LB_ERR) {
      return 1;
    }
    POINT centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(control, &centre);
    std::printf("%ld %ld\n", centre.x, centre.y);
    return 0;
  }
  if (command == L"click") return PostMessageW(control, BM_CLICK, 0, 0) ? 0 : 1;
  if (command == L"command") {
    const WPARAM wParam = MAKEWPARAM(static_cast<WORD>(number), BN_CLICKED);
    return PostMessageW(window, WM_COMMAND, wParam, reinterpret_cast<LPARAM>(control)) ? 0 : 1;
  }
  if (command == L"mark" && argc == 5) {
    const WPARAM state = std::wcstol(argv[4], nullptr, 10) != 0 ? BST_CHECKED : BST_UNCHECKED;
    return PostMessageW(control, BM_SETCHECK, state, 0) ? 0 : 1;
  }
  return 2;
}
