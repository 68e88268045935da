// File names from GTK (the file system's bytes) as the in-memory windows
// take them.
#ifndef QUORVEL_PLATFORM_GTK_WIDE_NAME_H_
#define QUORVEL_PLATFORM_GTK_WIDE_NAME_H_

#include <string>

namespace qv::gtk {

// `name` converted from the thread's code page (MultiByteToWideChar); empty
// when it does not convert.
std::wstring WideName(const std::string& name);

}  // namespace qv::gtk

#endif  // QUORVEL_PLATFORM_GTK_WIDE_NAME_H_
