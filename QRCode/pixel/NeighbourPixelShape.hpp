#pragma once
// Shared pieces of the pixel shapes that draw each module from a fixed piece chosen by its
// neighbours (blob, circuit, curve pixel, pointy, razor):
//  - PixelModuleGrid: the layout of a matrix in a target size. Every piece is drawn in a
//    10 x 10 unit square; the module at (row r, column c) is scaled by cell / 10 and
//    translated to (x0 + c * cell, y0 + r * cell), with cell = min(W / d, H / d) and the grid
//    centred by x0 = (W - d * cell) / 2, y0 = (H - d * cell) / 2. Row 0 lies at the smallest y.
//  - PixelNeighbourMask: the four orthogonal neighbours of a module as a 4-bit index into a
//    table of pieces.
//  - FixedPixelShape: Name, Title, Create, copyShape and the empty settings of a shape
//    class that has no settings.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>

#include "QRCode/core/QRCodeBoolMatrix.hpp"
#include "QRCode/core/QRCodePathHelpers.hpp"
#include "QRCode/pixel/QRCodePixelShapeGenerator.hpp"
#include "platform/foundation/Settings.hpp"
#include "platform/graphics/AffineTransform.hpp"
#include "platform/graphics/Geometry.hpp"
#include "platform/graphics/Path.hpp"

struct PixelModuleGrid {
  std::int64_t dimension = 0;
  double cell = 0;
  double x0 = 0;
  double y0 = 0;

  // The grid of a matrix of this dimension in size, or none when nothing can be laid out
  // (dimension 0, or a size that gives no finite, positive cell).
  static std::optional<PixelModuleGrid> fit(std::int64_t dimension, gfx::Size size) {
    if (dimension <= 0) return std::nullopt;
    const double d = static_cast<double>(dimension);
    PixelModuleGrid grid;
    grid.dimension = dimension;
    grid.cell = std::min(size.width / d, size.height / d);
    grid.x0 = (size.width - d * grid.cell) * 0.5;
    grid.y0 = (size.height - d * grid.cell) * 0.5;
    if (!(grid.cell > 0) || !std::isfinite(grid.cell) || !std::isfinite(grid.x0) || !std::isfinite(grid.y0))
      return std::nullopt;
    return grid;
  }

  // Unit space of the module (row, col) to the result: scale by cell / 10, then translate.
  gfx::AffineTransform moduleTransform(std::int64_t row, std::int64_t col) const {
    const double s = cell / 10;
    return {s, 0, 0, s, x0 + static_cast<double>(col) * cell, y0 + static_cast<double>(row) * cell};
  }
};

// Bits of the four orthogonal neighbours that are set.
namespace PixelNeighbourMask {
inline constexpr unsigned top = 1;     // the row above (row - 1)
inline constexpr unsigned bottom = 2;  // the row below (row + 1)
inline constexpr unsigned left = 4;    // column - 1
inline constexpr unsigned right = 8;   // column + 1

constexpr unsigned of(bool isTop, bool isBottom, bool isLeft, bool isRight) {
  return (isTop ? top : 0u) | (isBottom ? bottom : 0u) | (isLeft ? left : 0u) | (isRight ? right : 0u);
}
inline unsigned of(const QRCodeBoolMatrix::Neighbours& n) { return of(n.top, n.bottom, n.left, n.right); }
// Straight from the matrix; cells outside it are unset.
inline unsigned of(const QRCodeBoolMatrix& m, std::int64_t row, std::int64_t col) {
  return of(m.value(row - 1, col), m.value(row + 1, col), m.value(row, col - 1), m.value(row, col + 1));
}
}  // namespace PixelNeighbourMask

// A pixel shape class without settings: Create ignores the dictionary, settings is empty,
// no key is supported or taken. Self provides static Name() and Title() and
// generatePathFrom.
template <class Self>
class FixedPixelShape : public QRCodePixelShapeGenerator {
 public:
  static std::shared_ptr<Self> Create(const foundation::Settings& = {}) { return std::make_shared<Self>(); }

  std::string_view name() const override { return Self::Name(); }
  std::string_view title() const override { return Self::Title(); }
  std::shared_ptr<QRCodePixelShapeGenerator> copyShape() const override { return std::make_shared<Self>(); }
  foundation::Settings settings() const override { return foundation::Settings::object(); }
  bool setSettingValue(const foundation::Settings&, std::string_view) override { return false; }
  bool supportsSettingValueForKey(std::string_view) const override { return false; }
};

// A piece pasted in the short outline form (see builtInOutline).
inline gfx::Path pixelPieceFromOutline(std::string_view outline) { return qrcore::builtInOutline(outline); }
