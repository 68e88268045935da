// The icon images, embedded from the PNG files beside this header at build time.
#ifndef QUORVEL_GUI_RESOURCES_ICON_DATA_H_
#define QUORVEL_GUI_RESOURCES_ICON_DATA_H_

#include <span>

namespace quorvel_icon {
extern const std::span<const unsigned char> kIcon48;
extern const std::span<const unsigned char> kIcon256;
}  // namespace quorvel_icon

#endif  // QUORVEL_GUI_RESOURCES_ICON_DATA_H_
