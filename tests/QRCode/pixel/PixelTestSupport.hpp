#pragma once
// Helpers of the pixel-shape tests: matrices of real codes, and drawing a generator's path
// into a bitmap with cairo (finder patterns as plain squares, a quiet zone around), then
// decoding it.

#include <cairo.h>

#include <cstdint>
#include <string>
#include <vector>

#include "QRCode/core/QRCodeBoolMatrix.hpp"
#include "QRCode/core/QRCodeEngineExternal.hpp"
#include "QRCode/pixel/QRCodePixelShapeGenerator.hpp"
#include "platform/graphics/Path.hpp"
#include "support/Decode.hpp"
#include "support/TestFolder.hpp"

namespace pixeltest {

inline const std::string& shareURL() {
  static const std::string url = "https://vidlumen.app/wallpaper/aurora-borealis?utm_source=share";
  return url;
}

// The matrix of a text at an error-correction level (0 L ... 3 H), with its one-module
// unset border.
inline QRCodeBoolMatrix codeMatrix(const std::string& text, int errorCorrection = 2) {
  QRCodeEngineExternal engine;
  return engine.generateWithText(text, errorCorrection);
}

// The data modules as the renderer hands them to a pixel shape: the border and the three
// 9 x 9 finder-pattern corners cleared.
inline QRCodeBoolMatrix dataModules(const QRCodeBoolMatrix& matrix) {
  QRCodeBoolMatrix m = matrix.copyMatrix();
  const std::int64_t n = m.dimension();
  for (std::int64_t r = 0; r < n; ++r)
    for (std::int64_t c = 0; c < n; ++c) {
      const bool border = r == 0 || c == 0 || r == n - 1 || c == n - 1;
      const bool top = r < 9, left = c < 9, bottom = r >= n - 9, right = c >= n - 9;
      if (border || (top && left) || (top && right) || (bottom && left)) m.setValue(r, c, false);
    }
  return m;
}

inline void addToCairo(cairo_t* cr, const gfx::Path& path) {
  for (const auto& e : path.elements()) {
    switch (e.type) {
      case gfx::PathElementType::move: cairo_move_to(cr, e.points[0].x, e.points[0].y); break;
      case gfx::PathElementType::line: cairo_line_to(cr, e.points[0].x, e.points[0].y); break;
      case gfx::PathElementType::quad: {
        double x0 = 0, y0 = 0;
        cairo_get_current_point(cr, &x0, &y0);
        const auto q = e.points[0], p = e.points[1];
        cairo_curve_to(cr, x0 + (q.x - x0) * 2 / 3, y0 + (q.y - y0) * 2 / 3, p.x + (q.x - p.x) * 2 / 3,
                       p.y + (q.y - p.y) * 2 / 3, p.x, p.y);
        break;
      }
      case gfx::PathElementType::cubic:
        cairo_curve_to(cr, e.points[0].x, e.points[0].y, e.points[1].x, e.points[1].y, e.points[2].x,
                       e.points[2].y);
        break;
      case gfx::PathElementType::close: cairo_close_path(cr); break;
    }
  }
}

// A rendered code: 32-bit pixels (cairo ARGB32; black on opaque white).
struct Rendered {
  int size = 0;
  int stride = 0;
  std::vector<std::uint8_t> pixels;

  DecodeResults decode() const {
    return {decodeWithZXing(pixels.data(), size, size, 4, static_cast<std::size_t>(stride)),
            decodeWithZbar(pixels.data(), size, size, 4, static_cast<std::size_t>(stride))};
  }
  // The grey value (0 black ... 255 white) of the pixel at (x, y), y downwards.
  int grey(int x, int y) const {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(stride) + 4 * static_cast<std::size_t>(x)];
  }
};

// Draws the code of matrix (with its border) into a size x size bitmap: the generator's
// path for the data modules over the whole size, the finder patterns as plain squares,
// and quiet light pixels around the code. When pngPath is given the picture is saved.
inline Rendered renderCode(QRCodePixelShapeGenerator& generator, const QRCodeBoolMatrix& matrix, int size = 300,
                           int quiet = 24, const std::string& pngPath = {}) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size);
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_translate(cr, quiet, quiet);
  const double codeSize = size - 2.0 * quiet;

  const gfx::Path data = generator.generatePathFrom(dataModules(matrix), gfx::Size{codeSize, codeSize});
  addToCairo(cr, data);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
  cairo_fill(cr);

  // Finder patterns: every set cell of the three corners as a full square.
  const std::int64_t n = matrix.dimension();
  const double cell = codeSize / static_cast<double>(n);
  for (std::int64_t r = 0; r < n; ++r)
    for (std::int64_t c = 0; c < n; ++c) {
      const bool top = r < 9, left = c < 9, bottom = r >= n - 9, right = c >= n - 9;
      if (!((top && left) || (top && right) || (bottom && left)) || !matrix.value(r, c)) continue;
      cairo_rectangle(cr, static_cast<double>(c) * cell, static_cast<double>(r) * cell, cell, cell);
    }
  cairo_fill(cr);
  cairo_surface_flush(surface);
  if (!pngPath.empty()) cairo_surface_write_to_png(surface, pngPath.c_str());

  Rendered result;
  result.size = size;
  result.stride = cairo_image_surface_get_stride(surface);
  const std::uint8_t* data8 = cairo_image_surface_get_data(surface);
  result.pixels.assign(data8, data8 + static_cast<std::size_t>(result.stride) * static_cast<std::size_t>(size));
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  return result;
}

inline bool contains(const std::vector<std::string>& list, const std::string& text) {
  for (const auto& s : list)
    if (s == text) return true;
  return false;
}

}  // namespace pixeltest
