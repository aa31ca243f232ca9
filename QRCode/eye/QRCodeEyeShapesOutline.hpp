#pragma once
// Five eyes drawn as fixed ring outlines with matching backgrounds: leaf, teardrop,
// fireball, peacock and pinch. None has settings; each proposes one shared default pupil
// per eye class.

#include <string_view>

#include "QRCode/eye/QRCodeFixedEyeShape.hpp"
#include "QRCode/eye/QRCodePupilShapesRounded.hpp"

// Square corners at (10, 10) and (80, 80), rounded corners at (10, 80) and (80, 10).
class QRCodeEyeShapeLeaf final : public QRCodeFixedEyeShape<QRCodeEyeShapeLeaf, QRCodePupilShapeLeaf> {
 public:
  static std::string_view Name() { return "leaf"; }
  static std::string_view Title() { return "Leaf"; }
  gfx::Path eyePath() const override;
  gfx::Path eyeBackgroundPath() const override;
};

// The outer corner (10, 10) square, the other three quarter circles about (45, 45).
class QRCodeEyeShapeTeardrop final
    : public QRCodeFixedEyeShape<QRCodeEyeShapeTeardrop, QRCodePupilShapeTeardrop> {
 public:
  static std::string_view Name() { return "teardrop"; }
  static std::string_view Title() { return "Teardrop"; }
  gfx::Path eyePath() const override;
  gfx::Path eyeBackgroundPath() const override;
};

// Outside: square corners at (10, 10) and (80, 80); inside: only (20, 20) square. Its
// shared teardrop pupil is its own object, distinct from the teardrop eye's.
class QRCodeEyeShapeFireball final
    : public QRCodeFixedEyeShape<QRCodeEyeShapeFireball, QRCodePupilShapeTeardrop> {
 public:
  static std::string_view Name() { return "fireball"; }
  static std::string_view Title() { return "Fireball"; }
  gfx::Path eyePath() const override;
  gfx::Path eyeBackgroundPath() const override;
};

// Outside as the fireball; inside only (70, 70) square.
class QRCodeEyeShapePeacock final
    : public QRCodeFixedEyeShape<QRCodeEyeShapePeacock, QRCodePupilShapeCircle> {
 public:
  static std::string_view Name() { return "peacock"; }
  static std::string_view Title() { return "Peacock"; }
  gfx::Path eyePath() const override;
  gfx::Path eyeBackgroundPath() const override;
};

// A square ring whose sides bow inwards towards their middles. The outer outline is the
// first subpath here.
class QRCodeEyeShapePinch final : public QRCodeFixedEyeShape<QRCodeEyeShapePinch, QRCodePupilShapePinch> {
 public:
  static std::string_view Name() { return "pinch"; }
  static std::string_view Title() { return "Pinch"; }
  gfx::Path eyePath() const override;
  gfx::Path eyeBackgroundPath() const override;
};
