#include "platform/gtk/icons.h"

#include "platform/resource_types.h"

namespace qv::gtk {

const std::vector<GdkPixbuf*>& IconCache::Images(HICON icon) {
  auto it = decoded_.find(icon);
  if (it != decoded_.end()) return it->second;
  std::vector<GdkPixbuf*> images;
  if (icon != nullptr) {
    const auto* res = reinterpret_cast<const IconResource*>(icon);
    for (const ::IconImage& img : res->images) {
      GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type("png", nullptr);
      if (loader == nullptr) continue;
      const bool ok = gdk_pixbuf_loader_write(loader, img.png.data(), img.png.size(), nullptr) &&
                      gdk_pixbuf_loader_close(loader, nullptr);
      GdkPixbuf* pixbuf = ok ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
      if (pixbuf != nullptr) images.push_back(GDK_PIXBUF(g_object_ref(pixbuf)));
      g_object_unref(loader);
    }
  }
  return decoded_.emplace(icon, std::move(images)).first->second;
}

GdkPixbuf* IconCache::IconImage(HICON icon, int size) {
  const auto key = std::make_pair(icon, size);
  auto it = scaled_.find(key);
  if (it != scaled_.end()) return it->second;
  GdkPixbuf* best = nullptr;
  for (GdkPixbuf* image : Images(icon)) {
    const int w = gdk_pixbuf_get_width(image);
    if (best == nullptr ||
        (w >= size && (gdk_pixbuf_get_width(best) < size || w < gdk_pixbuf_get_width(best)))) {
      best = image;
    }
  }
  GdkPixbuf* scaled = best == nullptr ? nullptr
                      : gdk_pixbuf_get_width(best) == size
                          ? GDK_PIXBUF(g_object_ref(best))
                          : gdk_pixbuf_scale_simple(best, size, size, GDK_INTERP_BILINEAR);
  scaled_.emplace(key, scaled);
  return scaled;
}

}  // namespace qv::gtk
