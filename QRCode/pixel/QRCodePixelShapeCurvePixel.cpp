#include "QRCode/pixel/QRCodePixelShapeCurvePixel.hpp"

#include <algorithm>
#include <string>

#include "QRCode/core/QRCodeCorners.hpp"
#include "QRCode/core/QRCodePathHelpers.hpp"
#include "platform/foundation/Clamp.hpp"
#include "platform/foundation/Settings.hpp"

namespace {

constexpr std::string_view cornerRadiusKey = "cornerRadiusFraction";
constexpr gfx::Rect insetRect(0.5, 0.5, 9, 9);
// A fraction of 1 rounds a lone module into a circle: the radius is half the inset side.
constexpr double radiusPerFraction = 4.5;

}  // namespace

std::shared_ptr<QRCodePixelShapeCurvePixel> QRCodePixelShapeCurvePixel::Create(const foundation::Settings& settings) {
  return std::make_shared<QRCodePixelShapeCurvePixel>(
      foundation::doubleValue(settings, cornerRadiusKey).value_or(DefaultCornerRadiusValue));
}

QRCodePixelShapeCurvePixel::QRCodePixelShapeCurvePixel(double cornerRadiusFraction) {
  setCornerRadiusFraction(cornerRadiusFraction);
}

void QRCodePixelShapeCurvePixel::setCornerRadiusFraction(double fraction) {
  cornerRadius_ = foundation::clampedFraction(fraction);
  actualRadius_ = radiusPerFraction * cornerRadius_;
  makePieces();
}

const gfx::Path& QRCodePixelShapeCurvePixel::insetSquare() {
  static const gfx::Path square = [] {
    gfx::Path p;
    p.addRect(insetRect);
    return p;
  }();
  return square;
}

void QRCodePixelShapeCurvePixel::makePieces() {
  using Mask = unsigned;
  namespace N = PixelNeighbourMask;
  const double r = actualRadius_;
  for (Mask n = 0; n < 16; ++n) {
    gfx::Path& p = pieces_[n];
    p.clear();
    if (n == 0) {
      // A lone module: quarter-ellipse corners of the full radius.
      p.addRoundedRect(insetRect, r, r);
      continue;
    }
    if ((n & (N::left | N::right)) == (N::left | N::right) || (n & (N::top | N::bottom)) == (N::top | N::bottom)) {
      p = insetSquare();
      continue;
    }
    // A corner is rounded when both neighbours beside it are unset. Corner-set members:
    // topLeft (0.5, 0.5), topRight (9.5, 0.5), bottomLeft (9.5, 9.5), bottomRight (0.5, 9.5).
    const bool top = n & N::top, bottom = n & N::bottom, left = n & N::left, right = n & N::right;
    const QRCode::Corners rounded(!left && !top, !right && !top, !right && !bottom, !left && !bottom);
    p = qrcore::roundedRect(insetRect, rounded, r);
  }
}

std::shared_ptr<QRCodePixelShapeGenerator> QRCodePixelShapeCurvePixel::copyShape() const {
  return std::make_shared<QRCodePixelShapeCurvePixel>(cornerRadius_);
}

gfx::Path QRCodePixelShapeCurvePixel::generatePathFrom(const QRCodeBoolMatrix& matrix, gfx::Size size) {
  gfx::Path path;
  const auto grid = PixelModuleGrid::fit(matrix.dimension(), size);
  if (!grid) return path;
  const std::int64_t d = grid->dimension;
  std::size_t moduleElements = 0;
  for (const gfx::Path& p : pieces_) moduleElements = std::max(moduleElements, p.size());
  path.reserve(static_cast<std::size_t>(matrix.setCount()) * moduleElements);

  for (std::int64_t r = 0; r < d; ++r) {
    for (std::int64_t c = 0; c < d; ++c) {
      if (!matrix.value(r, c)) continue;
      path.addPath(piece(PixelNeighbourMask::of(matrix, r, c)), grid->moduleTransform(r, c));
    }
  }
  return path;
}

foundation::Settings QRCodePixelShapeCurvePixel::settings() const {
  foundation::Settings result = foundation::Settings::object();
  result[std::string(cornerRadiusKey)] = cornerRadius_;
  return result;
}

bool QRCodePixelShapeCurvePixel::supportsSettingValueForKey(std::string_view key) const {
  return key == cornerRadiusKey;
}

bool QRCodePixelShapeCurvePixel::setSettingValue(const foundation::Settings& value, std::string_view key) {
  if (key != cornerRadiusKey) return false;
  const auto fraction = foundation::settingValueOr(value, DefaultCornerRadiusValue, foundation::DoubleValue);
  if (!fraction) return false;
  setCornerRadiusFraction(*fraction);
  return true;
}
