#include "platform/gtk/label_text.h"

#include <glib.h>

namespace qv::gtk {

std::string DisplayText(const std::wstring& text) {
  std::string out;
  char buf[8];
  for (wchar_t wc : text) {
    auto c = static_cast<gunichar>(wc);
    if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = 0xFFFD;
    out.append(buf, static_cast<std::size_t>(g_unichar_to_utf8(c, buf)));
  }
  return out;
}

std::string MnemonicText(const std::wstring& text) {
  std::wstring out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'_') {
      out += L"__";
    } else if (text[i] == L'&' && i + 1 < text.size() && text[i + 1] == L'&') {
      out += L'&';
      ++i;
    } else if (text[i] == L'&' && i + 1 < text.size()) {
      out += L'_';
    } else if (text[i] == L'&') {
      // A '&' that marks nothing shows nothing, as on Windows.
    } else {
      out += text[i];
    }
  }
  return DisplayText(out);
}

}  // namespace qv::gtk
