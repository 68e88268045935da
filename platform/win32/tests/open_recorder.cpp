// Test tool: stands in for the system's handler of .txt files. Run as
//   open_recorder RECORD FILE
// it appends FILE, as UTF-8, and a newline to RECORD, so that a test sees
// which path the program asked the system to open. A windows program, so
// that starting it opens no console window over the dialog under test.
#include <windows.h>
// After <windows.h>.
#include <shellapi.h>

#include <cstdio>
#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr || argc != 3) return 2;
  const int size = WideCharToMultiByte(CP_UTF8, 0, argv[2], -1, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return 1;
  std::string line(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, argv[2], -1, line.data(), size, nullptr, nullptr);
  line.back() = '\n';
  FILE* record = _wfopen(argv[1], L"ab");
  LocalFree(argv);
  if (record == nullptr) return 1;
  const bool written = std::fwrite(line.data(), 1, line.size(), record) == line.size();
  return std::fclose(record) == 0 && written ? 0 : 1;
}
