#pragma once
// The eyes with settings:
//  - CorneredPixels: the ring as its 24 modules, 9 x 9 squares with 1-unit gaps, only the
//    outer corner of each of the four corner modules rounded ("cornerRadiusFraction");
//  - Edges: the middle three modules of each side as four rounded bars, the ring's
//    corners left empty ("cornerRadiusFraction");
//  - Pixels: the 24 modules as rounded 9 x 9 squares ("cornerRadiusFraction");
//  - Shield: each quarter of the ring notched or rounded, chosen per corner ("corners");
//  - UFO: two square and two rounded corners, optionally mirrored top to bottom
//    ("isFlipped").
// None of them has a construction without arguments: they are made by their typed
// constructors, Create or copyShape.

#include <cmath>
#include <memory>
#include <string_view>

#include "QRCode/core/QRCodeCorners.hpp"
#include "QRCode/eye/QRCodeEyeShapeGenerator.hpp"
#include "QRCode/eye/QRCodePupilShapeGenerator.hpp"
#include "QRCode/eye/QRCodePupilShapesConfigurable.hpp"
#include "platform/foundation/Clamp.hpp"
#include "platform/foundation/Settings.hpp"
#include "platform/graphics/Path.hpp"

// The common part of the three eyes set by one "cornerRadiusFraction", 0 (square) to 1 (a
// radius of 5 units, half a module). Each also holds the drawing radius derived from the
// fraction by Derived::radiusFor, recomputed whenever the fraction is set.
//  - The typed constructor, Create, setSettingValue and copyShape store the fraction
//    clamped to 0...1; Create takes Derived::DefaultCornerRadius() when the dictionary
//    holds no number under the key.
//  - The property setter stores the value as given (settings() then reports it
//    unclamped); only a NaN counts as 0.
template <class Derived>
class QRCodeCornerRadiusEyeShape : public QRCodeEyeShapeGenerator {
 public:
  static constexpr std::string_view cornerRadiusFractionKey = "cornerRadiusFraction";

  static std::shared_ptr<Derived> Create(const foundation::Settings& settings = {}) {
    const auto fraction = foundation::doubleValue(settings, cornerRadiusFractionKey);
    return std::make_shared<Derived>(fraction ? *fraction : Derived::DefaultCornerRadius());
  }

  // The fraction clamped to 0...1 (a NaN gives 0).
  explicit QRCodeCornerRadiusEyeShape(double cornerRadiusFraction) {
    setCornerRadiusFraction(foundation::clampedFraction(cornerRadiusFraction));
  }

  double cornerRadiusFraction() const { return cornerRadiusFraction_; }
  void setCornerRadiusFraction(double fraction) {
    cornerRadiusFraction_ = std::isnan(fraction) ? 0.0 : fraction;
    actualCornerRadius_ = Derived::radiusFor(cornerRadiusFraction_);
  }
  // The corner radius derived from the fraction, in eye units.
  double actualCornerRadius() const { return actualCornerRadius_; }

  std::string_view name() const override { return Derived::Name(); }
  std::string_view title() const override { return Derived::Title(); }
  // Made from settings() as Create makes an eye, so the copy's fraction is clamped.
  std::shared_ptr<QRCodeEyeShapeGenerator> copyShape() const override { return Create(settings()); }
  foundation::Settings settings() const override {
    foundation::Settings result = foundation::Settings::object();
    result[std::string(cornerRadiusFractionKey)] = cornerRadiusFraction_;
    return result;
  }
  bool supportsSettingValueForKey(std::string_view key) const override {
    return key == cornerRadiusFractionKey;
  }
  // A number under "cornerRadiusFraction" is clamped to 0...1 and stored; a NaN, an
  // absent value, a value of another kind or another key changes nothing.
  bool setSettingValue(const foundation::Settings& value, std::string_view key) override {
    if (key != cornerRadiusFractionKey) return false;
    const auto fraction = foundation::DoubleValue(value);
    if (!fraction || std::isnan(*fraction)) return false;
    setCornerRadiusFraction(foundation::clampedFraction(*fraction));
    return true;
  }

 private:
  double cornerRadiusFraction_ = 0;
  double actualCornerRadius_ = 0;
};

// The 24 ring modules as 9 x 9 squares; the four corner modules have their outer corner
// rounded by actualCornerRadius = fraction x 5 (drawn within 0...9, the module's side, so
// any fraction the property setter stores still gives a closed outline inside the
// module). Background: the whole 90 x 90 square. Default pupil: a new cornered-pixels
// pupil with the eye's fraction on every call.
class QRCodeEyeShapeCorneredPixels final : public QRCodeCornerRadiusEyeShape<QRCodeEyeShapeCorneredPixels> {
 public:
  static std::string_view Name() { return "corneredPixels"; }
  static std::string_view Title() { return "Cornered pixels"; }
  static double DefaultCornerRadius() { return 0.65; }
  static double radiusFor(double fraction) { return fraction * 5.0; }

  using QRCodeCornerRadiusEyeShape::QRCodeCornerRadiusEyeShape;

  gfx::Path eyePath() const override;
  gfx::Path eyeBackgroundPath() const override;
  std::shared_ptr<QRCodePupilShapeGenerator> defaultPupil() const override;
};

// Four bars, the middle three modules of each side, as rounded rectangles of corner
// radius fraction x 5 (drawn within 0...5, half the bar's thickness). Background: the whole 90 x 90 square. Default pupil: one shared edges
// pupil with fraction 0.65, whatever the eye's fraction.
class QRCodeEyeShapeEdges final : public QRCodeCornerRadiusEyeShape<QRCodeEyeShapeEdges> {
 public:
  static std::string_view Name() { return "edges"; }
  static std::string_view Title() { return "Edges"; }
  static double DefaultCornerRadius() { return 1.0; }
  static double radiusFor(double fraction) { return fraction * 5.0; }

  using QRCodeCornerRadiusEyeShape::QRCodeCornerRadiusEyeShape;

  gfx::Path eyePath() const override;
  gfx::Path eyeBackgroundPath() const override;
  std::shared_ptr<QRCodePupilShapeGenerator> defaultPupil() const override;
  // The shared pupil, made on first use.
  static const std::shared_ptr<QRCodePupilShapeEdges>& sharedDefaultPupil();
};

// The 24 ring modules as 9 x 9 rounded squares of corner radius
// actualCornerRadius = min(max(fraction, 0), 1) x 5 (drawn at most 4.5, half a square).
// Background: the whole 90 x 90 square. Default pupil: a new pixels pupil with the eye's
// fraction on every call.
class QRCodeEyeShapePixels final : public QRCodeCornerRadiusEyeShape<QRCodeEyeShapePixels> {
 public:
  static std::string_view Name() { return "pixels"; }
  static std::string_view Title() { return "Pixels"; }
  static double DefaultCornerRadius() { return 0.65; }
  static double radiusFor(double fraction) { return foundation::clampedFraction(fraction) * 5.0; }

  using QRCodeCornerRadiusEyeShape::QRCodeCornerRadiusEyeShape;

  gfx::Path eyePath() const override;
  gfx::Path eyeBackgroundPath() const override;
  std::shared_ptr<QRCodePupilShapeGenerator> defaultPupil() const override;
};

// The ring in four quarters, added in the order of their corner bits: topLeft (1) the
// quarter 10...45 x 45...80 (outer corner (10, 80)), topRight (2) 45...80 x 45...80,
// bottomLeft (4) 10...45 x 10...45, bottomRight (8) 45...80 x 10...45. A quarter whose
// bit is set has the shield notch (its outer corner dips inwards, its inner corner is cut);
// the others a plain rounded corner. "corners" (default 15, all four) is stored as any
// integer; only its low four bits draw. Background: the rounded square of radius 12.86.
// Default pupil: a new shield pupil with the eye's corners on every call.
class QRCodeEyeShapeShield final : public QRCodeEyeShapeGenerator {
 public:
  static constexpr std::string_view cornersKey = "corners";

  static std::string_view Name() { return "shield"; }
  static std::string_view Title() { return "Shield"; }
  // The integer under "corners" when it holds a number, else all four corners.
  static std::shared_ptr<QRCodeEyeShapeShield> Create(const foundation::Settings& settings = {});

  // Each true flag sets its corner's bit.
  QRCodeEyeShapeShield(bool topLeft, bool topRight, bool bottomLeft, bool bottomRight)
      : corners_(topLeft, topRight, bottomLeft, bottomRight) {}
  explicit QRCodeEyeShapeShield(QRCode::Corners corners) : corners_(corners) {}

  QRCode::Corners corners() const { return corners_; }
  void setCorners(QRCode::Corners corners) { corners_ = corners; }

  std::string_view name() const override { return Name(); }
  std::string_view title() const override { return Title(); }
  std::shared_ptr<QRCodeEyeShapeGenerator> copyShape() const override;
  gfx::Path eyePath() const override;
  gfx::Path eyeBackgroundPath() const override;
  std::shared_ptr<QRCodePupilShapeGenerator> defaultPupil() const override;
  foundation::Settings settings() const override;
  bool supportsSettingValueForKey(std::string_view key) const override { return key == cornersKey; }
  // A number under "corners" is stored as its integer value (truncated), unchecked; a
  // value of another kind, an absent value or another key changes nothing.
  bool setSettingValue(const foundation::Settings& value, std::string_view key) override;

 private:
  QRCode::Corners corners_;
};

// Square corners at (10, 10) and (80, 80) outside and (20, 20), (70, 70) inside, quarter
// circles of radius 35 and 25 at the other corners; with isFlipped the ring is mirrored
// top to bottom (square corners at (10, 80) and (80, 10)). The background follows in the
// mirrored frame of every background. Default pupil: a new UFO pupil with the eye's
// isFlipped on every call.
class QRCodeEyeShapeUFO final : public QRCodeEyeShapeGenerator {
 public:
  static constexpr std::string_view isFlippedKey = "isFlipped";

  static std::string_view Name() { return "ufo"; }
  static std::string_view Title() { return "UFO"; }
  // No dictionary (null): not flipped; a dictionary is read as the settings constructor
  // reads it.
  static std::shared_ptr<QRCodeEyeShapeUFO> Create(const foundation::Settings& settings = {});

  explicit QRCodeEyeShapeUFO(bool isFlipped) : isFlipped_(isFlipped) {}
  // Not flipped unless the dictionary holds a number under "isFlipped": then its boolean
  // value (any other kind of value gives false).
  explicit QRCodeEyeShapeUFO(const foundation::Settings& settings);

  bool isFlipped() const { return isFlipped_; }
  void setIsFlipped(bool isFlipped) { isFlipped_ = isFlipped; }

  std::string_view name() const override { return Name(); }
  std::string_view title() const override { return Title(); }
  std::shared_ptr<QRCodeEyeShapeGenerator> copyShape() const override;
  gfx::Path eyePath() const override;
  gfx::Path eyeBackgroundPath() const override;
  std::shared_ptr<QRCodePupilShapeGenerator> defaultPupil() const override;
  foundation::Settings settings() const override;
  bool supportsSettingValueForKey(std::string_view key) const override { return key == isFlippedKey; }
  // Under "isFlipped" a number sets the flag to its boolean value and anything else
  // (absent, text, ...) clears it. Answers false for every key, also when it changed the
  // flag; other keys change nothing.
  bool setSettingValue(const foundation::Settings& value, std::string_view key) override;

 private:
  bool isFlipped_ = false;
};
