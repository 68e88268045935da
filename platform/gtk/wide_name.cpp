#include "platform/gtk/wide_name.h"

#include "platform/win_types.h"

namespace qv::gtk {

std::wstring WideName(const std::string& name) {
  const int n = ::MultiByteToWideChar(CP_THREAD_ACP, 0, name.c_str(), -1, nullptr, 0);
  if (n <= 0) return std::wstring();
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_THREAD_ACP, 0, name.c_str(), -1, wide.data(), n);
  wide.resize(static_cast<std::size_t>(n - 1));
  return wide;
}

}  // namespace qv::gtk
