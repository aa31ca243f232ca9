#pragma once
// Four eyes without settings: horizontal bars, vertical bars, CRT (a square whose sides
// bulge outwards, like an old screen) and circle. The two bar eyes share one ring and one
// background and differ only in their name, title and default pupil. Each proposes one
// shared default pupil per eye class.

#include <string_view>

#include "QRCode/eye/QRCodeFixedEyeShape.hpp"
#include "QRCode/eye/QRCodePupilShapesBar.hpp"
#include "QRCode/eye/QRCodePupilShapesRounded.hpp"

namespace qrshape {
// The ring of both bar eyes: a rounded square 10...80 (radius 10) around a rounded hole
// 20...70 (radius 5); the background a rounded square 0...90 (radius 12.86).
gfx::Path barEyeRing();
gfx::Path barEyeBackground();
}  // namespace qrshape

// Proposes three horizontal bars.
class QRCodeEyeShapeBarsHorizontal final
    : public QRCodeFixedEyeShape<QRCodeEyeShapeBarsHorizontal, QRCodePupilShapeBarsHorizontal> {
 public:
  static std::string_view Name() { return "barsHorizontal"; }
  static std::string_view Title() { return "Horizontal bars"; }
  gfx::Path eyePath() const override { return qrshape::barEyeRing(); }
  gfx::Path eyeBackgroundPath() const override { return qrshape::barEyeBackground(); }
};

// Proposes three vertical bars.
class QRCodeEyeShapeBarsVertical final
    : public QRCodeFixedEyeShape<QRCodeEyeShapeBarsVertical, QRCodePupilShapeBarsVertical> {
 public:
  static std::string_view Name() { return "barsVertical"; }
  static std::string_view Title() { return "Vertical bars"; }
  gfx::Path eyePath() const override { return qrshape::barEyeRing(); }
  gfx::Path eyeBackgroundPath() const override { return qrshape::barEyeBackground(); }
};

// Both outlines are squares with bulging sides, eight curves through the side midpoints
// and the corner points; the outer one touches the ring's bounds only at (10, 45),
// (45, 10), (80, 45) and (45, 80).
class QRCodeEyeShapeCRT final : public QRCodeFixedEyeShape<QRCodeEyeShapeCRT, QRCodePupilShapeCRT> {
 public:
  static std::string_view Name() { return "crt"; }
  static std::string_view Title() { return "CRT"; }
  gfx::Path eyePath() const override;
  gfx::Path eyeBackgroundPath() const override;
};

// Circles of radius 25 and 35 about (45, 45); the background the circle of radius 45.
class QRCodeEyeShapeCircle final : public QRCodeFixedEyeShape<QRCodeEyeShapeCircle, QRCodePupilShapeCircle> {
 public:
  static std::string_view Name() { return "circle"; }
  static std::string_view Title() { return "Circle"; }
  gfx::Path eyePath() const override;
  gfx::Path eyeBackgroundPath() const override;
};
