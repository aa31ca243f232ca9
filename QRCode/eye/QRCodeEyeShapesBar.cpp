#include "QRCode/eye/QRCodeEyeShapesBar.hpp"

#include "QRCode/eye/EyeSpaceOutline.hpp"

gfx::Path qrshape::barEyeRing() {
  static const gfx::Path ring = qrshape::eyeSpaceOutline({
      "M 65,20; L 25,20; C 22.24,20 20,22.24 20,25; L 20,65; C 20,67.76 22.24,70 25,70; "
      "L 65,70; C 67.76,70 70,67.76 70,65; L 70,25; C 70,22.24 67.76,20 65,20; Z.",
      "M 80,20; L 80,70; C 80,75.52 75.52,80 70,80; L 20,80; C 14.48,80 10,75.52 10,70; "
      "L 10,20; C 10,14.48 14.48,10 20,10; L 70,10; C 75.52,10 80,14.48 80,20; Z.",
  });
  return ring;
}

// Symmetric about y = 45, so the renderer's mirroring leaves it as it is.
gfx::Path qrshape::barEyeBackground() {
  static const gfx::Path outline = qrshape::eyeSpaceOutline({
      "M 90,77.14; L 90,12.86; C 90,5.76 84.24,0 77.14,0; L 12.86,0; C 5.76,0 0,5.76 0,12.86; "
      "L 0,77.14; C 0,84.24 5.76,90 12.86,90; L 77.14,90; C 84.24,90 90,84.24 90,77.14; Z.",
  });
  return outline;
}

gfx::Path QRCodeEyeShapeCRT::eyePath() const {
  static const gfx::Path ring = qrshape::eyeSpaceOutline({
      "M 45,70; C 32.5,70 22.14,67.86 22.14,67.86; C 22.14,67.86 20,57.5 20,45; "
      "C 20,32.5 22.14,22.14 22.14,22.14; C 22.14,22.14 32.5,20 45,20; "
      "C 57.5,20 67.86,22.14 67.86,22.14; C 67.86,22.14 70,32.5 70,45; "
      "C 70,57.5 67.86,67.86 67.86,67.86; C 67.86,67.86 57.5,70 45,70; Z.",
      "M 77,77; C 77,77 80,62.5 80,45; C 80,27.5 77,13 77,13; C 77,13 62.5,10 45,10; "
      "C 27.5,10 13,13 13,13; C 13,13 10,27.5 10,45; C 10,62.5 13,77 13,77; "
      "C 13,77 27.5,80 45,80; C 62.5,80 77,77 77,77; Z.",
  });
  return ring;
}

// Symmetric about y = 45.
gfx::Path QRCodeEyeShapeCRT::eyeBackgroundPath() const {
  static const gfx::Path outline = qrshape::eyeSpaceOutline({
      "M 0,45; C 0,22.5 3.86,3.86 3.86,3.86; C 3.86,3.86 22.5,0 45,0; "
      "C 67.5,0 86.14,3.86 86.14,3.86; C 86.14,3.86 90,22.5 90,45; "
      "C 90,67.5 86.14,86.14 86.14,86.14; C 86.14,86.14 67.5,90 45,90; "
      "C 22.5,90 3.86,86.14 3.86,86.14; C 3.86,86.14 0,67.5 0,45; Z.",
  });
  return outline;
}

gfx::Path QRCodeEyeShapeCircle::eyePath() const {
  static const gfx::Path ring = qrshape::eyeSpaceOutline({
      "M 45,20; C 31.19,20 20,31.19 20,45; C 20,47.77 20.45,50.43 21.28,52.92; "
      "C 24.59,62.85 33.96,70 45,70; C 58.81,70 70,58.81 70,45; C 70,31.19 58.81,20 45,20; Z.",
      "M 80,45; C 80,64.33 64.33,80 45,80; C 29.37,80 16.13,69.76 11.64,55.61; "
      "C 10.57,52.27 10,48.7 10,45; C 10,25.67 25.67,10 45,10; C 64.33,10 80,25.67 80,45; Z.",
  });
  return ring;
}

// The circle of radius 45 about (45, 45), the platform's ellipse.
gfx::Path QRCodeEyeShapeCircle::eyeBackgroundPath() const {
  gfx::Path path;
  path.addEllipse(gfx::Rect{0, 0, 90, 90});
  return path;
}
