// The shell's calls over the in-memory window system: dropped files, opening a
// file with the system's handler, and full paths.
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cwchar>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <unordered_set>
#include <vector>

#include "engine/narrow_text.h"
#include "engine/path_text.h"
#include "platform/emulated/backend.h"
#include "platform/emulated/window.h"
#include "platform/emulated/xdg_open.h"
#include "platform/path_syntax.h"

#if !defined(_WIN32)
#include <unistd.h>
#endif

namespace qv::emu {
namespace {

struct Drop {
  std::vector<std::wstring> paths;
};

std::unordered_set<Drop*>& LiveDrops() {
  static std::unordered_set<Drop*> live;
  return live;
}

Drop* FromDrop(HDROP h) {
  Drop* d = reinterpret_cast<Drop*>(h);
  return LiveDrops().count(d) != 0 ? d : nullptr;
}

// Narrow text of the file system from wide text, by the one rule
// (engine/narrow_text.h); lossless for any narrow text the widening made.
bool ToNarrow(const std::wstring& wide, std::string& narrow) {
  return qv::NarrowBy(::WideCharToMultiByte, ::GetLastError, wide.c_str(), narrow) == 0;
}

std::wstring CurrentFolder() {
#if defined(_WIN32)
  std::error_code error;
  return std::filesystem::current_path(error).wstring();
#else
  std::vector<char> buffer(256);
  while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) return std::wstring();
    buffer.resize(buffer.size() * 2);
  }
  std::wstring wide;
  qv::WidenBy(::MultiByteToWideChar, buffer.data(), wide);
  return wide;
#endif
}

}  // namespace

void DropFiles(Window& under, const std::vector<std::wstring>& paths) {
  Window* target = &under;
  while (target != nullptr && (target->exStyle & WS_EX_ACCEPTFILES) == 0) target = target->parent;
  if (target == nullptr) return;
  auto* drop = new Drop{paths};
  LiveDrops().insert(drop);
  const HDROP handle = reinterpret_cast<HDROP>(drop);
  ::SendMessageW(ToHandle(target), WM_DROPFILES, reinterpret_cast<WPARAM>(handle), 0);
  ::DragFinish(handle);  // does nothing when the window released it
}

bool Backend::OpenDocument(Window*, const std::wstring& path) {
  std::string narrow;
  return ToNarrow(path, narrow) && RunXdgOpen(narrow);
}

bool Backend::DocumentExists(const std::wstring& path) {
  std::string narrow;
  struct stat st;
  return ToNarrow(path, narrow) && ::stat(narrow.c_str(), &st) == 0;
}

void Backend::PumpMessages(Window&, int waitMilliseconds) {
  if (waitMilliseconds > 0)
    std::this_thread::sleep_for(std::chrono::milliseconds(waitMilliseconds));
}

void Backend::ShowLine(Window&, int) {}

void Backend::Focus(Window&) {}

int Backend::VisibleLines(const Window& list) {
  constexpr int kLineUnits = 8;
  return list.item != nullptr && list.item->cy >= 2 * kLineUnits ? list.item->cy / kLineUnits : 1;
}

}  // namespace qv::emu

using qv::emu::FromHandle;

void DragAcceptFiles(HWND hWnd, BOOL accept) {
  qv::emu::Window* w = FromHandle(hWnd);
  if (w == nullptr) return;
  if (accept) {
    w->exStyle |= WS_EX_ACCEPTFILES;
  } else {
    w->exStyle &= ~WS_EX_ACCEPTFILES;
  }
}

UINT DragQueryFileW(HDROP hDrop, UINT index, LPWSTR file, UINT chars) {
  const qv::emu::Drop* drop = qv::emu::FromDrop(hDrop);
  if (drop == nullptr) return 0;
  if (index == 0xFFFFFFFFu) return static_cast<UINT>(drop->paths.size());
  if (index >= drop->paths.size()) return 0;
  const std::wstring& path = drop->paths[index];
  if (file == nullptr) return static_cast<UINT>(path.size());
  if (chars == 0) return 0;
  // Cut to the buffer, NUL included, as the shell does.
  const std::size_t copied = std::min<std::size_t>(path.size(), chars - 1);
  std::wmemcpy(file, path.c_str(), copied);
  file[copied] = L'\0';
  return static_cast<UINT>(copied);
}

void DragFinish(HDROP hDrop) {
  qv::emu::Drop* drop = qv::emu::FromDrop(hDrop);
  if (drop == nullptr) return;
  qv::emu::LiveDrops().erase(drop);
  delete drop;
}

HINSTANCE ShellExecuteW(HWND hWnd, LPCWSTR operation, LPCWSTR file, LPCWSTR, LPCWSTR, int) {
  // Only "open" (also the default verb) is known; anything else is "no
  // association" (SE_ERR_NOASSOC, 31).
  constexpr ULONG_PTR kNoAssociation = 31;
  constexpr ULONG_PTR kFileNotFound = 2;
  constexpr ULONG_PTR kStarted = 42;
  if (file == nullptr || *file == L'\0') return reinterpret_cast<HINSTANCE>(kFileNotFound);
  if (operation != nullptr && std::wstring(operation) != L"open") {
    return reinterpret_cast<HINSTANCE>(kNoAssociation);
  }
  if (!qv::emu::ActiveBackend().DocumentExists(file)) {
    return reinterpret_cast<HINSTANCE>(kFileNotFound);
  }
  const bool started = qv::emu::ActiveBackend().OpenDocument(FromHandle(hWnd), file);
  return reinterpret_cast<HINSTANCE>(started ? kStarted : kNoAssociation);
}

DWORD GetFullPathNameW(LPCWSTR fileName, DWORD bufferLength, LPWSTR buffer, LPWSTR* filePart) {
  if (fileName == nullptr || *fileName == L'\0') {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::wstring full = fileName;
  if (!IsAbsolutePath(full)) {
    std::wstring folder = qv::emu::CurrentFolder();
    if (folder.empty()) {
      ::SetLastError(ERROR_INVALID_PARAMETER);
      return 0;
    }
    full = JoinPath(folder, full);
  }
  if (full.size() + 1 > bufferLength || buffer == nullptr) {
    return static_cast<DWORD>(full.size() + 1);  // the size it needs, NUL included
  }
  std::wmemcpy(buffer, full.c_str(), full.size() + 1);
  if (filePart != nullptr) {
    *filePart = buffer + LastPartStart(full);
  }
  return static_cast<DWORD>(full.size());
}
