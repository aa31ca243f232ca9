#include "QRCode/eye/QRCodePupilShapesRounded.hpp"

#include "QRCode/core/QRCodeCorners.hpp"
#include "QRCode/core/QRCodePathHelpers.hpp"
#include "QRCode/eye/EyeSpaceOutline.hpp"

namespace {

// The pupil box of the eye space.
constexpr gfx::Rect kPupilBox{30, 30, 30, 30};

// Corner size of the rounded-rectangle pupil (a platform rounded rectangle).
constexpr double kRoundedRectCorner = 4;

// Radius of the corners that the rounded-corner pupils round (corner helper curves).
constexpr double kCornerRadius = 6;

// Vertex rounding of the hexagon leaf.
constexpr double kHexagonLeafRadius = 3;

}  // namespace

gfx::Path QRCodePupilShapeSquare::pupilPath() const {
  gfx::Path path;
  path.addRect(kPupilBox);
  return path;
}

gfx::Path QRCodePupilShapeCircle::pupilPath() const {
  gfx::Path path;
  path.addEllipse(kPupilBox);
  return path;
}

gfx::Path QRCodePupilShapeRoundedRect::pupilPath() const {
  gfx::Path path;
  path.addRoundedRect(kPupilBox, kRoundedRectCorner, kRoundedRectCorner);
  return path;
}

gfx::Path QRCodePupilShapeRoundedOuter::pupilPath() const {
  static const gfx::Path outline = qrshape::eyeSpaceOutline({
      "M 36,30; L 60,30; L 60,60; L 30,60; L 30,36; C 30,30 36,30 36,30; Z.",
  });
  return outline;
}

// The corner helper names the corners topLeft (30, 30), topRight (60, 30),
// bottomLeft (60, 60) and bottomRight (30, 60).
gfx::Path QRCodePupilShapeRoundedPointingIn::pupilPath() const {
  using C = QRCode::Corners;
  return qrcore::roundedRect(kPupilBox, C{C::topLeft, C::topRight, C::bottomRight}, kCornerRadius);
}

gfx::Path QRCodePupilShapeRoundedPointingOut::pupilPath() const {
  using C = QRCode::Corners;
  return qrcore::roundedRect(kPupilBox, C{C::topRight, C::bottomLeft, C::bottomRight}, kCornerRadius);
}

gfx::Path QRCodePupilShapeLeaf::pupilPath() const {
  using C = QRCode::Corners;
  return qrcore::roundedRect(kPupilBox, C{C::topRight, C::bottomRight}, kCornerRadius);
}

gfx::Path QRCodePupilShapeTeardrop::pupilPath() const {
  static const gfx::Path outline = qrshape::eyeSpaceOutline({
      "M 60,45; C 60,36.72 53.28,30 45,30; L 30,30; L 30,45; C 30,53.28 36.72,60 45,60; "
      "C 53.28,60 60,53.28 60,45; Z.",
  });
  return outline;
}

gfx::Path QRCodePupilShapeSquircle::pupilPath() const {
  static const gfx::Path outline = qrshape::eyeSpaceOutline({
      "M 45,30; C 51.57,30 55.23,30 57.61,32.39; C 60,34.77 60,38.43 60,45; "
      "C 60,51.57 60,55.23 57.61,57.61; C 55.23,60 51.57,60 45,60; "
      "C 38.43,60 34.77,60 32.39,57.61; C 30,55.23 30,51.57 30,45; "
      "C 30,38.43 30,34.77 32.39,32.39; C 34.77,30 38.43,30 45,30; Z.",
  });
  return outline;
}

gfx::Path QRCodePupilShapePinch::pupilPath() const {
  static const gfx::Path outline = qrshape::eyeSpaceOutline({
      "M 30.5,45; C 30.5,37.5 30,30 30,30; C 30,30 37.5,30.5 45,30.5; "
      "C 52.5,30.5 60,30 60,30; C 60,30 59.5,37.5 59.5,45; C 59.5,52.5 60,60 60,60; "
      "C 60,60 52.5,59.5 45,59.5; C 37.5,59.5 30,60 30,60; C 30,60 30.5,52.5 30.5,45; Z.",
  });
  return outline;
}

gfx::Path QRCodePupilShapeCRT::pupilPath() const {
  static const gfx::Path outline = qrshape::eyeSpaceOutline({
      "M 30,45; C 30,37.5 31.29,31.29 31.29,31.29; C 31.29,31.29 37.5,30 45,30; "
      "C 52.5,30 58.71,31.29 58.71,31.29; C 58.71,31.29 60,37.5 60,45; "
      "C 60,52.5 58.71,58.71 58.71,58.71; C 58.71,58.71 52.5,60 45,60; "
      "C 37.5,60 31.29,58.71 31.29,58.71; C 31.29,58.71 30,52.5 30,45; Z.",
  });
  return outline;
}

gfx::Path QRCodePupilShapeBlobby::pupilPath() const {
  static const gfx::Path outline = qrshape::eyeSpaceOutline({
      "M 60,55; C 60,52.58 58.28,50.56 56,50.1; L 56,49.9; C 58.28,49.44 60,47.42 60,45; "
      "C 60,42.58 58.28,40.56 56,40.1; L 56,39.9; C 58.28,39.44 60,37.42 60,35; "
      "C 60,32.24 57.76,30 55,30; C 54.19,30 53.42,30.19 52.74,30.54; "
      "C 51.4,31.22 50.41,32.49 50.1,34; C 50.1,34 50.03,34 49.9,34; "
      "C 49.44,31.72 47.42,30 45,30; C 44.48,30 43.97,30.08 43.5,30.23; "
      "C 41.78,30.77 40.46,32.21 40.1,34; L 39.9,34; C 39.44,31.72 37.42,30 35,30; "
      "C 33.62,30 32.37,30.56 31.47,31.46; C 30.56,32.37 30,33.62 30,35; "
      "C 30,37.42 31.72,39.44 34,39.9; L 34,40.1; C 32.69,40.37 31.56,41.15 30.84,42.22; "
      "C 30.31,43.01 30,43.97 30,45; C 30,47.42 31.72,49.44 34,49.9; L 34,50.1; "
      "C 31.72,50.56 30,52.58 30,55; C 30,57.76 32.24,60 35,60; "
      "C 37.42,60 39.44,58.28 39.9,56; L 40.1,56; C 40.56,58.28 42.58,60 45,60; "
      "C 47.42,60 49.44,58.28 49.9,56; L 50.1,56; C 50.56,58.28 52.58,60 55,60; "
      "C 57.76,60 60,57.76 60,55; Z.",
  });
  return outline;
}

gfx::Path QRCodePupilShapeSeal::pupilPath() const {
  static const gfx::Path outline = qrshape::eyeSpaceOutline({
      "M 37.04,33.54; C 35.84,33.54 34.96,33.82 34.39,34.4; "
      "C 33.81,34.97 33.53,35.85 33.53,37.04; L 33.53,39.87; "
      "C 33.53,40.12 33.44,40.34 33.27,40.52; L 31.27,42.53; C 30.43,43.37 30,44.19 30,45; "
      "C 30,45.8 30.42,46.63 31.27,47.48; L 33.27,49.48; "
      "C 33.44,49.66 33.53,49.88 33.53,50.13; L 33.53,52.96; "
      "C 33.53,54.17 33.81,55.05 34.38,55.62; C 34.96,56.19 35.84,56.47 37.04,56.47; "
      "L 39.87,56.47; C 40.12,56.47 40.33,56.56 40.5,56.73; L 42.52,58.73; "
      "C 43.37,59.57 44.2,60 45,60; C 45.8,60 46.63,59.58 47.47,58.73; L 49.48,56.73; "
      "C 49.65,56.56 49.87,56.47 50.13,56.47; L 52.96,56.47; "
      "C 54.16,56.47 55.04,56.19 55.61,55.61; C 56.18,55.03 56.46,54.15 56.46,52.96; "
      "L 56.46,50.13; C 56.46,49.88 56.55,49.66 56.73,49.48; L 58.72,47.48; "
      "C 59.57,46.63 60,45.8 60,45; C 60,44.19 59.58,43.37 58.72,42.53; L 56.73,40.52; "
      "C 56.55,40.34 56.46,40.12 56.46,39.87; L 56.46,37.04; "
      "C 56.46,35.84 56.18,34.96 55.6,34.39; C 55.03,33.82 54.15,33.54 52.96,33.54; "
      "L 50.13,33.54; C 49.87,33.54 49.65,33.45 49.48,33.27; L 47.47,31.28; "
      "C 46.63,30.43 45.81,30 45,30; C 44.2,30 43.37,30.42 42.52,31.28; L 40.5,33.27; "
      "C 40.33,33.45 40.12,33.54 39.87,33.54; L 37.04,33.54; Z.",
  });
  return outline;
}

gfx::Path QRCodePupilShapeHexagonLeaf::pupilPath() const {
  return qrcore::hexagonLeafPath(kPupilBox, true, kHexagonLeafRadius);
}

gfx::Path QRCodePupilShapeCross::pupilPath() const {
  static const gfx::Path outline = qrshape::eyeSpaceOutline({
      "M 30,50; L 34,45; L 30,40; L 30,30; L 40,30; L 45,34; L 50,30; L 60,30; L 60,40; "
      "L 56,45; L 60,50; L 60,60; L 50,60; L 45,56; L 40,60; L 30,60; L 30,50; Z.",
  });
  return outline;
}

gfx::Path QRCodePupilShapeCrossCurved::pupilPath() const {
  static const gfx::Path outline = qrshape::eyeSpaceOutline({
      "M 30,50; C 30,50 34,49 34,45; C 34,41 30,40 30,40; L 30,30; L 40,30; "
      "C 40,30 41,34 45,34; C 49,34 50,30 50,30; L 60,30; L 60,40; C 60,40 56,41 56,45; "
      "C 56,49 60,50 60,50; L 60,60; L 50,60; C 50,60 49,56 45,56; C 41,56 40,60 40,60; "
      "L 30,60; L 30,50; Z.",
  });
  return outline;
}
