#include "platform/graphics/CairoSurface.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

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

CairoSurfacePtr makeCairoSurface(const Image& source, int factorX, int factorY, bool average) {
  const int fx = std::clamp(factorX, 1, std::max(1, source.width()));
  const int fy = std::clamp(factorY, 1, std::max(1, source.height()));
  if (source.empty() || (fx == 1 && fy == 1)) return makeCairoSurface(source);
  const Image image = source.toRGBA();
  const int width = (image.width() + fx - 1) / fx, height = (image.height() + fy - 1) / fy;
  CairoSurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
  cairo_surface_flush(surface.get());
  unsigned char* data = cairo_image_surface_get_data(surface.get());
  const int stride = cairo_image_surface_get_stride(surface.get());
  std::vector<std::uint64_t> sums(static_cast<std::size_t>(width) * 4);
  for (int y = 0; y < height; ++y) {
    const int y0 = y * fy, y1 = std::min(image.height(), y0 + fy);
    auto* out = reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
    if (!average) {
      const std::uint8_t* row = image.row((y0 + y1 - 1) / 2).data();
      for (int x = 0; x < width; ++x) {
        const int x0 = x * fx, x1 = std::min(image.width(), x0 + fx);
        const std::uint8_t* in = row + static_cast<std::size_t>((x0 + x1 - 1) / 2) * 4;
        const std::uint32_t a = in[3];
        out[x] = (a << 24) | (std::min<std::uint32_t>(in[0], a) << 16) | (std::min<std::uint32_t>(in[1], a) << 8) |
                 std::min<std::uint32_t>(in[2], a);
      }
      continue;
    }
    std::fill(sums.begin(), sums.end(), 0u);
    for (int sy = y0; sy < y1; ++sy) {
      const std::uint8_t* in = image.row(sy).data();
      for (int sx = 0; sx < image.width(); ++sx, in += 4) {
        std::uint64_t* sum = &sums[static_cast<std::size_t>(sx / fx) * 4];
        for (int c = 0; c < 4; ++c) sum[c] += in[c];
      }
    }
    for (int x = 0; x < width; ++x) {
      const auto count = static_cast<std::uint64_t>(std::min(image.width(), (x + 1) * fx) - x * fx) *
                         static_cast<std::uint64_t>(y1 - y0);
      const std::uint64_t* sum = &sums[static_cast<std::size_t>(x) * 4];
      auto mean = [&](int c) { return static_cast<std::uint32_t>((sum[c] + count / 2) / count); };
      // Premultiplied sums average to premultiplied values; the rounding of the means may
      // still put a colour a step above alpha.
      const std::uint32_t a = mean(3);
      out[x] = (a << 24) | (std::min(mean(0), a) << 16) | (std::min(mean(1), a) << 8) | std::min(mean(2), a);
    }
  }
  cairo_surface_mark_dirty(surface.get());
  return surface;
}

}  // namespace gfx
