#include "QRCode/eye/QRCodeEyeShapesConfigurable.hpp"

#include <algorithm>
#include <array>
#include <string>

#include "QRCode/eye/EyeSpaceOutline.hpp"
#include "platform/graphics/AffineTransform.hpp"

namespace {

// The whole eye space, the area behind the module-built eyes.
constexpr gfx::Rect kEyeSpace{0, 0, 90, 90};

// (x, y) -> (x, 90 - y).
constexpr gfx::AffineTransform kMirrorTopToBottom{1, 0, 0, -1, 0, 90};

// Side of one ring module square; the 1-unit rest of each 10-unit module is the gap.
constexpr double kModuleSide = 9;

// Half the thickness of an edges bar (one module), the largest corner radius it can take.
constexpr double kEdgesBarHalfThickness = 5;

// The low corners of the ring modules that are plain squares in every module-built eye,
// besides the four corner modules: the left and right columns, then the top and bottom
// rows (eye-space coordinates as built).
constexpr std::array<gfx::Point, 5> kLeftColumn{{{10, 20}, {10, 30}, {10, 40}, {10, 50}, {10, 60}}};
constexpr std::array<gfx::Point, 5> kRightColumn{{{70, 20}, {70, 30}, {70, 40}, {70, 50}, {70, 60}}};
constexpr std::array<gfx::Point, 5> kFirstRow{{{20, 10}, {30, 10}, {40, 10}, {50, 10}, {60, 10}}};
constexpr std::array<gfx::Point, 5> kLastRow{{{20, 70}, {30, 70}, {40, 70}, {50, 70}, {60, 70}}};

void addModuleSquares(gfx::Path& path, const std::array<gfx::Point, 5>& origins) {
  for (const gfx::Point& o : origins) path.addRect(gfx::Rect{o.x, o.y, kModuleSide, kModuleSide});
}

}  // namespace

// --- cornered pixels ---------------------------------------------------------------------

gfx::Path QRCodeEyeShapeCorneredPixels::eyePath() const {
  // Any stored radius is drawn within the module's side (a NaN as 0); 0 exactly gives the
  // square form built from lines only.
  const double r = foundation::clampedToRange(actualCornerRadius(), 0.0, kModuleSide);
  const bool square = r == 0;
  gfx::Path path;
  path.reserve(24 * 7);

  // Corner module (10, 10), outer corner (10, 10).
  if (square) {
    path.moveTo({10, 10});
    path.lineTo({19, 10});
    path.lineTo({19, 19});
    path.lineTo({10, 19});
    path.lineTo({10, 10});
  } else {
    path.moveTo({10 + r, 10});
    path.lineTo({19, 10});
    path.lineTo({19, 19});
    path.lineTo({10, 19});
    path.lineTo({10, 10 + r});
    path.cubicTo({10, 10}, {10 + r, 10}, {10 + r, 10});
  }
  path.close();
  addModuleSquares(path, kLeftColumn);

  // Corner module (10, 70), outer corner (10, 79).
  path.moveTo({10, 70});
  path.lineTo({19, 70});
  path.lineTo({19, 79});
  if (square) {
    path.lineTo({10, 79});
  } else {
    path.lineTo({10 + r, 79});
    path.cubicTo({10, 79}, {10, 79 - r}, {10, 79 - r});
  }
  path.lineTo({10, 70});
  path.close();

  // Corner module (70, 10), outer corner (79, 10).
  path.moveTo({70, 10});
  if (square) {
    path.lineTo({79, 10});
  } else {
    path.lineTo({79 - r, 10});
    path.cubicTo({79, 10}, {79, 10 + r}, {79, 10 + r});
  }
  path.lineTo({79, 19});
  path.lineTo({70, 19});
  path.lineTo({70, 10});
  path.close();
  addModuleSquares(path, kRightColumn);

  // Corner module (70, 70), outer corner (79, 79).
  path.moveTo({70, 70});
  path.lineTo({79, 70});
  if (square) {
    path.lineTo({79, 79});
  } else {
    path.lineTo({79, 79 - r});
    path.cubicTo({79, 79}, {79 - r, 79}, {79 - r, 79});
  }
  path.lineTo({70, 79});
  path.lineTo({70, 70});
  path.close();

  addModuleSquares(path, kFirstRow);
  addModuleSquares(path, kLastRow);
  return path;
}

gfx::Path QRCodeEyeShapeCorneredPixels::eyeBackgroundPath() const {
  gfx::Path path;
  path.addRect(kEyeSpace);
  return path;
}

std::shared_ptr<QRCodePupilShapeGenerator> QRCodeEyeShapeCorneredPixels::defaultPupil() const {
  // The pupil derives its radius as fraction x 5 from the same fraction.
  return std::make_shared<QRCodePupilShapeCorneredPixels>(cornerRadiusFraction());
}

// --- edges -------------------------------------------------------------------------------

gfx::Path QRCodeEyeShapeEdges::eyePath() const {
  static constexpr gfx::Rect bars[] = {{30, 70, 30, 10}, {30, 10, 30, 10}, {10, 30, 10, 30}, {70, 30, 10, 30}};
  // Radii beyond half the bar's thickness (fractions above 1 set through the property)
  // draw as 5, so the bar ends stay round rather than turning into half ellipses.
  const double r = std::clamp(actualCornerRadius(), 0.0, kEdgesBarHalfThickness);
  gfx::Path path;
  path.reserve(4 * 10);
  for (const gfx::Rect& bar : bars) path.addRoundedRect(bar, r, r);
  return path;
}

gfx::Path QRCodeEyeShapeEdges::eyeBackgroundPath() const {
  gfx::Path path;
  path.addRect(kEyeSpace);
  return path;
}

const std::shared_ptr<QRCodePupilShapeEdges>& QRCodeEyeShapeEdges::sharedDefaultPupil() {
  static const std::shared_ptr<QRCodePupilShapeEdges> pupil =
      std::make_shared<QRCodePupilShapeEdges>(QRCodePupilShapeEdges::DefaultCornerRadius());
  return pupil;
}

std::shared_ptr<QRCodePupilShapeGenerator> QRCodeEyeShapeEdges::defaultPupil() const {
  return sharedDefaultPupil();
}

// --- pixels ------------------------------------------------------------------------------

gfx::Path QRCodeEyeShapePixels::eyePath() const {
  // The platform's rounded rectangle limits the corner to half the square's side, so
  // radii above 4.5 (fractions above 0.9) draw as 4.5.
  const double r = actualCornerRadius();
  gfx::Path path;
  path.reserve(24 * 10);
  auto add = [&](double x, double y) { path.addRoundedRect(gfx::Rect{x, y, kModuleSide, kModuleSide}, r, r); };
  for (double y = 10; y <= 70; y += 10) add(10, y);
  for (double y = 10; y <= 70; y += 10) add(70, y);
  for (double x = 20; x <= 60; x += 10) add(x, 10);
  for (double x = 20; x <= 60; x += 10) add(x, 70);
  return path;
}

gfx::Path QRCodeEyeShapePixels::eyeBackgroundPath() const {
  gfx::Path path;
  path.addRect(kEyeSpace);
  return path;
}

std::shared_ptr<QRCodePupilShapeGenerator> QRCodeEyeShapePixels::defaultPupil() const {
  // The pupil derives its radius with the same rule (clamped fraction x 5).
  return std::make_shared<QRCodePupilShapePixels>(cornerRadiusFraction());
}

// --- shield ------------------------------------------------------------------------------

namespace {

// The four quarters of the shield ring in the order of their corner bits (topLeft 1,
// topRight 2, bottomLeft 4, bottomRight 8), each as a plain rounded corner ("clear") and
// with the shield notch ("set"). The quarters are not all exact mirror images of one
// another, so each is written out.
struct ShieldQuarter {
  gfx::Path clear, set;
};

const std::array<ShieldQuarter, 4>& shieldQuarters() {
  static const std::array<ShieldQuarter, 4> quarters{{
      // topLeft: 10 <= x <= 45, 45 <= y <= 80, outer corner (10, 80).
      {qrshape::eyeSpaceOutline({
           "M 45,80; C 45,80 45,70 45,70; L 30.61,70; C 29.85,69.92 28.86,69.76 27.8,69.49; "
           "C 26.12,69.05 24.29,68.29 23,67; C 20.89,64.89 20.21,61.34 20,59.39; "
           "C 20,59.39 20,54.14 20,49.99; C 20,47.28 20,45.04 20,45.04; "
           "C 20,45.04 19.18,45.04 18.01,45.03; C 15.1,45.02 10,45 10,45; "
           "C 10,45 10,53.92 10,58; C 10,59.21 10,60 10,60; L 10.1,60; "
           "C 10.38,63.43 11.45,70.45 15.5,74.5; C 19.55,78.55 26.57,79.62 30,79.9; "
           "L 45,80; L 45,80; Z.",
       }),
       qrshape::eyeSpaceOutline({
           "M 22.9,78.06; C 20.9,76.06 21.78,74.36 19.03,71.61; "
           "C 16.28,68.86 15.16,70.32 12.57,67.74; C 10.2,65.37 10.02,60.83 10,60.1; "
           "C 10,60.1 10,45 10,45; L 20,45; C 20,45 20,48.8 20,52.59; "
           "C 20,55.99 20,59.38 20,60; C 20,60 23.5,61.5 26,64; "
           "C 28.49,66.49 29.99,69.98 30,70; C 30,70 33.69,70 37.42,70; "
           "C 41.19,70 45,70 45,70; L 45,80; L 30,80; C 30,80 24.9,80.06 22.9,78.06; Z.",
       })},
      // topRight: 45 <= x <= 80, 45 <= y <= 80, outer corner (80, 80).
      {qrshape::eyeSpaceOutline({
           "M 60,80; C 63.43,79.62 70.45,78.55 74.5,74.5; C 78.55,70.45 79.62,63.43 79.9,60; "
           "L 80,60; C 80,60 80,59.21 80,58; C 80,53.92 80,45 80,45; L 70,45; "
           "C 70,45 70,48.75 70,52.5; C 70,55.34 70,58.18 70,59.39; "
           "C 69.79,61.34 69.11,64.89 67,67; C 64.89,69.11 61.34,69.79 59.39,70; L 45,70; "
           "L 45,80; L 60,80; L 60,80; Z.",
       }),
       qrshape::eyeSpaceOutline({
           "M 67.1,78.06; C 69.1,76.06 68.22,74.36 70.97,71.61; "
           "C 73.72,68.86 74.84,70.32 77.43,67.74; C 79.8,65.37 79.98,60.83 80,60.1; "
           "C 80,60.1 80,45 80,45; L 70,45; C 70,45 70,48.8 70,52.59; "
           "C 70,55.99 70,59.38 70,60; C 70,60 66.5,61.5 64,64; "
           "C 61.51,66.49 60.01,69.98 60,70; C 60,70 56.31,70 52.58,70; "
           "C 48.81,70 45,70 45,70; L 45,80; L 60,80; C 60,80 65.1,80.06 67.1,78.06; Z.",
       })},
      // bottomLeft: 10 <= x <= 45, 10 <= y <= 45, outer corner (10, 10).
      {qrshape::eyeSpaceOutline({
           "M 20,45; C 20,45 20,33.42 20,30.61; C 20.21,28.66 20.89,25.11 23,23; "
           "C 25.11,20.89 28.66,20.21 30.61,20; L 45,20; L 45,10; L 30,10; "
           "C 26.57,10.38 19.55,11.45 15.5,15.5; C 14.21,16.79 13.23,18.38 12.47,20.05; "
           "C 10.85,23.65 10.29,27.66 10.1,30; L 10,30; C 10,30 10,30.79 10,32; "
           "C 10,36.08 10,45 10,45; L 20,45; L 20,45; Z.",
       }),
       qrshape::eyeSpaceOutline({
           "M 22.9,11.94; C 20.9,13.94 21.78,15.64 19.03,18.39; "
           "C 16.28,21.14 15.16,19.68 12.57,22.26; C 10.2,24.63 10.02,29.17 10,29.9; "
           "C 10,29.9 10,45 10,45; L 20,45; C 20,45 20,41.2 20,37.41; "
           "C 20,34.01 20,30.62 20,30; C 20,30 23.5,28.5 26,26; "
           "C 28.49,23.51 29.99,20.02 30,20; C 30,20 33.69,20 37.42,20; "
           "C 41.19,20 45,20 45,20; L 45,10; L 30,10; C 30,10 24.9,9.94 22.9,11.94; Z.",
       })},
      // bottomRight: 45 <= x <= 80, 10 <= y <= 45, outer corner (80, 10).
      {qrshape::eyeSpaceOutline({
           "M 80,45; C 80,45 80,36.08 80,32; C 80,30.79 80,30 80,30; L 79.9,30; "
           "C 79.62,26.57 78.55,19.55 74.5,15.5; C 70.45,11.45 63.43,10.38 60,10.1; "
           "L 45,10; L 45,20; L 59.39,20; C 61.34,20.21 64.89,20.89 67,23; "
           "C 69.11,25.11 69.79,28.66 70,30.61; C 70,32.09 70,36 70,39.38; "
           "C 70,42.41 70,45 70,45; L 80,45; L 80,45; Z.",
       }),
       qrshape::eyeSpaceOutline({
           "M 67.1,11.94; C 69.1,13.94 68.22,15.64 70.97,18.39; "
           "C 73.72,21.14 74.84,19.68 77.43,22.26; C 79.8,24.63 79.98,29.17 80,29.9; "
           "C 80,29.9 80,45 80,45; L 70,45; C 70,45 70,41.2 70,37.41; "
           "C 70,34.01 70,30.62 70,30; C 70,30 66.5,28.5 64,26; "
           "C 61.51,23.51 60.01,20.02 60,20; C 60,20 56.31,20 52.58,20; "
           "C 48.81,20 45,20 45,20; L 45,10; L 60,10; C 60,10 65.1,9.94 67.1,11.94; Z.",
       })},
  }};
  return quarters;
}

}  // namespace

std::shared_ptr<QRCodeEyeShapeShield> QRCodeEyeShapeShield::Create(const foundation::Settings& settings) {
  const auto raw = foundation::int64Value(settings, cornersKey);
  return std::make_shared<QRCodeEyeShapeShield>(raw ? QRCode::Corners(*raw) : QRCode::Corners::all);
}

std::shared_ptr<QRCodeEyeShapeGenerator> QRCodeEyeShapeShield::copyShape() const { return Create(settings()); }

gfx::Path QRCodeEyeShapeShield::eyePath() const {
  const auto& quarters = shieldQuarters();
  gfx::Path path;
  path.reserve(4 * 20);
  for (std::size_t i = 0; i < quarters.size(); ++i) {
    const bool notched = (corners_.rawValue >> i) & 1;
    path.addPath(notched ? quarters[i].set : quarters[i].clear);
  }
  return path;
}

// The rounded square of radius 12.86, whatever the corners; symmetric about y = 45.
gfx::Path QRCodeEyeShapeShield::eyeBackgroundPath() const {
  static const gfx::Path outline = qrshape::eyeSpaceOutline({
      "M 90,77.14; L 90,12.86; C 90,5.76 84.24,0 77.14,0; L 12.86,0; C 5.76,0 0,5.76 0,12.86; "
      "L 0,77.14; C 0,84.24 5.76,90 12.86,90; L 77.14,90; C 84.24,90 90,84.24 90,77.14; Z.",
  });
  return outline;
}

std::shared_ptr<QRCodePupilShapeGenerator> QRCodeEyeShapeShield::defaultPupil() const {
  return std::make_shared<QRCodePupilShapeShield>(corners_);
}

foundation::Settings QRCodeEyeShapeShield::settings() const {
  foundation::Settings result = foundation::Settings::object();
  result[std::string(cornersKey)] = corners_.rawValue;
  return result;
}

bool QRCodeEyeShapeShield::setSettingValue(const foundation::Settings& value, std::string_view key) {
  if (key != cornersKey) return false;
  const auto raw = foundation::IntValue(value);
  if (!raw) return false;
  corners_ = QRCode::Corners(*raw);
  return true;
}

// --- UFO ---------------------------------------------------------------------------------

std::shared_ptr<QRCodeEyeShapeUFO> QRCodeEyeShapeUFO::Create(const foundation::Settings& settings) {
  if (settings.is_null()) return std::make_shared<QRCodeEyeShapeUFO>(false);
  return std::make_shared<QRCodeEyeShapeUFO>(settings);
}

QRCodeEyeShapeUFO::QRCodeEyeShapeUFO(const foundation::Settings& settings) {
  if (const foundation::Settings* value = foundation::find(settings, isFlippedKey))
    isFlipped_ = foundation::BoolValue(*value).value_or(false);
}

std::shared_ptr<QRCodeEyeShapeGenerator> QRCodeEyeShapeUFO::copyShape() const {
  return std::make_shared<QRCodeEyeShapeUFO>(isFlipped_);
}

gfx::Path QRCodeEyeShapeUFO::eyePath() const {
  static const gfx::Path ring = qrshape::eyeSpaceOutline({
      "M 70,70; L 45,70; C 31.19,70 20,58.81 20,45; L 20,20; L 45,20; "
      "C 58.81,20 70,31.19 70,45; C 70,45 70,51.89 70,58.44; C 70,64.36 70,70 70,70; Z.",
      "M 80,80; C 80,80 80,77.67 80,74.22; C 80,64.28 80,45 80,45; "
      "C 80,25.67 64.33,10 45,10; L 10,10; L 10,45; C 10,64.33 25.67,80 45,80; "
      "L 80,80; L 80,80; Z.",
  });
  return isFlipped_ ? ring.transformed(kMirrorTopToBottom) : ring;
}

// Written with square corners at (0, 0) and (90, 90): as written under a flipped ring,
// mirrored under the ring as built, so that it is always in the mirrored frame.
gfx::Path QRCodeEyeShapeUFO::eyeBackgroundPath() const {
  static const gfx::Path outline = qrshape::eyeSpaceOutline({
      "M 90,90; C 90,90 90,45 90,45; C 90,20.15 69.85,0 45,0; L 0,0; L 0,45; "
      "C 0,69.85 20.15,90 45,90; L 90,90; L 90,90; Z.",
  });
  return isFlipped_ ? outline : outline.transformed(kMirrorTopToBottom);
}

std::shared_ptr<QRCodePupilShapeGenerator> QRCodeEyeShapeUFO::defaultPupil() const {
  return std::make_shared<QRCodePupilShapeUFO>(isFlipped_);
}

foundation::Settings QRCodeEyeShapeUFO::settings() const {
  foundation::Settings result = foundation::Settings::object();
  result[std::string(isFlippedKey)] = isFlipped_;
  return result;
}

bool QRCodeEyeShapeUFO::setSettingValue(const foundation::Settings& value, std::string_view key) {
  if (key == isFlippedKey) isFlipped_ = foundation::BoolValue(value).value_or(false);
  return false;
}
