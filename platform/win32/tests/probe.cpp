// Test tool, run under the same Wine as Quorvel.exe: finds a top-level window
// by its title and reads or pokes its controls through ordinary messages.
//   probe find TITLE            exit 0 when the window exists
//   probe list TITLE ID         prints each line of list box ID
//   probe check TITLE ID        prints 0 or 1: the check state of button ID
//   probe enabled TITLE ID      prints 0 or 1
//   probe click TITLE ID        posts BM_CLICK to button ID (does not wait)
//   probe close TITLE           posts WM_CLOSE
// Lines are printed as UTF-8. Exit status 1 when the window or control is
// missing, 2 on a usage error.
#include <windows.h>

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

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  const std::wstring command = argv[1];
  HWND window = FindWindowW(nullptr, argv[2]);
  if (window == nullptr) return 1;
  if (command == L"find") return 0;
  if (command == L"close") return PostMessageW(window, WM_CLOSE, 0, 0) ? 0 : 1;
  if (argc < 4) return 2;
  HWND control = GetDlgItem(window, static_cast<int>(std::wcstol(argv[3], nullptr, 10)));
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
  if (command == L"enabled") {
    std::printf("%d\n", IsWindowEnabled(control) ? 1 : 0);
    return 0;
  }
  if (command == L"click") return PostMessageW(control, BM_CLICK, 0, 0) ? 0 : 1;
  return 2;
}
