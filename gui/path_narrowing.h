// Turns a selected wide path into the narrow string the engine opens.
#ifndef QUORVEL_GUI_PATH_NARROWING_H_
#define QUORVEL_GUI_PATH_NARROWING_H_

#include <string>

#include "platform/win_types.h"

// Converts `path` by the one narrowing rule of engine/narrow_text.h (UTF-8
// on Windows, never substituting a character). Throws CMemoryException when
// the conversion runs out of memory and COleException carrying the error as
// an HRESULT for any other failure. The result ends at the first NUL.
std::string NarrowPath(LPCWSTR path);

#endif  // QUORVEL_GUI_PATH_NARROWING_H_
