#include "platform/gtk/uri_list.h"

#include <glib.h>

namespace qv::gtk {

std::vector<std::string> LocalFiles(const char* const* uris) {
  std::vector<std::string> files;
  for (const char* const* uri = uris; uri != nullptr && *uri != nullptr; ++uri) {
    gchar* host = nullptr;
    gchar* name = g_filename_from_uri(*uri, &host, nullptr);  // nullptr unless file://
    if (name != nullptr && (host == nullptr || g_strcmp0(host, "localhost") == 0)) {
      files.emplace_back(name);
    }
    g_free(host);
    g_free(name);
  }
  return files;
}

}  // namespace qv::gtk
