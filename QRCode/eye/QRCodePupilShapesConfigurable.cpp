#include "QRCode/eye/QRCodePupilShapesConfigurable.hpp"

#include <algorithm>
#include <array>
#include <string>

#include "QRCode/core/QRCodeBoolMatrix.hpp"
#include "QRCode/eye/EyeSpaceOutline.hpp"
#include "QRCode/pixel/CommonPixelShapes.hpp"
#include "QRCode/pixel/QRCodePixelInsetGenerator.hpp"
#include "platform/graphics/AffineTransform.hpp"

namespace {

constexpr gfx::Rect kPupilBox{30, 30, 30, 30};

// The pixel pupils' cells: 9 units square, at 30, 40 and 50 on each axis.
constexpr std::array<double, 3> kCellStarts{30, 40, 50};
constexpr double kCellSide = 9;
// The largest corner radius a 9-unit cell can take.
constexpr double kMaxCellRadius = kCellSide / 2;

double cellRadius(double radius) { return std::clamp(radius, 0.0, kMaxCellRadius); }

}  // namespace

// --- Edges, Pixels, CorneredPixels ----------------------------------------------------

gfx::Path QRCodePupilShapeEdges::pupilPath() const {
  gfx::Path path;
  path.addRoundedRect(kPupilBox, actualCornerRadius(), actualCornerRadius());
  return path;
}

gfx::Path QRCodePupilShapePixels::pupilPath() const {
  const double r = cellRadius(actualCornerRadius());
  gfx::Path path;
  path.reserve(9 * 10);
  for (double y : kCellStarts)
    for (double x : kCellStarts) path.addRoundedRect(gfx::Rect{x, y, kCellSide, kCellSide}, r, r);
  return path;
}

gfx::Path QRCodePupilShapeCorneredPixels::pupilPath() const {
  const double r = cellRadius(actualCornerRadius());
  gfx::Path path;
  path.reserve(9 * 7);
  // Row 30: the corner cell rounded at (30, 30), a square, the corner cell rounded at (59, 30).
  path.moveTo({30 + r, 30});
  path.lineTo({39, 30});
  path.lineTo({39, 39});
  path.lineTo({30, 39});
  path.lineTo({30, 30 + r});
  path.cubicTo({30, 30}, {30 + r, 30}, {30 + r, 30});
  path.close();
  path.addRect({40, 30, kCellSide, kCellSide});
  path.moveTo({50, 30});
  path.lineTo({59 - r, 30});
  path.cubicTo({59, 30}, {59, 30 + r}, {59, 30 + r});
  path.lineTo({59, 39});
  path.lineTo({50, 39});
  path.lineTo({50, 30});
  path.close();
  // Row 40: three squares.
  for (double x : kCellStarts) path.addRect({x, 40, kCellSide, kCellSide});
  // Row 50: the corner cell rounded at (30, 59), a square, the corner cell rounded at (59, 59).
  path.moveTo({30, 50});
  path.lineTo({39, 50});
  path.lineTo({39, 59});
  path.lineTo({30 + r, 59});
  path.cubicTo({30, 59}, {30, 59 - r}, {30, 59 - r});
  path.lineTo({30, 50});
  path.close();
  path.addRect({40, 50, kCellSide, kCellSide});
  path.moveTo({50, 50});
  path.lineTo({59, 50});
  path.lineTo({59, 59 - r});
  path.cubicTo({59, 59}, {59 - r, 59}, {59 - r, 59});
  path.lineTo({50, 59});
  path.lineTo({50, 50});
  path.close();
  return path;
}

// --- Shield -----------------------------------------------------------------------------

namespace {

// One quadrant per corner flag (1, 2, 4, 8): [flag][0] with the corner rounded, [flag][1]
// with the shield cut.
const std::array<std::array<gfx::Path, 2>, 4>& shieldQuadrants() {
  static const std::array<std::array<gfx::Path, 2>, 4> quadrants{{
      // topLeft (1): the corner (30, 60)
      {qrshape::eyeSpaceOutline({"M 45,45; L 30,45; L 30,56; C 30,58.21 31.79,60 34,60; L 45,60; L 45,45; Z."}),
       qrshape::eyeSpaceOutline({"M 37.58,60; C 36.03,56.66 33.34,53.97 30,52.42; C 30,48.7 30,45 30,45; "
                        "L 45,45; L 45,60; L 37.58,60; Z."})},
      // topRight (2): the corner (60, 60)
      {qrshape::eyeSpaceOutline({"M 45,45; L 60,45; L 60,56; C 60,58.21 58.21,60 56,60; L 45,60; L 45,45; Z."}),
       qrshape::eyeSpaceOutline({"M 52.42,60; C 53.97,56.66 56.66,53.97 60,52.42; C 60,48.7 60,45 60,45; "
                        "L 45,45; L 45,60; L 52.42,60; Z."})},
      // bottomLeft (4): the corner (30, 30)
      {qrshape::eyeSpaceOutline({"M 45,45; L 30,45; L 30,34; C 30,31.79 31.79,30 34,30; L 45,30; L 45,45; Z."}),
       qrshape::eyeSpaceOutline({"M 37.58,30; C 36.03,33.34 33.34,36.03 30,37.58; C 30,41.3 30,45 30,45; "
                        "L 45,45; L 45,30; L 37.58,30; Z."})},
      // bottomRight (8): the corner (60, 30)
      {qrshape::eyeSpaceOutline({"M 45,45; L 60,45; L 60,34; C 60,31.79 58.21,30 56,30; L 45,30; L 45,45; Z."}),
       qrshape::eyeSpaceOutline({"M 52.42,30; C 53.97,33.34 56.66,36.03 60,37.58; C 60,41.3 60,45 60,45; "
                        "L 45,45; L 45,30; L 52.42,30; Z."})},
  }};
  return quadrants;
}

}  // namespace

std::shared_ptr<QRCodePupilShapeShield> QRCodePupilShapeShield::Create(const foundation::Settings& settings) {
  const auto corners = foundation::int64Value(settings, cornersKey);
  return std::make_shared<QRCodePupilShapeShield>(QRCode::Corners(corners.value_or(15)));
}

std::shared_ptr<QRCodePupilShapeGenerator> QRCodePupilShapeShield::copyShape() const {
  return std::make_shared<QRCodePupilShapeShield>(corners_);
}

gfx::Path QRCodePupilShapeShield::pupilPath() const {
  const auto& quadrants = shieldQuadrants();
  gfx::Path path;
  path.reserve(4 * 8);
  for (std::size_t i = 0; i < quadrants.size(); ++i) {
    const bool cut = (corners_.rawValue >> i) & 1;
    path.addPath(quadrants[i][cut ? 1 : 0]);
  }
  return path;
}

foundation::Settings QRCodePupilShapeShield::settings() const {
  foundation::Settings result = foundation::Settings::object();
  result[std::string(cornersKey)] = corners_.rawValue;
  return result;
}

bool QRCodePupilShapeShield::setSettingValue(const foundation::Settings& value, std::string_view key) {
  if (key != cornersKey) return false;
  const auto raw = foundation::IntValue(value);
  if (!raw) return false;
  corners_ = QRCode::Corners(*raw);
  return true;
}

// --- UFO --------------------------------------------------------------------------------

namespace {

bool flagFrom(const foundation::Settings& settings) {
  return foundation::boolValue(settings, QRCodePupilShapeUFO::isFlippedKey).value_or(false);
}

}  // namespace

std::shared_ptr<QRCodePupilShapeUFO> QRCodePupilShapeUFO::Create(const foundation::Settings& settings) {
  return std::make_shared<QRCodePupilShapeUFO>(flagFrom(settings));
}

QRCodePupilShapeUFO::QRCodePupilShapeUFO(const foundation::Settings& settings) : isFlipped_(flagFrom(settings)) {}

std::shared_ptr<QRCodePupilShapeGenerator> QRCodePupilShapeUFO::copyShape() const {
  return std::make_shared<QRCodePupilShapeUFO>(isFlipped_);
}

gfx::Path QRCodePupilShapeUFO::pupilPath() const {
  static const gfx::Path outline = qrshape::eyeSpaceOutline({
      "M 60,60; C 60,60 60,45 60,45; C 60,36.72 53.28,30 45,30; L 30,30; L 30,45; "
      "C 30,53.28 36.72,60 45,60; L 60,60; L 60,60; Z.",
  });
  if (!isFlipped_) return outline;
  static constexpr gfx::AffineTransform flip{1, 0, 0, -1, 0, 90};
  gfx::Path path;
  path.addPath(outline, flip);
  return path;
}

foundation::Settings QRCodePupilShapeUFO::settings() const {
  foundation::Settings result = foundation::Settings::object();
  result[std::string(isFlippedKey)] = isFlipped_;
  return result;
}

bool QRCodePupilShapeUFO::setSettingValue(const foundation::Settings& value, std::string_view key) {
  if (key == isFlippedKey) isFlipped_ = foundation::BoolValue(value).value_or(false);
  return false;
}

// --- UsePixelShape ----------------------------------------------------------------------

const QRCodeBoolMatrix& QRCodePupilShapeUsePixelShape::pupilTemplate() {
  static const QRCodeBoolMatrix matrix = [] {
    std::array<int, 36> cells{};
    for (int row = 3; row < 6; ++row)
      for (int column = 3; column < 6; ++column) cells[static_cast<std::size_t>(row * 6 + column)] = 1;
    return QRCodeBoolMatrix::fromRawFlattenedInt(6, std::span<const int>(cells));
  }();
  return matrix;
}

gfx::Path QRCodePupilShapeUsePixelShape::pupilPath() const {
  std::shared_ptr<QRCodePixelShapeGenerator> shape = pixelShape();
  if (!shape)
    shape = std::make_shared<QRCodePixelShapeSquare>(std::make_shared<QRCodePixelInsetFixed>(), 0.0, 0.0, false);
  return shape->generatePathFrom(pupilTemplate(), gfx::Size{60, 60});
}
