#include "platform/gtk/wide_name.h"

#include "engine/narrow_text.h"
#include "platform/win_types.h"

namespace qv::gtk {

std::wstring WideName(const std::string& name) {
  std::wstring wide;
  qv::WidenBy(::MultiByteToWideChar, name, wide);
  return wide;
}

}  // namespace qv::gtk
