#pragma once
// cairo image surfaces made from our images, owned by a std::unique_ptr that destroys them.
// The one place that converts premultiplied RGBA bytes to cairo's native-endian ARGB words;
// the canvas, the document views and the Share panel all draw through it.

#include <cairo.h>

#include <memory>

#include "platform/graphics/Image.hpp"

namespace gfx {

struct CairoSurfaceDeleter {
  void operator()(cairo_surface_t* surface) const noexcept { cairo_surface_destroy(surface); }
};
using CairoSurfacePtr = std::unique_ptr<cairo_surface_t, CairoSurfaceDeleter>;

// An ARGB32 image surface holding a copy of the image (converted to premultiplied RGBA
// first; each colour channel is kept within alpha, as cairo requires). Null for an empty
// image and when cairo cannot make the surface (it is out of memory or the size is too
// large).
CairoSurfacePtr makeCairoSurface(const Image& image);

// The same for the image reduced by whole factors: each pixel of the surface stands for a
// block of factorX x factorY pixels (fewer at the right and bottom edges), their average
// when average is true, else the pixel nearest the block's centre. Factors of 1 give
// makeCairoSurface(image); factors below 1 count as 1.
CairoSurfacePtr makeCairoSurface(const Image& image, int factorX, int factorY, bool average);

// The same for the image reduced to width x height pixels (each limited to 1 and the
// image's own): pixel i of n stands for the block of whole source pixels from
// floor(i * pixels / n) to floor((i + 1) * pixels / n).
CairoSurfacePtr makeCairoSurfaceOfSize(const Image& image, int width, int height, bool average);

}  // namespace gfx
