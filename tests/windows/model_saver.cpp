// Test tool: another program saving a model over and over, as an exporter
// would, while quorvel-cli.exe reads it. Saves alternate between the two
// versions: A written with CREATE_ALWAYS, then B written in place over it.
// Every failed save is counted with its error code.
//   model_saver MODEL A_FILE B_FILE SECONDS
// Prints "saves: N failed: M" and, per error, "error E: COUNT"; exit 0.
#include <windows.h>

#include <cstdio>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

std::string ReadAll(const wchar_t* path) {
  std::string bytes;
  std::FILE* f = _wfopen(path, L"rb");
  if (f == nullptr) return bytes;
  char chunk[65536];
  for (std::size_t got; (got = std::fread(chunk, 1, sizeof(chunk), f)) > 0;)
    bytes.append(chunk, got);
  std::fclose(f);
  return bytes;
}

// One save; 0 on success, else the error.
DWORD Save(const wchar_t* model, const std::string& bytes, DWORD disposition) {
  HANDLE h = CreateFileW(model, GENERIC_WRITE, FILE_SHARE_READ, nullptr, disposition,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return GetLastError();
  DWORD error = 0;
  DWORD written = 0;
  if (!WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
      written != bytes.size()) {
    error = GetLastError();
  } else if (!SetEndOfFile(h)) {
    error = GetLastError();
  }
  CloseHandle(h);
  return error;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 5) return 2;
  const std::string a = ReadAll(argv[2]);
  const std::string b = ReadAll(argv[3]);
  if (a.empty() || b.empty()) return 2;
  const ULONGLONG end = GetTickCount64() + 1000ULL * static_cast<ULONGLONG>(_wtoi(argv[4]));
  long saves = 0;
  long failed = 0;
  std::map<DWORD, long> errors;
  // Bursts of saves with rests of varying length between them, as an
  // exporter saves: long rests let whole versions be read, short ones end
  // just as a reader that waited for the file to rest begins.
  constexpr DWORD kRestsMs[] = {0, 60, 200, 55, 70};
  for (std::size_t turn = 0; GetTickCount64() < end; ++turn) {
    Sleep(kRestsMs[turn % std::size(kRestsMs)]);
    for (const bool first : {true, false}) {
      const DWORD error = first ? Save(argv[1], a, CREATE_ALWAYS) : Save(argv[1], b, OPEN_EXISTING);
      ++saves;
      if (error != 0) {
        ++failed;
        ++errors[error];
      }
    }
  }
  std::printf("saves: %ld failed: %ld\n", saves, failed);
  for (const auto& [error, count] : errors) std::printf("error %lu: %ld\n", error, count);
  return 0;
}
