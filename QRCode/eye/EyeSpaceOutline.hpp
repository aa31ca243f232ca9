#pragma once
// Fixed eye and pupil outlines are kept as text in the short path form
// ("M 70,70; L 20,70; C x1,y1 x2,y2 x,y; Z.") and parsed once into template paths.

#include <initializer_list>
#include <string_view>

#include "platform/graphics/Path.hpp"

namespace qrshape {
// The path of the given outlines, one closed subpath per text, in order. Every element
// of the text is kept (degenerate curves and repeated points included). A text that does
// not parse throws std::logic_error (see builtInOutline).
gfx::Path eyeSpaceOutline(std::initializer_list<std::string_view> subpaths);
}  // namespace qrshape
