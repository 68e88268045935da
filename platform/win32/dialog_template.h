// The in-memory DLGTEMPLATEEX of a dialog, built from the shared resource
// tables: the Win32 backend's only form of the dialog layouts.
#ifndef QUORVEL_PLATFORM_WIN32_DIALOG_TEMPLATE_H_
#define QUORVEL_PLATFORM_WIN32_DIALOG_TEMPLATE_H_

#include <vector>

#include "platform/resource_types.h"

namespace qv::win32 {

// Predefined control classes as the dialog manager's ordinals.
inline constexpr WORD kButtonAtom = 0x0080;
inline constexpr WORD kStaticAtom = 0x0082;
inline constexpr WORD kListBoxAtom = 0x0083;

// The extended template of `tmpl` at position 0, 0, as a resource compiler
// lays it out: header, font (when DS_SETFONT), then each item on a DWORD
// boundary with WS_CHILD | WS_VISIBLE added to its style. Known classes are
// written as ordinals, others by name; an item with a text resource (an icon
// static) names it by ordinal. The words are DWORD aligned in memory.
std::vector<DWORD> BuildDialogTemplateEx(const DialogTemplate& tmpl);

}  // namespace qv::win32

#endif  // QUORVEL_PLATFORM_WIN32_DIALOG_TEMPLATE_H_
