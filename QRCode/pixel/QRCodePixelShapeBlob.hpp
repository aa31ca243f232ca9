#pragma once
// Blob: data modules as soft, connected masses. Every set module is a full 10 x 10 square
// whose corners are rounded (radius 3) where all three modules touching that corner are
// unset; every unset module lying in the inner angle of two set orthogonal neighbours
// gets a small concave fillet in that corner. No settings.

#include <cstdint>
#include <string_view>

#include "QRCode/pixel/NeighbourPixelShape.hpp"

class QRCodePixelShapeBlob final : public FixedPixelShape<QRCodePixelShapeBlob> {
 public:
  static std::string_view Name() { return "blob"; }
  static std::string_view Title() { return "Blob"; }

  gfx::Path generatePathFrom(const QRCodeBoolMatrix& matrix, gfx::Size size) override;

  // The radius of a free outer corner, in module units.
  static constexpr double cornerRadius = 3.0;

  // The outline of a set module whose rounded corners are the set `rounded` (members as in
  // QRCode::Corners: topLeft (0,0), topRight (10,0), bottomLeft (10,10), bottomRight
  // (0,10)), in module units; shared, made once.
  static const gfx::Path& modulePiece(std::uint8_t rounded);

  // The fillets of an unset module, in module units; shared, made once.
  enum class Fillet : std::uint8_t { aboveLeft, aboveRight, belowLeft, belowRight };
  static const gfx::Path& filletPiece(Fillet fillet);
};
