// The files of a drop: a text/uri-list as file managers send it.
#ifndef QUORVEL_PLATFORM_GTK_URI_LIST_H_
#define QUORVEL_PLATFORM_GTK_URI_LIST_H_

#include <string>
#include <vector>

namespace qv::gtk {

// The local files that `uris` (a null-ended list, nullptr for none) names, in
// its order: each file:// URI percent-decoded to the file system's bytes.
// Other schemes, and files on another host than this one ("localhost" or
// none), are left out.
std::vector<std::string> LocalFiles(const char* const* uris);

}  // namespace qv::gtk

#endif  // QUORVEL_PLATFORM_GTK_URI_LIST_H_
