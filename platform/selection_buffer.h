// How an open dialog's selection is laid out in its OPENFILENAME buffer:
// one path alone, or (several) their common folder followed by the names,
// each NUL-terminated and the whole ended by an empty string. Shared by the
// in-memory file dialog and the Win32 backend's newer dialog, and read back
// by CFileDialog::GetNextPathName.
#ifndef QUORVEL_PLATFORM_SELECTION_BUFFER_H_
#define QUORVEL_PLATFORM_SELECTION_BUFFER_H_

#include <optional>
#include <string>
#include <vector>

namespace qv {

// The buffer's text for `paths`, with its final NULs. A path outside the
// first one's folder is written whole. Nothing (std::nullopt) when there is
// no path, or several and one of them is not absolute, so that a name would
// be joined to the wrong folder.
std::optional<std::wstring> PackSelection(const std::vector<std::wstring>& paths, bool multiple);

}  // namespace qv

#endif  // QUORVEL_PLATFORM_SELECTION_BUFFER_H_
