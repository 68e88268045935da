// The dialogs' wide texts as GTK shows them.
#ifndef QUORVEL_PLATFORM_GTK_LABEL_TEXT_H_
#define QUORVEL_PLATFORM_GTK_LABEL_TEXT_H_

#include <string>

namespace qv::gtk {

// UTF-8 for display. Code points that stand for undecodable file-name bytes
// (U+DC80..U+DCFF), any other surrogate and anything past U+10FFFF show as
// U+FFFD.
std::string DisplayText(const std::wstring& text);

// A label with Windows mnemonics ("&x" marks x, "&&" is a '&') in GTK's
// ("_x" marks x, "__" is a '_'); a '&' at the end marks nothing and goes.
std::string MnemonicText(const std::wstring& text);

}  // namespace qv::gtk

#endif  // QUORVEL_PLATFORM_GTK_LABEL_TEXT_H_
