#include "QRCode/eye/QRCodeEyeShapesOutline.hpp"

#include "QRCode/eye/EyeSpaceOutline.hpp"
#include "platform/graphics/AffineTransform.hpp"

namespace {

// (x, y) -> (x, 90 - y): the scale (1, -1) applied after the translation (0, -90). Some
// backgrounds are written in the eye's own orientation and handed out in the mirrored
// frame that every background uses.
constexpr gfx::AffineTransform kMirrorTopToBottom{1, 0, 0, -1, 0, 90};

// The background shared by the fireball and the peacock: square corners at (0, 0) and
// (90, 90), radius 45 at the other two, as written in the eye's orientation.
const gfx::Path& fireballBackground() {
  static const gfx::Path outline =
      qrshape::eyeSpaceOutline({
                          "M 90,90; C 90,90 90,45 90,45; C 90,20.15 69.85,0 45,0; L 0,0; L 0,45; "
                          "C 0,69.85 20.15,90 45,90; L 90,90; L 90,90; Z.",
                      })
          .transformed(kMirrorTopToBottom);
  return outline;
}

}  // namespace

gfx::Path QRCodeEyeShapeLeaf::eyePath() const {
  static const gfx::Path ring = qrshape::eyeSpaceOutline({
      "M 20,20; L 60,20; C 65.52,20 70,24.48 70,30; L 70,70; L 30,70; "
      "C 24.48,70 20,65.52 20,60; L 20,20; Z.",
      "M 10,10; C 10,10 10,60 10,60; C 10,71.05 18.95,80 30,80; L 80,80; L 80,30; "
      "C 80,18.95 71.05,10 60,10; L 10,10; L 10,10; Z.",
  });
  return ring;
}

// Written directly in the mirrored frame: square corners at (0, 90) and (90, 0).
gfx::Path QRCodeEyeShapeLeaf::eyeBackgroundPath() const {
  static const gfx::Path outline = qrshape::eyeSpaceOutline({
      "M 90,0; C 90,0 90,64.29 90,64.29; C 90,78.49 78.49,90 64.29,90; L 0,90; L 0,25.71; "
      "C 0,11.51 11.51,0 25.71,0; L 90,0; L 90,0; Z.",
  });
  return outline;
}

gfx::Path QRCodeEyeShapeTeardrop::eyePath() const {
  static const gfx::Path ring = qrshape::eyeSpaceOutline({
      "M 45,70; C 31.19,70 20,58.81 20,45; L 20,20; L 45,20; C 58.81,20 70,31.19 70,45; "
      "C 70,58.81 58.81,70 45,70; Z.",
      "M 80,45; C 80,25.67 64.33,10 45,10; L 10,10; L 10,45; C 10,64.33 25.67,80 45,80; "
      "C 64.33,80 80,64.33 80,45; Z.",
  });
  return ring;
}

// Written with its square corner at (0, 0) and handed out mirrored (square corner at
// (0, 90)).
gfx::Path QRCodeEyeShapeTeardrop::eyeBackgroundPath() const {
  static const gfx::Path outline =
      qrshape::eyeSpaceOutline({
                          "M 90,45; C 90,20.15 69.85,0 45,0; L 0,0; L 0,45; C 0,69.85 20.15,90 45,90; "
                          "C 69.85,90 90,69.85 90,45; Z.",
                      })
          .transformed(kMirrorTopToBottom);
  return outline;
}

gfx::Path QRCodeEyeShapeFireball::eyePath() const {
  static const gfx::Path ring = qrshape::eyeSpaceOutline({
      "M 45,70; C 31.19,70 20,58.81 20,45; C 20,45 20,38.11 20,31.56; C 20,25.64 20,20 20,20; "
      "L 45,20; C 58.81,20 70,31.19 70,45; C 70,58.81 58.81,70 45,70; Z.",
      "M 80,80; C 80,80 80,45 80,45; C 80,25.67 64.33,10 45,10; L 10,10; "
      "C 10,10 10,12.33 10,15.78; C 10,25.72 10,45 10,45; C 10,64.33 25.67,80 45,80; "
      "L 80,80; L 80,80; Z.",
  });
  return ring;
}

gfx::Path QRCodeEyeShapeFireball::eyeBackgroundPath() const { return fireballBackground(); }

gfx::Path QRCodeEyeShapePeacock::eyePath() const {
  static const gfx::Path ring = qrshape::eyeSpaceOutline({
      "M 45,20; C 58.81,20 70,31.19 70,45; C 70,45 70,51.89 70,58.44; C 70,64.36 70,70 70,70; "
      "L 45,70; C 31.19,70 20,58.81 20,45; C 20,31.19 31.19,20 45,20; Z.",
      "M 10,10; C 10,10 10,45 10,45; C 10,64.33 25.67,80 45,80; L 80,80; "
      "C 80,80 80,77.67 80,74.22; C 80,64.28 80,45 80,45; C 80,25.67 64.33,10 45,10; "
      "L 10,10; L 10,10; Z.",
  });
  return ring;
}

gfx::Path QRCodeEyeShapePeacock::eyeBackgroundPath() const { return fireballBackground(); }

gfx::Path QRCodeEyeShapePinch::eyePath() const {
  static const gfx::Path ring = qrshape::eyeSpaceOutline({
      "M 80,80; C 80,80 78,62.5 78,45; C 78,27.5 80,10 80,10; C 80,10 62.5,12 45,12; "
      "C 27.5,12 10,10 10,10; C 10,10 12,27.5 12,45; C 12,62.5 10,80 10,80; "
      "C 10,80 27.5,78 45,78; C 62.5,78 80,80 80,80; L 80,80; Z.",
      "M 70,70; C 70,70 57.5,68.57 45,68.57; C 32.5,68.57 20,70 20,70; "
      "C 20,70 21.43,57.5 21.43,45; C 21.43,32.5 20,20 20,20; C 20,20 32.5,21.43 45,21.43; "
      "C 57.5,21.43 70,20 70,20; C 70,20 68.57,32.5 68.57,45; C 68.57,57.5 70,70 70,70; Z.",
  });
  return ring;
}

gfx::Path QRCodeEyeShapePinch::eyeBackgroundPath() const {
  static const gfx::Path outline = qrshape::eyeSpaceOutline({
      "M 3,45; C 3,22.5 0,0 0,0; C 0,0 22.5,3 45,3; C 67.5,3 90,0 90,0; C 90,0 87,22.5 87,45; "
      "C 87,67.5 90,90 90,90; C 90,90 67.5,87 45,87; C 22.5,87 0,90 0,90; "
      "C 0,90 3,67.5 3,45; Z.",
  });
  return outline;
}
