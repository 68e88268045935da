#include "platform/gtk/file_chooser.h"

#include <gtk/gtk.h>
#include <sys/stat.h>

#include <algorithm>

#include "engine/path_text.h"
#include "platform/gtk/label_text.h"
#include "platform/gtk/peer.h"
#include "platform/gtk/wide_name.h"

namespace qv::gtk {
namespace {

void AddDefaultExtension(std::string& name, LPCWSTR defExt) {
  // As Windows does for a typed name: a missing file without an extension
  // gets the default one.
  if (defExt == nullptr || *defExt == L'\0') return;
  struct stat st;
  if (::stat(name.c_str(), &st) == 0) return;
  const std::size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot >= LastPartStart(name)) return;
  name.push_back('.');
  name.append(DisplayText(defExt));
}

}  // namespace

bool ShowFileChooser(const OPENFILENAMEW& ofn, std::vector<std::wstring>& paths) {
  GtkWindow* parent = nullptr;
  if (emu::Window* owner = emu::FromHandle(ofn.hwndOwner); owner != nullptr) {
    if (auto* d = static_cast<DialogPeer*>(owner->peer)) parent = GTK_WINDOW(d->toplevel);
  }
  // Windows titles an open-file dialog "Open" unless it is given a title.
  const std::string title = ofn.lpstrTitle != nullptr ? DisplayText(ofn.lpstrTitle) : "Open";
  GtkFileChooserNative* chooser = gtk_file_chooser_native_new(
      title.c_str(), parent, GTK_FILE_CHOOSER_ACTION_OPEN, nullptr, nullptr);
  GtkFileChooser* fc = GTK_FILE_CHOOSER(chooser);
  gtk_native_dialog_set_modal(GTK_NATIVE_DIALOG(chooser), TRUE);
  gtk_file_chooser_set_select_multiple(fc, (ofn.Flags & OFN_ALLOWMULTISELECT) != 0);
  gtk_file_chooser_set_local_only(fc, TRUE);
  for (const wchar_t* p = ofn.lpstrFilter; p != nullptr && *p != L'\0';) {
    const std::wstring name(p);
    p += name.size() + 1;
    if (*p == L'\0') break;
    const std::wstring patterns(p);
    p += patterns.size() + 1;
    GtkFileFilter* filter = gtk_file_filter_new();
    gtk_file_filter_set_name(filter, DisplayText(name).c_str());
    // "a;b" on Windows is two patterns.
    std::size_t start = 0;
    while (start <= patterns.size()) {
      const std::size_t end = std::min(patterns.find(L';', start), patterns.size());
      if (end > start) {
        gtk_file_filter_add_pattern(filter,
                                    DisplayText(patterns.substr(start, end - start)).c_str());
      }
      start = end + 1;
    }
    gtk_file_chooser_add_filter(fc, filter);  // takes the floating reference
  }
  const gint response = gtk_native_dialog_run(GTK_NATIVE_DIALOG(chooser));
  if (response == GTK_RESPONSE_ACCEPT) {
    GSList* names = gtk_file_chooser_get_filenames(fc);
    for (GSList* l = names; l != nullptr; l = l->next) {
      std::string name = static_cast<const char*>(l->data);
      if (name.empty()) continue;
      AddDefaultExtension(name, ofn.lpstrDefExt);
      std::wstring wide = WideName(name);
      if (!wide.empty()) paths.push_back(std::move(wide));
    }
    g_slist_free_full(names, g_free);
  }
  g_object_unref(chooser);
  return !paths.empty();
}

}  // namespace qv::gtk
