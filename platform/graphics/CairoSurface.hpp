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

}  // namespace gfx
