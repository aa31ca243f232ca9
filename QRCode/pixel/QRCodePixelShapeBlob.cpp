#include "QRCode/pixel/QRCodePixelShapeBlob.hpp"

#include <array>

#include "QRCode/core/QRCodeCorners.hpp"
#include "QRCode/core/QRCodePathHelpers.hpp"

namespace {

// The four corners of a module as corner-set members, in the order of their outline.
constexpr std::uint8_t cornerTopLeft = 1;      // (0, 0)
constexpr std::uint8_t cornerTopRight = 2;     // (10, 0)
constexpr std::uint8_t cornerBottomLeft = 4;   // (10, 10)
constexpr std::uint8_t cornerBottomRight = 8;  // (0, 10)

// The most elements one set module adds: move, four lines and four curves, close.
constexpr std::size_t moduleElements = 10;
// The elements of one fillet: move, two curves, two lines, close.
constexpr std::size_t filletElements = 6;

}  // namespace

const gfx::Path& QRCodePixelShapeBlob::modulePiece(std::uint8_t rounded) {
  static const std::array<gfx::Path, 16> pieces = [] {
    std::array<gfx::Path, 16> made;
    for (std::int64_t set = 0; set < 16; ++set)
      made[static_cast<std::size_t>(set)] =
          qrcore::roundedRect(gfx::Rect(0, 0, 10, 10), QRCode::Corners(set), cornerRadius);
    return made;
  }();
  return pieces[rounded & 15u];
}

const gfx::Path& QRCodePixelShapeBlob::filletPiece(Fillet fillet) {
  static const std::array<gfx::Path, 4> pieces{
      pixelPieceFromOutline("M 0,5 C 0,5 0,2.4 1.1,1.2 C 2.2,0 5,0 5,0 L 0,0 L 0,5 Z"),
      pixelPieceFromOutline("M 10,5 C 10,5 10,2.4 8.9,1.2 C 7.8,0 5,0 5,0 L 10,0 L 10,5 Z"),
      pixelPieceFromOutline("M 0,5 C 0,5 0,7.6 1.1,8.8 C 2.2,10 5,10 5,10 L 0,10 L 0,5 Z"),
      pixelPieceFromOutline("M 10,5 C 10,5 10,7.6 8.9,8.8 C 7.8,10 5,10 5,10 L 10,10 L 10,5 Z"),
  };
  return pieces[static_cast<std::size_t>(fillet) & 3u];
}

gfx::Path QRCodePixelShapeBlob::generatePathFrom(const QRCodeBoolMatrix& matrix, gfx::Size size) {
  gfx::Path path;
  const auto grid = PixelModuleGrid::fit(matrix.dimension(), size);
  if (!grid) return path;
  const std::int64_t d = grid->dimension;
  // Room for every set module and, on average, one fillet per unset module (real codes
  // have fewer), so that the path rarely grows.
  const std::int64_t set = matrix.setCount();
  path.reserve(static_cast<std::size_t>(set) * moduleElements +
               static_cast<std::size_t>(d * d - set) * filletElements);

  for (std::int64_t r = 0; r < d; ++r) {
    for (std::int64_t c = 0; c < d; ++c) {
      const QRCodeBoolMatrix::Neighbours n = matrix.neighbours(r, c);
      if (matrix.value(r, c)) {
        // A corner is rounded when all three modules touching it are unset.
        std::uint8_t rounded = 0;
        if (!n.left && !n.top && !n.topLeft) rounded |= cornerTopLeft;
        if (!n.right && !n.top && !n.topRight) rounded |= cornerTopRight;
        if (!n.right && !n.bottom && !n.bottomRight) rounded |= cornerBottomLeft;
        if (!n.left && !n.bottom && !n.bottomLeft) rounded |= cornerBottomRight;
        path.addPath(modulePiece(rounded), grid->moduleTransform(r, c));
        continue;
      }
      // Unset: a fillet in each inner angle of two set orthogonal neighbours.
      if (!((n.top || n.bottom) && (n.left || n.right))) continue;
      const gfx::AffineTransform t = grid->moduleTransform(r, c);
      if (n.top && n.left) path.addPath(filletPiece(Fillet::aboveLeft), t);
      if (n.top && n.right) path.addPath(filletPiece(Fillet::aboveRight), t);
      if (n.bottom && n.left) path.addPath(filletPiece(Fillet::belowLeft), t);
      if (n.bottom && n.right) path.addPath(filletPiece(Fillet::belowRight), t);
    }
  }
  return path;
}
