// The open-file dialog (GetOpenFileNameW) as GTK's native file chooser.
#ifndef QUORVEL_PLATFORM_GTK_FILE_CHOOSER_H_
#define QUORVEL_PLATFORM_GTK_FILE_CHOOSER_H_

#include <string>
#include <vector>

#include "platform/win_types.h"

namespace qv::gtk {

// Runs a modal chooser of local files for `ofn`: its owner, title, filters
// (a pattern list "a;b" is two patterns), multiple selection and default
// extension (for a chosen name that is no file and has no extension).
// Appends the full paths chosen to `paths`, given empty; false when it stays
// empty: on cancel, or when no name converts. GTK must be initialised.
bool ShowFileChooser(const OPENFILENAMEW& ofn, std::vector<std::wstring>& paths);

}  // namespace qv::gtk

#endif  // QUORVEL_PLATFORM_GTK_FILE_CHOOSER_H_
