#pragma once
// Bar pixel shapes: every run of consecutive set modules along a row (horizontal bars) or
// down a column (vertical bars) becomes one rounded bar. Both classes share one
// implementation (QRCodePixelShapeBars) and differ only in the direction of the runs.
//
// A run's rectangle R is shrunk on all four sides by inset = thickness(R) x insetFraction
// x 0.5, and the shrunk bar B is drawn as a rounded rectangle with corner radius
// thickness(B) x 0.5 x cornerRadiusFraction. With the defaults (0.1, 1.0) a bar is
// 0.9 cell thick with half-circle ends.

#include <memory>
#include <string_view>

#include "QRCode/pixel/QRCodePixelShapeGenerator.hpp"
#include "platform/foundation/Settings.hpp"
#include "platform/graphics/Geometry.hpp"
#include "platform/graphics/Path.hpp"

class QRCodeBoolMatrix;

class QRCodePixelShapeBars : public QRCodePixelShapeGenerator {
 public:
  enum class Direction { horizontal, vertical };

  static constexpr double DefaultInset() { return 0.1; }
  static constexpr double DefaultCornerRadius() { return 1.0; }

  Direction direction() const { return direction_; }
  double insetFraction() const { return insetFraction_; }
  double cornerRadiusFraction() const { return cornerRadiusFraction_; }

  // One closed rounded rectangle per run: row by row from row 0 and left to right
  // (horizontal), or column by column from column 0 and top to bottom (vertical).
  gfx::Path generatePathFrom(const QRCodeBoolMatrix& matrix, gfx::Size size) override;

  // {"insetFraction", "cornerRadiusFraction"}.
  foundation::Settings settings() const override;
  // "insetFraction" / "cornerRadiusFraction": absent -> the default (0.1 / 1.0), a finite
  // number is stored unclamped; both answer true. A number that is not finite, another
  // kind of value, or another key: false, and nothing changes. A bar is drawn with the
  // inset fraction bounded below by -4n (n the matrix dimension).
  bool setSettingValue(const foundation::Settings& value, std::string_view key) override;
  bool supportsSettingValueForKey(std::string_view key) const override;

 protected:
  // Both fractions are clamped to 0...1 (<= 0 and NaN -> 0, > 1 -> 1).
  QRCodePixelShapeBars(Direction direction, double insetFraction, double cornerRadiusFraction);

  // The two fractions Create reads from a settings dictionary (defaults for missing keys
  // or values that are not numbers), not yet clamped.
  struct Fractions {
    double insetFraction;
    double cornerRadiusFraction;
  };
  static Fractions fractionsFrom(const foundation::Settings& settings);

 private:
  Direction direction_;
  double insetFraction_;
  double cornerRadiusFraction_;
};

// Runs along the rows.
class QRCodePixelShapeHorizontal final : public QRCodePixelShapeBars {
 public:
  static std::string_view Name() { return "horizontal"; }
  static std::string_view Title() { return "Horizontal bars"; }
  static std::shared_ptr<QRCodePixelShapeHorizontal> Create(const foundation::Settings& settings = {});

  QRCodePixelShapeHorizontal(double insetFraction, double cornerRadiusFraction)
      : QRCodePixelShapeBars(Direction::horizontal, insetFraction, cornerRadiusFraction) {}

  std::string_view name() const override { return Name(); }
  std::string_view title() const override { return Title(); }
  std::shared_ptr<QRCodePixelShapeGenerator> copyShape() const override;
};

// Runs down the columns.
class QRCodePixelShapeVertical final : public QRCodePixelShapeBars {
 public:
  static std::string_view Name() { return "vertical"; }
  static std::string_view Title() { return "Vertical bars"; }
  static std::shared_ptr<QRCodePixelShapeVertical> Create(const foundation::Settings& settings = {});

  QRCodePixelShapeVertical(double insetFraction, double cornerRadiusFraction)
      : QRCodePixelShapeBars(Direction::vertical, insetFraction, cornerRadiusFraction) {}

  std::string_view name() const override { return Name(); }
  std::string_view title() const override { return Title(); }
  std::shared_ptr<QRCodePixelShapeGenerator> copyShape() const override;
};
