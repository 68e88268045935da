// The images of the dialogs' icon resources as GDK pixbufs: decoded from
// their PNG images once, scaled once per size, and kept for the life of the
// process, as the icons are.
#ifndef QUORVEL_PLATFORM_GTK_ICONS_H_
#define QUORVEL_PLATFORM_GTK_ICONS_H_

#include <gtk/gtk.h>

#include <map>
#include <utility>
#include <vector>

#include "platform/win_types.h"

namespace qv::gtk {

class IconCache {
 public:
  // The images of an icon resource, decoded once; none for nullptr and for
  // images that do not decode. The pixbufs stay owned by the cache.
  const std::vector<GdkPixbuf*>& Images(HICON icon);

  // The icon at `size` pixels, scaled from its nearest larger image; nullptr
  // when it has no image. Owned by the cache.
  GdkPixbuf* IconImage(HICON icon, int size);

 private:
  std::map<HICON, std::vector<GdkPixbuf*>> decoded_;
  std::map<std::pair<HICON, int>, GdkPixbuf*> scaled_;
};

}  // namespace qv::gtk

#endif  // QUORVEL_PLATFORM_GTK_ICONS_H_
