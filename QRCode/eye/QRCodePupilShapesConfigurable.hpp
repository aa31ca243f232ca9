#pragma once
// The pupils with settings, all inside the pupil box (30, 30, 30, 30) of the eye space:
//  - Edges: the box with rounded corners;
//  - Pixels: nine 9 x 9 cells with 1-unit gaps, every cell rounded;
//  - CorneredPixels: the nine cells, only the box's four outer corners rounded;
//  - Shield: four quadrants, each with a shield cut or a radius-4 corner;
//  - UFO: two opposite corners square, the other two quarter circles, optionally flipped;
//  - UsePixelShape: the 3 x 3 pupil modules drawn with a pixel shape.
// The cornered-pixels, pixels, shield and UFO eyes build these pupils with their own
// setting values; the edges eye proposes one shared edges pupil.

#include <cmath>
#include <cstdint>
#include <memory>
#include <string_view>

#include "QRCode/core/QRCodeCorners.hpp"
#include "QRCode/eye/QRCodeFixedPupilShape.hpp"
#include "QRCode/eye/QRCodePupilShapeGenerator.hpp"
#include "QRCode/pixel/QRCodePixelShapeGenerator.hpp"
#include "platform/foundation/Clamp.hpp"
#include "platform/foundation/Settings.hpp"
#include "platform/graphics/Path.hpp"

class QRCodeBoolMatrix;

// The common part of the three pupils set by one "cornerRadiusFraction" (default 0.65).
// Besides the fraction each holds the drawing radius derived from it (Derived::radiusFor),
// recomputed whenever the fraction is set. The typed constructor and Create keep the
// fraction as given; setSettingValue clamps it to 0...1. A NaN fraction counts as 0.
template <class Derived>
class QRCodeCornerRadiusPupilShape : public QRCodePupilShapeGenerator {
 public:
  static constexpr std::string_view cornerRadiusFractionKey = "cornerRadiusFraction";

  static double DefaultCornerRadius() { return 0.65; }

  // A new pupil with the "cornerRadiusFraction" of the dictionary when it holds a number
  // (stored unclamped), else the default.
  static std::shared_ptr<Derived> Create(const foundation::Settings& settings = {}) {
    const auto fraction = foundation::doubleValue(settings, cornerRadiusFractionKey);
    return std::make_shared<Derived>(fraction && !std::isnan(*fraction) ? *fraction : DefaultCornerRadius());
  }

  explicit QRCodeCornerRadiusPupilShape(double cornerRadiusFraction) {
    setCornerRadiusFraction(cornerRadiusFraction);
  }

  double cornerRadiusFraction() const { return cornerRadiusFraction_; }
  void setCornerRadiusFraction(double fraction) {
    cornerRadiusFraction_ = std::isnan(fraction) ? 0.0 : fraction;
    actualCornerRadius_ = Derived::radiusFor(cornerRadiusFraction_);
  }
  // The corner radius the path is drawn with, in eye units.
  double actualCornerRadius() const { return actualCornerRadius_; }

  std::string_view name() const override { return Derived::Name(); }
  std::string_view title() const override { return Derived::Title(); }
  std::shared_ptr<QRCodePupilShapeGenerator> copyShape() const override {
    return std::make_shared<Derived>(cornerRadiusFraction_);
  }
  foundation::Settings settings() const override {
    foundation::Settings result = foundation::Settings::object();
    result[std::string(cornerRadiusFractionKey)] = cornerRadiusFraction_;
    return result;
  }
  bool supportsSettingValueForKey(std::string_view key) const override {
    return key == cornerRadiusFractionKey;
  }
  // A number (not NaN) under "cornerRadiusFraction" is clamped to 0...1 and stored.
  bool setSettingValue(const foundation::Settings& value, std::string_view key) override {
    if (key != cornerRadiusFractionKey) return false;
    const auto fraction = foundation::DoubleValue(value);
    if (!fraction || std::isnan(*fraction)) return false;
    setCornerRadiusFraction(foundation::clampedFraction(*fraction));
    return true;
  }

 private:
  double cornerRadiusFraction_ = 0.65;
  double actualCornerRadius_ = 0;
};

// The pupil box as a rounded rectangle of corner radius actualCornerRadius (0...5).
class QRCodePupilShapeEdges final : public QRCodeCornerRadiusPupilShape<QRCodePupilShapeEdges> {
 public:
  static std::string_view Name() { return "edges"; }
  static std::string_view Title() { return "Edges"; }
  // 0 for fractions of 0 or less, else min(fraction, 1) x 5.
  static double radiusFor(double fraction) { return fraction > 0 ? std::fmin(fraction, 1.0) * 5.0 : 0.0; }
  using QRCodeCornerRadiusPupilShape::QRCodeCornerRadiusPupilShape;
  gfx::Path pupilPath() const override;
};

// Nine 9 x 9 cells at x, y in {30, 40, 50}, row by row, each a rounded rectangle of
// corner radius actualCornerRadius (drawn at most 4.5, half a cell).
class QRCodePupilShapePixels final : public QRCodeCornerRadiusPupilShape<QRCodePupilShapePixels> {
 public:
  static std::string_view Name() { return "pixels"; }
  static std::string_view Title() { return "Pixels"; }
  // 0 for fractions of 0 or less, else min(fraction, 1) x 5.
  static double radiusFor(double fraction) { return fraction > 0 ? std::fmin(fraction, 1.0) * 5.0 : 0.0; }
  using QRCodeCornerRadiusPupilShape::QRCodeCornerRadiusPupilShape;
  gfx::Path pupilPath() const override;
};

// The nine cells of the pixels pupil; the five inner and edge cells square, each corner
// cell with only its outer corner rounded by actualCornerRadius (drawn within 0...4.5).
class QRCodePupilShapeCorneredPixels final
    : public QRCodeCornerRadiusPupilShape<QRCodePupilShapeCorneredPixels> {
 public:
  static std::string_view Name() { return "corneredPixels"; }
  static std::string_view Title() { return "Cornered pixels"; }
  // fraction x 5, not clamped.
  static double radiusFor(double fraction) { return fraction * 5.0; }
  using QRCodeCornerRadiusPupilShape::QRCodeCornerRadiusPupilShape;
  gfx::Path pupilPath() const override;
};

// Four quadrants of the pupil box. The corner set names the box corners with y growing
// upward: topLeft (1) is (30, 60), topRight (2) is (60, 60), bottomLeft (4) is (30, 30),
// bottomRight (8) is (60, 30). A quadrant whose corner is in the set gets the shield cut
// (a slightly concave cut 7.58 along each edge); the others a corner of radius 4.
// "corners" (default 15, all four) is stored as any integer; only its low four bits draw.
class QRCodePupilShapeShield final : public QRCodePupilShapeGenerator {
 public:
  static constexpr std::string_view cornersKey = "corners";

  static std::string_view Name() { return "shield"; }
  static std::string_view Title() { return "Shield"; }
  // The integer under "corners" when it holds a number, else all four corners.
  static std::shared_ptr<QRCodePupilShapeShield> Create(const foundation::Settings& settings = {});

  // All four corners cut.
  QRCodePupilShapeShield() = default;
  QRCodePupilShapeShield(bool topLeft, bool topRight, bool bottomLeft, bool bottomRight)
      : corners_(topLeft, topRight, bottomLeft, bottomRight) {}
  explicit QRCodePupilShapeShield(QRCode::Corners corners) : corners_(corners) {}

  QRCode::Corners corners() const { return corners_; }
  void setCorners(QRCode::Corners corners) { corners_ = corners; }

  std::string_view name() const override { return Name(); }
  std::string_view title() const override { return Title(); }
  std::shared_ptr<QRCodePupilShapeGenerator> copyShape() const override;
  gfx::Path pupilPath() const override;
  foundation::Settings settings() const override;
  bool supportsSettingValueForKey(std::string_view key) const override { return key == cornersKey; }
  // A number under "corners" is stored as its integer value (truncated), unchecked.
  bool setSettingValue(const foundation::Settings& value, std::string_view key) override;

 private:
  QRCode::Corners corners_{15};
};

// Square corners at (30, 30) and (60, 60), quarter circles of radius 15 at (60, 30) and
// (30, 60); flipped top to bottom (y -> 90 - y) when isFlipped is set.
class QRCodePupilShapeUFO final : public QRCodePupilShapeGenerator {
 public:
  static constexpr std::string_view isFlippedKey = "isFlipped";

  static std::string_view Name() { return "ufo"; }
  static std::string_view Title() { return "UFO"; }
  // isFlipped from a number under "isFlipped"; anything else (or no dictionary) is false.
  static std::shared_ptr<QRCodePupilShapeUFO> Create(const foundation::Settings& settings = {});

  explicit QRCodePupilShapeUFO(bool isFlipped) : isFlipped_(isFlipped) {}
  // Reads "isFlipped" as Create does.
  explicit QRCodePupilShapeUFO(const foundation::Settings& settings);

  bool isFlipped() const { return isFlipped_; }
  void setIsFlipped(bool isFlipped) { isFlipped_ = isFlipped; }

  std::string_view name() const override { return Name(); }
  std::string_view title() const override { return Title(); }
  std::shared_ptr<QRCodePupilShapeGenerator> copyShape() const override;
  gfx::Path pupilPath() const override;
  foundation::Settings settings() const override;
  bool supportsSettingValueForKey(std::string_view key) const override { return key == isFlippedKey; }
  // Under "isFlipped" a number sets the flag to its boolean value and anything else
  // (absent, text, ...) clears it. Answers false for every key, also when it changed the
  // flag; other keys change nothing.
  bool setSettingValue(const foundation::Settings& value, std::string_view key) override;

 private:
  bool isFlipped_ = false;
};

// The pupil drawn with a pixel shape: the pixel shape's path of a 6 x 6 template whose
// modules (3...5, 3...5) are on, at size 60 x 60, so the modules cover the pupil box.
// pixelShape is a weak reference, set by the renderer to the design's on-pixel generator;
// when it is empty (never set, or the generator has gone) plain full squares are drawn.
// No settings; a copy's pixelShape is empty.
class QRCodePupilShapeUsePixelShape final : public QRCodeFixedPupilShape<QRCodePupilShapeUsePixelShape> {
 public:
  static std::string_view Name() { return "usePixelShape"; }
  static std::string_view Title() { return "Use Pixel Shape"; }

  // The linked generator, or null when none is set or it has gone.
  std::shared_ptr<QRCodePixelShapeGenerator> pixelShape() const { return pixelShape_.lock(); }
  void setPixelShape(const std::shared_ptr<QRCodePixelShapeGenerator>& pixelShape) { pixelShape_ = pixelShape; }

  gfx::Path pupilPath() const override;

  // The shared 6 x 6 template (made once, never changed).
  static const QRCodeBoolMatrix& pupilTemplate();

 private:
  std::weak_ptr<QRCodePixelShapeGenerator> pixelShape_;
};
