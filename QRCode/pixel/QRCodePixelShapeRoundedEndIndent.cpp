#include "QRCode/pixel/QRCodePixelShapeRoundedEndIndent.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "QRCode/core/QRCodeBoolMatrix.hpp"
#include "QRCode/core/QRCodePathHelpers.hpp"
#include "QRCode/pixel/CommonPixelGenerator.hpp"
#include "platform/foundation/Clamp.hpp"
#include "platform/graphics/AffineTransform.hpp"

namespace {

constexpr std::string_view cornerRadiusKey = "cornerRadiusFraction";
constexpr std::string_view innerCornersKey = "hasInnerCorners";

// Free ends of the indent shape: the free side notched two units deep at its middle.
struct Notches {
  gfx::Path top = qrcore::builtInOutline("M 0,10; L 10,10; L 10,0; C 10,0 9,2 5,2; C 1,2 0,0 0,0; L 0,10; Z");
  gfx::Path bottom = qrcore::builtInOutline("M 0,0; L 10,0; L 10,10; C 10,10 9,8 5,8; C 1,8 0,10 0,10; L 0,0; Z");
  gfx::Path left = qrcore::builtInOutline("M 10,0; L 0,0; C 0,0 2,1 2,5; C 2,9 0,10 0,10; L 10,10; L 10,0; Z");
  gfx::Path right = qrcore::builtInOutline("M 0,0; L 10,0; C 10,0 8,1 8,5; C 8,9 10,10 10,10; L 0,10; L 0,0; Z");
};

const Notches& notches() {
  static const Notches shared;
  return shared;
}

// Placement of a module piece: scale by cell / 10, then move to the cell at (x, y).
gfx::AffineTransform placement(double scale, double x, double y) { return {scale, 0, 0, scale, x, y}; }

}  // namespace

const gfx::Path& RoundedModulePixelShape::squareTemplate() {
  static const gfx::Path square = qrcore::builtInOutline("M 0,0; L 10,0; L 10,10; L 0,10; Z");
  return square;
}

const gfx::Path& RoundedModulePixelShape::tracedSquare() {
  static const gfx::Path square = qrcore::builtInOutline("M 0,0; L 10,0; L 10,10; L 0,10; L 0,0; Z");
  return square;
}

RoundedModulePixelShape::RoundedModulePixelShape(double cornerRadiusFraction, bool hasInnerCorners,
                                                 double defaultCornerRadius, bool defaultHasInnerCorners)
    : hasInnerCorners_(hasInnerCorners),
      defaultCornerRadius_(defaultCornerRadius),
      defaultHasInnerCorners_(defaultHasInnerCorners) {
  setCornerRadiusFraction(cornerRadiusFraction);
}

void RoundedModulePixelShape::setCornerRadiusFraction(double fraction) {
  cornerRadius_ = foundation::clampedFraction(fraction);
  actualRadius_ = 5 * cornerRadius_;
  actualRadiusSize_ = gfx::Size{actualRadius_, actualRadius_};
}

RoundedModulePixelShape::Configuration RoundedModulePixelShape::configurationFrom(
    const foundation::Settings& settings, double defaultCornerRadius, bool defaultHasInnerCorners) {
  return {foundation::doubleValue(settings, cornerRadiusKey).value_or(defaultCornerRadius),
          foundation::boolValue(settings, innerCornersKey).value_or(defaultHasInnerCorners)};
}

foundation::Settings RoundedModulePixelShape::settings() const {
  foundation::Settings result = foundation::Settings::object();
  result[std::string(cornerRadiusKey)] = cornerRadius_;
  result[std::string(innerCornersKey)] = hasInnerCorners_;
  return result;
}

bool RoundedModulePixelShape::supportsSettingValueForKey(std::string_view key) const {
  return key == cornerRadiusKey || key == innerCornersKey;
}

bool RoundedModulePixelShape::setSettingValue(const foundation::Settings& value, std::string_view key) {
  if (key == cornerRadiusKey) {
    const auto number = foundation::settingValueOr(value, defaultCornerRadius_, foundation::DoubleValue);
    if (!number) return false;
    setCornerRadiusFraction(*number);
    return true;
  }
  if (key == innerCornersKey) {
    const auto flag = foundation::settingValueOr(value, defaultHasInnerCorners_, foundation::BoolValue);
    if (!flag) return false;
    hasInnerCorners_ = *flag;
    return true;
  }
  return false;
}

void RoundedModulePixelShape::buildPieces(Pieces& p) const {
  const double r = actualRadius_;
  const gfx::Path* square = &squareTemplate();

  // No neighbour: the whole module as a rounded rectangle.
  p.lone.clear();
  p.lone.addRoundedRect(gfx::Rect(0, 0, 10, 10), r, r);

  // Two neighbours that meet at a corner: the opposite corner rounded.
  for (auto& piece : p.corners) piece.clear();
  const gfx::Path* corner[4];
  if (r == 0) {
    corner[0] = corner[1] = corner[2] = corner[3] = &tracedSquare();
  } else {
    gfx::Path& rightBottom = p.corners[0];  // top-left corner rounded
    rightBottom.moveTo({r, 0});
    rightBottom.lineTo({10, 0});
    rightBottom.lineTo({10, 10});
    rightBottom.lineTo({0, 10});
    rightBottom.lineTo({0, r});
    rightBottom.cubicTo({0, 0}, {r, 0}, {r, 0});
    rightBottom.close();

    gfx::Path& leftBottom = p.corners[1];  // top-right corner rounded
    leftBottom.moveTo({0, 0});
    leftBottom.lineTo({10 - r, 0});
    leftBottom.cubicTo({10, 0}, {10, r}, {10, r});
    leftBottom.lineTo({10, 10});
    leftBottom.lineTo({0, 10});
    leftBottom.lineTo({0, 0});
    leftBottom.close();

    gfx::Path& topRight = p.corners[2];  // bottom-left corner rounded
    topRight.moveTo({0, 0});
    topRight.lineTo({10, 0});
    topRight.lineTo({10, 10});
    topRight.lineTo({r, 10});
    topRight.cubicTo({0, 10}, {0, 10 - r}, {0, 10 - r});
    topRight.lineTo({0, 0});
    topRight.close();

    gfx::Path& topLeft = p.corners[3];  // bottom-right corner rounded
    topLeft.moveTo({0, 0});
    topLeft.lineTo({10, 0});
    topLeft.lineTo({10, 10 - r});
    topLeft.cubicTo({10, 10}, {10 - r, 10}, {10 - r, 10});
    topLeft.lineTo({0, 10});
    topLeft.lineTo({0, 0});
    topLeft.close();
    for (int i = 0; i < 4; ++i) corner[i] = &p.corners[static_cast<std::size_t>(i)];
  }

  // Every combination not named below (left and right, top and bottom, three or four
  // neighbours) is the square.
  p.byNeighbours.fill(square);
  p.byNeighbours[0] = &p.lone;
  p.byNeighbours[right | bottom] = corner[0];
  p.byNeighbours[left | bottom] = corner[1];
  p.byNeighbours[top | right] = corner[2];
  p.byNeighbours[top | left] = corner[3];
  for (auto& piece : p.ends) piece.clear();
  setFreeEndPieces(p);

  // Inner-corner fillets: the top-left one, mirrored into the other three corners.
  const double k = cornerRadius_ * innerRadius_;
  gfx::Path& topLeftFillet = p.fillets[0];
  topLeftFillet.clear();
  topLeftFillet.moveTo({k, 0});
  topLeftFillet.lineTo({0, 0});
  topLeftFillet.cubicTo({0, 0}, {0, k / 2}, {0, k});
  topLeftFillet.cubicTo({0, k / 2}, {k / 2, 0}, {k, 0});
  topLeftFillet.close();
  p.fillets[1] = topLeftFillet.transformed(gfx::AffineTransform{-1, 0, 0, 1, 10, 0});
  p.fillets[2] = topLeftFillet.transformed(gfx::AffineTransform{1, 0, 0, -1, 0, 10});
  p.fillets[3] = topLeftFillet.transformed(gfx::AffineTransform{-1, 0, 0, -1, 10, 10});
}

gfx::Path RoundedModulePixelShape::generatePathFrom(const QRCodeBoolMatrix& matrix, gfx::Size size) {
  gfx::Path path;
  const std::int64_t n = matrix.dimension();
  if (n <= 0) return path;
  const double dn = static_cast<double>(n);
  const double cell = std::min(size.width / dn, size.height / dn);
  const double xOffset = (size.width - dn * cell) * 0.5;
  const double yOffset = (size.height - dn * cell) * 0.5;
  // A size without a finite, positive cell lays nothing out.
  if (!(cell > 0) || !std::isfinite(cell) || !std::isfinite(xOffset) || !std::isfinite(yOffset)) return path;

  Pieces pieces;
  buildPieces(pieces);

  // The cells with a border of off cells around them, so that every neighbour of a
  // module is one read away.
  const std::int64_t w = n + 2;
  std::vector<std::uint8_t> padded(static_cast<std::size_t>(w * w), 0);
  const bool* cells = matrix.data();
  for (std::int64_t r = 0; r < n; ++r)
    std::copy(cells + r * n, cells + (r + 1) * n, padded.begin() + (r + 1) * w + 1);

  // What each cell draws: for an on-module its neighbour bits (0...15); for an off-module
  // 16 + one bit per fillet (top-left 1, top-right 2, bottom-left 4, bottom-right 8).
  std::vector<std::uint8_t> codes(static_cast<std::size_t>(n * n));
  const bool fillets = hasInnerCorners_;
  const std::size_t filletSize = pieces.fillets[0].size();
  std::size_t elements = 0;
  for (std::int64_t r = 0; r < n; ++r) {
    const std::uint8_t* q = padded.data() + (r + 1) * w + 1;
    std::uint8_t* code = codes.data() + r * n;
    for (std::int64_t c = 0; c < n; ++c, ++q) {
      const unsigned t = q[-w], b = q[w], l = q[-1], rt = q[1];
      if (*q) {
        const unsigned bits = t * top | b * bottom | l * left | rt * right;
        code[c] = static_cast<std::uint8_t>(bits);
        elements += pieces.byNeighbours[bits]->size();
      } else if (fillets) {
        const unsigned corners = (t & l & q[-w - 1]) | (t & rt & q[-w + 1]) << 1 | (b & l & q[w - 1]) << 2 |
                                 (b & rt & q[w + 1]) << 3;
        code[c] = static_cast<std::uint8_t>(16 + corners);
        elements += static_cast<std::size_t>(std::popcount(corners)) * filletSize;
      } else {
        code[c] = 16;
      }
    }
  }
  if (elements == 0) return path;
  path.reserve(elements);

  const double scale = cell / 10;
  for (std::int64_t r = 0; r < n; ++r) {
    const std::uint8_t* code = codes.data() + r * n;
    const double y = yOffset + static_cast<double>(r) * cell;
    for (std::int64_t c = 0; c < n; ++c) {
      const unsigned k = code[c];
      if (k == 16) continue;
      const gfx::AffineTransform t = placement(scale, xOffset + static_cast<double>(c) * cell, y);
      if (k < 16) {
        path.addPath(*pieces.byNeighbours[k], t);
      } else {
        for (unsigned i = 0; i < 4; ++i)
          if (k & (1u << i)) path.addPath(pieces.fillets[i], t);
      }
    }
  }
  return path;
}

std::shared_ptr<QRCodePixelShapeRoundedEndIndent> QRCodePixelShapeRoundedEndIndent::Create(
    const foundation::Settings& settings) {
  const Configuration c = configurationFrom(settings, DefaultCornerRadius(), DefaultHasInnerCorners());
  return std::make_shared<QRCodePixelShapeRoundedEndIndent>(c.cornerRadiusFraction, c.hasInnerCorners);
}

std::shared_ptr<QRCodePixelShapeGenerator> QRCodePixelShapeRoundedEndIndent::copyShape() const {
  return std::make_shared<QRCodePixelShapeRoundedEndIndent>(cornerRadiusFraction(), hasInnerCorners());
}

void QRCodePixelShapeRoundedEndIndent::setFreeEndPieces(Pieces& p) const {
  // Named by the one neighbour that is on; the notch sits on the opposite, free side.
  const Notches& n = notches();
  p.byNeighbours[bottom] = &n.top;
  p.byNeighbours[top] = &n.bottom;
  p.byNeighbours[right] = &n.left;
  p.byNeighbours[left] = &n.right;
}
