#include "QRCode/eye/QRCodePupilShapesBar.hpp"

#include <array>

namespace {

// Each bar is 9.33 thick; neighbouring bars are 1.0 apart.
constexpr double kBarThickness = 9.33;
constexpr std::array<double, 3> kBarStarts{30, 40.33, 50.66};
constexpr double kBarLength = 30;
// Corner size of a rounded bar's ends.
constexpr double kBarCorner = 4;

gfx::Path bars(bool horizontal, bool rounded) {
  gfx::Path path;
  path.reserve(rounded ? 3 * 10 : 3 * 5);
  for (double start : kBarStarts) {
    const gfx::Rect bar = horizontal ? gfx::Rect{30, start, kBarLength, kBarThickness}
                                     : gfx::Rect{start, 30, kBarThickness, kBarLength};
    if (rounded) path.addRoundedRect(bar, kBarCorner, kBarCorner);
    else path.addRect(bar);
  }
  // Every bar is already closed; this closes nothing, as for any finished outline.
  path.close();
  return path;
}

}  // namespace

gfx::Path QRCodePupilShapeBarsHorizontal::pupilPath() const { return bars(true, true); }
gfx::Path QRCodePupilShapeSquareBarsHorizontal::pupilPath() const { return bars(true, false); }
gfx::Path QRCodePupilShapeBarsVertical::pupilPath() const { return bars(false, true); }
gfx::Path QRCodePupilShapeSquareBarsVertical::pupilPath() const { return bars(false, false); }
