#include "platform/graphics/CairoSurface.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace gfx {

CairoSurfacePtr makeCairoSurface(const Image& source) {
  if (source.empty()) return nullptr;
  const Image image = source.toRGBA();
  CairoSurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, image.width(), image.height()));
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
  cairo_surface_flush(surface.get());
  unsigned char* data = cairo_image_surface_get_data(surface.get());
  const int stride = cairo_image_surface_get_stride(surface.get());
  for (int y = 0; y < image.height(); ++y) {
    const std::uint8_t* in = image.row(y).data();
    auto* out = reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
    for (int x = 0; x < image.width(); ++x, in += 4) {
      const std::uint32_t a = in[3];
      const std::uint32_t r = std::min<std::uint32_t>(in[0], a), g = std::min<std::uint32_t>(in[1], a),
                          b = std::min<std::uint32_t>(in[2], a);
      out[x] = (a << 24) | (r << 16) | (g << 8) | b;
    }
  }
  cairo_surface_mark_dirty(surface.get());
  return surface;
}

}  // namespace gfx
