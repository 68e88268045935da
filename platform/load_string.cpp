// LoadStringW for every backend: the program's strings are the shared string
// table (gui/resources), on Windows as elsewhere; it has no other strings.
#include <cwchar>

#include "platform/resource_types.h"
#include "platform/win_types.h"

int LoadStringW(HINSTANCE, UINT id, LPWSTR buffer, int bufferMax) {
  const StringResource* s = FindStringResource(id);
  if (s == nullptr || buffer == nullptr || bufferMax < 0) return 0;
  const int length = static_cast<int>(std::wcslen(s->text));
  if (bufferMax == 0) {
    // As on Windows: the buffer receives a read-only pointer to the text.
    *reinterpret_cast<const wchar_t**>(buffer) = s->text;
    return length;
  }
  const int copied = length < bufferMax - 1 ? length : bufferMax - 1;
  std::wmemcpy(buffer, s->text, static_cast<std::size_t>(copied));
  buffer[copied] = L'\0';
  return copied;
}
