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

namespace {

// The image reduced to blocks: pixel (x, y) of the surface stands for the source's
// columns xs[x] to xs[x + 1] and rows ys[y] to ys[y + 1] (each block at least one
// pixel), their average when average is true, else the pixel nearest the block's centre.
CairoSurfacePtr reducedSurface(const Image& image, const std::vector<int>& xs, const std::vector<int>& ys,
                               bool average) {
  const int width = static_cast<int>(xs.size()) - 1, height = static_cast<int>(ys.size()) - 1;
  CairoSurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
  cairo_surface_flush(surface.get());
  unsigned char* data = cairo_image_surface_get_data(surface.get());
  const int stride = cairo_image_surface_get_stride(surface.get());
  std::vector<std::uint64_t> sums(static_cast<std::size_t>(image.width()) * 4);
  for (int y = 0; y < height; ++y) {
    const int y0 = ys[static_cast<std::size_t>(y)], y1 = ys[static_cast<std::size_t>(y) + 1];
    auto* out = reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
    if (!average) {
      const std::uint8_t* row = image.row((y0 + y1 - 1) / 2).data();
      for (int x = 0; x < width; ++x) {
        const std::uint8_t* in = row + static_cast<std::size_t>((xs[static_cast<std::size_t>(x)] + xs[static_cast<std::size_t>(x) + 1] - 1) / 2) * 4;
        const std::uint32_t a = in[3];
        out[x] = (a << 24) | (std::min<std::uint32_t>(in[0], a) << 16) | (std::min<std::uint32_t>(in[1], a) << 8) |
                 std::min<std::uint32_t>(in[2], a);
      }
      continue;
    }
    // The block's rows summed column by column, then the columns of each block.
    std::fill(sums.begin(), sums.end(), 0u);
    for (int sy = y0; sy < y1; ++sy) {
      const std::uint8_t* in = image.row(sy).data();
      for (std::size_t i = 0; i < sums.size(); ++i) sums[i] += in[i];
    }
    for (int x = 0; x < width; ++x) {
      const int x0 = xs[static_cast<std::size_t>(x)], x1 = xs[static_cast<std::size_t>(x) + 1];
      std::uint64_t sum[4] = {0, 0, 0, 0};
      for (const std::uint64_t* column = &sums[static_cast<std::size_t>(x0) * 4]; column != &sums[0] + static_cast<std::size_t>(x1) * 4; column += 4)
        for (int c = 0; c < 4; ++c) sum[c] += column[c];
      const auto count = static_cast<std::uint64_t>(x1 - x0) * static_cast<std::uint64_t>(y1 - y0);
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

}  // namespace

CairoSurfacePtr makeCairoSurface(const Image& source, int factorX, int factorY, bool average) {
  const int fx = std::clamp(factorX, 1, std::max(1, source.width()));
  const int fy = std::clamp(factorY, 1, std::max(1, source.height()));
  if (source.empty() || (fx == 1 && fy == 1)) return makeCairoSurface(source);
  // Blocks of the factors, the last ones cut at the image's edge.
  auto edges = [](int pixels, int factor) {
    std::vector<int> at(static_cast<std::size_t>((pixels + factor - 1) / factor) + 1);
    for (std::size_t i = 0; i < at.size(); ++i) at[i] = std::min(pixels, static_cast<int>(i) * factor);
    return at;
  };
  return reducedSurface(source.toRGBA(), edges(source.width(), fx), edges(source.height(), fy), average);
}

CairoSurfacePtr makeCairoSurfaceOfSize(const Image& source, int width, int height, bool average) {
  const int w = std::clamp(width, 1, std::max(1, source.width()));
  const int h = std::clamp(height, 1, std::max(1, source.height()));
  if (source.empty() || (w == source.width() && h == source.height())) return makeCairoSurface(source);
  // Pixel i of n stands for the source's pixels from floor(i * pixels / n) on: blocks of
  // whole pixels whose sizes differ by one at most.
  auto edges = [](int pixels, int n) {
    std::vector<int> at(static_cast<std::size_t>(n) + 1);
    for (std::size_t i = 0; i < at.size(); ++i)
      at[i] = static_cast<int>(static_cast<std::int64_t>(i) * pixels / n);
    return at;
  };
  return reducedSurface(source.toRGBA(), edges(source.width(), w), edges(source.height(), h), average);
}

}  // namespace gfx
