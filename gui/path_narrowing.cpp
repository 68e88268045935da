#include "gui/path_narrowing.h"

#include "engine/narrow_text.h"
#include "platform/afx/afx.h"

std::string NarrowPath(LPCWSTR path) {
  std::string narrow;
  const DWORD error = qv::NarrowBy(::WideCharToMultiByte, ::GetLastError, path, narrow);
  if (error != ERROR_SUCCESS) {
    const HRESULT hr = HRESULT_FROM_WIN32(error);
    if (hr == E_OUTOFMEMORY) AfxThrowMemoryException();
    AfxThrowOleException(hr);
  }
  return narrow;
}
