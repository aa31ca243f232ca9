#pragma once
// Circuit: every set module is a round pad of radius 4 joined to each set orthogonal
// neighbour by a neck 2.4 units wide that meets the middle of the shared edge, so that
// runs of modules look like traces on a circuit board. One of sixteen fixed pieces per
// module, chosen by its four orthogonal neighbours. No settings.

#include <string_view>

#include "QRCode/pixel/NeighbourPixelShape.hpp"

class QRCodePixelShapeCircuit final : public FixedPixelShape<QRCodePixelShapeCircuit> {
 public:
  static std::string_view Name() { return "circuit"; }
  static std::string_view Title() { return "Circuit"; }

  gfx::Path generatePathFrom(const QRCodeBoolMatrix& matrix, gfx::Size size) override;

  // The piece of a set module whose set orthogonal neighbours are `neighbours` (a
  // PixelNeighbourMask), in module units; shared, made once.
  static const gfx::Path& piece(unsigned neighbours);
};
