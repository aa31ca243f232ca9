#include "QRCode/eye/QRCodeEyeShapesRounded.hpp"

#include "QRCode/core/QRCodeCorners.hpp"
#include "QRCode/core/QRCodePathHelpers.hpp"
#include "QRCode/eye/EyeSpaceOutline.hpp"

namespace {

// The whole eye space, the area behind a square eye.
constexpr gfx::Rect kEyeSpace{0, 0, 90, 90};

// The background shared by the rounded-rectangle and square-peg eyes (corner radius
// 12.86), authored mirrored top to bottom like every background (symmetric here).
const gfx::Path& roundedRectBackground() {
  static const gfx::Path outline = qrshape::eyeSpaceOutline({
      "M 90,77.14; L 90,12.86; C 90,5.76 84.24,0 77.14,0; L 12.86,0; "
      "C 5.76,0 0,5.76 0,12.86; L 0,77.14; C 0,84.24 5.76,90 12.86,90; L 77.14,90; "
      "C 84.24,90 90,84.24 90,77.14; Z.",
  });
  return outline;
}

}  // namespace

gfx::Path QRCodeEyeShapeSquare::eyePath() const {
  static const gfx::Path ring = qrshape::eyeSpaceOutline({
      "M 70,70; L 20,70; L 20,20; L 70,20; L 70,70; Z.",
      "M 80,80; C 80,80 80,10 80,10; L 10,10; L 10,80; L 80,80; L 80,80; Z.",
  });
  return ring;
}

gfx::Path QRCodeEyeShapeSquare::eyeBackgroundPath() const {
  gfx::Path path;
  path.addRect(kEyeSpace);
  return path;
}

gfx::Path QRCodeEyeShapeRoundedRect::eyePath() const {
  static const gfx::Path ring = qrshape::eyeSpaceOutline({
      "M 65,20; L 25,20; C 22.24,20 20,22.24 20,25; L 20,65; C 20,67.76 22.24,70 25,70; "
      "L 65,70; C 67.76,70 70,67.76 70,65; L 70,25; C 70,22.24 67.76,20 65,20; Z.",
      "M 80,20; L 80,70; C 80,75.52 75.52,80 70,80; L 20,80; C 14.48,80 10,75.52 10,70; "
      "L 10,20; C 10,14.48 14.48,10 20,10; L 70,10; C 75.52,10 80,14.48 80,20; Z.",
  });
  return ring;
}

gfx::Path QRCodeEyeShapeRoundedRect::eyeBackgroundPath() const {
  return roundedRectBackground();
}

gfx::Path QRCodeEyeShapeRoundedOuter::eyePath() const {
  static const gfx::Path ring = qrshape::eyeSpaceOutline({
      "M 20,70; L 70,70; L 70,20; L 31,20; C 24.92,20 20,24.92 20,31; L 20,70; Z.",
      "M 10,80; C 10,80 10,30 10,30; C 10,18.95 18.95,10 30,10; L 80,10; "
      "C 80,10.34 80,80 80,80; L 10,80; L 10,80; Z.",
  });
  return ring;
}

gfx::Path QRCodeEyeShapeRoundedOuter::eyeBackgroundPath() const {
  static const gfx::Path outline = qrshape::eyeSpaceOutline({
      "M 0,0; C 0,0 0,64.29 0,64.29; C 0,78.49 11.51,90 25.71,90; L 90,90; "
      "C 90,89.56 90,0 90,0; L 0,0; L 0,0; Z.",
  });
  return outline;
}

gfx::Path QRCodeEyeShapeRoundedPointingIn::eyePath() const {
  static const gfx::Path ring = qrshape::eyeSpaceOutline({
      "M 57,20; L 33,20; C 25.82,20 20,25.82 20,33; L 20,57; C 20,64.18 25.82,70 33,70; "
      "L 70,70; L 70,33; C 70,25.82 64.18,20 57,20; Z.",
      "M 80,33; L 80,80; L 33,80; C 20.3,80 10,69.7 10,57; L 10,33; "
      "C 10,20.3 20.3,10 33,10; L 57,10; C 69.7,10 80,20.3 80,33; Z.",
  });
  return ring;
}

gfx::Path QRCodeEyeShapeRoundedPointingIn::eyeBackgroundPath() const {
  static const gfx::Path outline = qrshape::eyeSpaceOutline({
      "M 90,60.43; L 90,0; L 29.57,0; C 13.24,0 0,13.24 0,29.57; L 0,60.43; "
      "C 0,76.76 13.24,90 29.57,90; L 60.43,90; C 76.76,90 90,76.76 90,60.43; Z.",
  });
  return outline;
}

gfx::Path QRCodeEyeShapeRoundedPointingOut::eyePath() const {
  static const gfx::Path ring = qrshape::eyeSpaceOutline({
      "M 33,70; L 57,70; C 64.18,70 70,64.18 70,57; L 70,33; C 70,25.82 64.18,20 57,20; "
      "L 20,20; L 20,57; C 20,64.18 25.82,70 33,70; Z.",
      "M 10,57; L 10,10; L 57,10; C 69.7,10 80,20.3 80,33; L 80,57; "
      "C 80,69.7 69.7,80 57,80; L 33,80; C 20.3,80 10,69.7 10,57; Z.",
  });
  return ring;
}

// Radius 30 at (0, 0), (90, 0) and (90, 90); the corner (0, 90) square, which the
// renderer's mirroring puts under the eye's square corner (10, 10). The corner helper
// names (0, 0) topLeft, (90, 0) topRight and (90, 90) bottomLeft.
gfx::Path QRCodeEyeShapeRoundedPointingOut::eyeBackgroundPath() const {
  using C = QRCode::Corners;
  return qrcore::roundedRect(kEyeSpace, C{C::topLeft, C::topRight, C::bottomLeft}, 30);
}

gfx::Path QRCodeEyeShapeSquircle::eyePath() const {
  static const gfx::Path ring = qrshape::eyeSpaceOutline({
      "M 45,70; C 34.05,70 27.96,70 23.98,66.02; C 22.1,64.14 21.11,61.79 20.58,58.68; "
      "C 20,55.21 20,50.78 20,45; C 20,34.05 20,27.96 23.98,23.98; "
      "C 27.96,20 34.05,20 45,20; C 55.95,20 62.04,20 66.02,23.98; "
      "C 70,27.96 70,34.05 70,45; C 70,55.95 70,62.04 66.02,66.02; "
      "C 62.04,70 55.95,70 45,70; Z.",
      "M 74.43,74.43; C 80,68.86 80,60.34 80,45; C 80,29.66 80,21.14 74.43,15.57; "
      "C 68.86,10 60.34,10 45,10; C 29.66,10 21.14,10 15.57,15.57; "
      "C 10,21.14 10,29.66 10,45; C 10,56 10,63.49 12.05,68.91; "
      "C 12.86,71.04 13.99,72.86 15.57,74.43; C 21.14,80 29.66,80 45,80; "
      "C 60.34,80 68.86,80 74.43,74.43; Z.",
  });
  return ring;
}

gfx::Path QRCodeEyeShapeSquircle::eyeBackgroundPath() const {
  static const gfx::Path outline = qrshape::eyeSpaceOutline({
      "M 82.84,82.84; C 90,75.68 90,64.72 90,45; C 90,25.28 90,14.32 82.84,7.16; "
      "C 75.68,0 64.72,0 45,0; C 25.28,0 14.32,0 7.16,7.16; C 0,14.32 0,25.28 0,45; "
      "C 0,59.14 0,68.78 2.64,75.74; C 3.68,78.48 5.13,80.81 7.16,82.84; "
      "C 14.32,90 25.28,90 45,90; C 64.72,90 75.68,90 82.84,82.84; Z.",
  });
  return outline;
}

gfx::Path QRCodeEyeShapeSquarePeg::eyePath() const {
  static const gfx::Path ring = qrshape::eyeSpaceOutline({
      "M 45,70; C 31.19,70 20,58.81 20,45; C 20,34.78 26.13,26 34.91,22.12; "
      "C 37.99,20.76 41.41,20 45,20; C 58.81,20 70,31.19 70,45; C 70,58.81 58.81,70 45,70; "
      "Z.",
      "M 80,70; L 80,20; C 80,14.48 75.52,10 70,10; L 20,10; C 14.48,10 10,14.48 10,20; "
      "L 10,70; C 10,75.52 14.48,80 20,80; L 70,80; C 75.52,80 80,75.52 80,70; Z.",
  });
  return ring;
}

gfx::Path QRCodeEyeShapeSquarePeg::eyeBackgroundPath() const {
  return roundedRectBackground();
}
