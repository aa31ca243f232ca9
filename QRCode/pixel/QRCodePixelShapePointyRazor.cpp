#include "QRCode/pixel/QRCodePixelShapePointyRazor.hpp"

#include <algorithm>
#include <array>
#include <cstddef>

namespace {

namespace N = PixelNeighbourMask;

constexpr gfx::Rect moduleRect(0, 0, 10, 10);

gfx::Path rectPiece() {
  gfx::Path p;
  p.addRect(moduleRect);
  return p;
}

struct Outline {
  unsigned neighbours;  // PixelNeighbourMask bits
  std::string_view text;
};

// Pointy: a module with exactly one set neighbour points away from it.
constexpr Outline pointyOutlines[] = {
    {N::right, "M 10,0 L 5,0 L 0,5 L 5,10 L 10,10 Z"},
    {N::left, "M 0,0 L 0,10 L 5,10 L 10,5 L 5,0 Z"},
    {N::bottom, "M 0,10 L 10,10 L 10,5 L 5,0 L 0,5 Z"},
    {N::top, "M 0,0 L 10,0 L 10,5 L 5,10 L 0,5 Z"},
};

// Razor: a blade at the free end of a line (its control points bulge a little beyond the
// module's edge), and a bend rounded at its one outer corner.
constexpr Outline razorOutlines[] = {
    {N::right, "M 2,2 C 3.5,-0.5 6,0 6,0 L 10,0 L 10,10 L 0,10 C 0,10 0.5,4.5 2,2 Z"},
    {N::left, "M 0,0 L 10,0 C 10,0 9.5,5.5 8,8 C 6.5,10.5 4,10 4,10 L 0,10 L 0,0 Z"},
    {N::bottom, "M 0,0 C 0,0 5.5,0.5 8,2 C 10.5,3.5 10,6 10,6 L 10,10 L 0,10 L 0,0 Z"},
    {N::top, "M 0,0 L 10,0 L 10,10 C 10,10 4.5,9.5 2,8 C -0.5,6.5 0,4 0,4 L 0,0 Z"},
    {N::bottom | N::right,
     "M 10,10 C 10,10 10,3 10,3 C 10,1.32 10,0 10,0 L 3,0 C 2.34,0 1.72,0.22 1.22,0.58 "
     "C 0.48,1.13 0,2.01 0,3 L 0,10 L 10,10 L 10,10 Z"},
    {N::bottom | N::left,
     "M 0,10 C 0,10 0,3 0,3 C 0,1.32 0,0 0,0 L 7,0 C 7.66,0 8.28,0.22 8.78,0.58 "
     "C 9.52,1.13 10,2.01 10,3 L 10,10 L 0,10 L 0,10 Z"},
    {N::top | N::right,
     "M 10,0 C 10,0 10,7 10,7 C 10,8.68 10,10 10,10 L 3,10 C 2.34,10 1.72,9.78 1.22,9.42 "
     "C 0.48,8.87 0,7.99 0,7 L 0,0 L 10,0 L 10,0 Z"},
    {N::top | N::left,
     "M 0,0 C 0,0 0,7 0,7 C 0,8.68 0,10 0,10 L 7,10 C 7.66,10 8.28,9.78 8.78,9.42 "
     "C 9.52,8.87 10,7.99 10,7 L 10,0 L 0,0 L 0,0 Z"},
};

// The concave sliver in corner (0, 0) of an unset module; the other corners mirror it.
constexpr std::string_view razorFillerOutline = "M 1.25,0 L 0,0 C 0,0 0,0.625 0,1.25 C 0,0.625 0.625,0 1.25,0 Z";

// The lone Razor module: quarter-circle corners of radius 3.
constexpr double razorLoneRadius = 3.0;

// The most elements one module adds, over a table of sixteen pieces.
std::size_t mostElements(const gfx::Path& (*piece)(unsigned)) {
  std::size_t most = 0;
  for (unsigned n = 0; n < 16; ++n) most = std::max(most, piece(n).size());
  return most;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Pointy

const gfx::Path& QRCodePixelShapePointy::piece(unsigned neighbours) {
  static const std::array<gfx::Path, 16> pieces = [] {
    std::array<gfx::Path, 16> made;
    made.fill(rectPiece());
    for (const Outline& o : pointyOutlines) made[o.neighbours] = pixelPieceFromOutline(o.text);
    return made;
  }();
  return pieces[neighbours & 15u];
}

gfx::Path QRCodePixelShapePointy::generatePathFrom(const QRCodeBoolMatrix& matrix, gfx::Size size) {
  gfx::Path path;
  const auto grid = PixelModuleGrid::fit(matrix.dimension(), size);
  if (!grid) return path;
  const std::int64_t d = grid->dimension;
  static const std::size_t moduleElements = mostElements(&piece);
  path.reserve(static_cast<std::size_t>(matrix.setCount()) * moduleElements);

  for (std::int64_t r = 0; r < d; ++r) {
    for (std::int64_t c = 0; c < d; ++c) {
      if (!matrix.value(r, c)) continue;
      path.addPath(piece(PixelNeighbourMask::of(matrix, r, c)), grid->moduleTransform(r, c));
    }
  }
  return path;
}

// ---------------------------------------------------------------------------------------
// Razor

const gfx::Path& QRCodePixelShapeRazor::piece(unsigned neighbours) {
  static const std::array<gfx::Path, 16> pieces = [] {
    std::array<gfx::Path, 16> made;
    // An opposite pair (with or without others) is the full square; so is every
    // combination of three or four.
    made.fill(rectPiece());
    made[0].clear();
    made[0].addRoundedRect(moduleRect, razorLoneRadius, razorLoneRadius);
    for (const Outline& o : razorOutlines) made[o.neighbours] = pixelPieceFromOutline(o.text);
    return made;
  }();
  return pieces[neighbours & 15u];
}

const gfx::Path& QRCodePixelShapeRazor::filler(Corner corner) {
  static const std::array<gfx::Path, 4> fillers = [] {
    std::array<gfx::Path, 4> made;
    made[0] = pixelPieceFromOutline(razorFillerOutline);
    using T = gfx::AffineTransform;
    made[1].addPath(made[0], T::scale(-1, 1).concatenating(T::translation(10, 0)));
    made[2].addPath(made[0], T::scale(1, -1).concatenating(T::translation(0, 10)));
    made[3].addPath(made[0], T::scale(-1, -1).concatenating(T::translation(10, 10)));
    return made;
  }();
  return fillers[static_cast<std::size_t>(corner) & 3u];
}

gfx::Path QRCodePixelShapeRazor::generatePathFrom(const QRCodeBoolMatrix& matrix, gfx::Size size) {
  gfx::Path path;
  const auto grid = PixelModuleGrid::fit(matrix.dimension(), size);
  if (!grid) return path;
  const std::int64_t d = grid->dimension;
  static const std::size_t moduleElements = mostElements(&piece);
  path.reserve(static_cast<std::size_t>(matrix.setCount()) * moduleElements);

  for (std::int64_t r = 0; r < d; ++r) {
    for (std::int64_t c = 0; c < d; ++c) {
      const QRCodeBoolMatrix::Neighbours n = matrix.neighbours(r, c);
      if (matrix.value(r, c)) {
        path.addPath(piece(PixelNeighbourMask::of(n)), grid->moduleTransform(r, c));
        continue;
      }
      // Unset: a filler in each corner enclosed by both orthogonal neighbours and the
      // diagonal one.
      if (!((n.top || n.bottom) && (n.left || n.right))) continue;
      const gfx::AffineTransform t = grid->moduleTransform(r, c);
      if (n.top && n.left && n.topLeft) path.addPath(filler(Corner::topLeft), t);
      if (n.top && n.right && n.topRight) path.addPath(filler(Corner::topRight), t);
      if (n.bottom && n.left && n.bottomLeft) path.addPath(filler(Corner::bottomLeft), t);
      if (n.bottom && n.right && n.bottomRight) path.addPath(filler(Corner::bottomRight), t);
    }
  }
  return path;
}
