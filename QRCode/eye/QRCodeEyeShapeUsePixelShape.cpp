#include "QRCode/eye/QRCodeEyeShapeUsePixelShape.hpp"

#include <array>

#include "QRCode/core/QRCodeBoolMatrix.hpp"
#include "QRCode/pixel/CommonPixelShapes.hpp"
#include "QRCode/pixel/QRCodePixelInsetGenerator.hpp"

const QRCodeBoolMatrix& QRCodeEyeShapeUsePixelShape::eyeTemplate() {
  static const QRCodeBoolMatrix matrix = [] {
    // Rows 1 and 7: columns 1 to 7 on; rows 2 to 6: columns 1 and 7 on.
    std::array<int, 81> cells{};
    for (int i = 1; i <= 7; ++i) {
      cells[static_cast<std::size_t>(1 * 9 + i)] = 1;
      cells[static_cast<std::size_t>(7 * 9 + i)] = 1;
      cells[static_cast<std::size_t>(i * 9 + 1)] = 1;
      cells[static_cast<std::size_t>(i * 9 + 7)] = 1;
    }
    return QRCodeBoolMatrix::fromRawFlattenedInt(9, std::span<const int>(cells));
  }();
  return matrix;
}

gfx::Path QRCodeEyeShapeUsePixelShape::eyePath() const {
  std::shared_ptr<QRCodePixelShapeGenerator> shape = pixelShape();
  if (!shape)
    shape = std::make_shared<QRCodePixelShapeSquare>(std::make_shared<QRCodePixelInsetFixed>(), 0.0, 0.0, false);
  return shape->generatePathFrom(eyeTemplate(), gfx::Size{90, 90});
}

gfx::Path QRCodeEyeShapeUsePixelShape::eyeBackgroundPath() const {
  gfx::Path path;
  path.addRect(gfx::Rect{0, 0, 90, 90});
  return path;
}

std::shared_ptr<QRCodePupilShapeGenerator> QRCodeEyeShapeUsePixelShape::defaultPupil() const {
  return std::make_shared<QRCodePupilShapeUsePixelShape>();
}
