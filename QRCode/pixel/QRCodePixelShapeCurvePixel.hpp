#pragma once
// Curve pixel: every set module is a square inset by 0.5 units whose free outer corners
// are curved. A corner is rounded only where neither module beside it (sharing an edge
// with that corner) is set, so runs of modules read as strokes with rounded ends and
// bends; a lone module is a rounded square, at the full setting a circle. The one setting
// is "cornerRadiusFraction" (0...1, default 1), the corner radius being 4.5 x the fraction.

#include <array>
#include <memory>
#include <string_view>

#include "QRCode/pixel/NeighbourPixelShape.hpp"

class QRCodePixelShapeCurvePixel final : public QRCodePixelShapeGenerator {
 public:
  static std::string_view Name() { return "curvePixel"; }
  static std::string_view Title() { return "Curve pixel"; }
  static constexpr double DefaultCornerRadiusValue = 1.0;
  // "cornerRadiusFraction" as a number, else the default; clamped.
  static std::shared_ptr<QRCodePixelShapeCurvePixel> Create(const foundation::Settings& settings = {});

  // The fraction is clamped to 0...1 (a value <= 0 or NaN gives 0, above 1 gives 1).
  explicit QRCodePixelShapeCurvePixel(double cornerRadiusFraction);

  double cornerRadiusFraction() const { return cornerRadius_; }
  void setCornerRadiusFraction(double fraction);
  // The corner radius in module units (4.5 x the fraction).
  double actualRadius() const { return actualRadius_; }
  gfx::Size actualRadiusSize() const { return {actualRadius_, actualRadius_}; }

  std::string_view name() const override { return Name(); }
  std::string_view title() const override { return Title(); }
  std::shared_ptr<QRCodePixelShapeGenerator> copyShape() const override;
  gfx::Path generatePathFrom(const QRCodeBoolMatrix& matrix, gfx::Size size) override;
  foundation::Settings settings() const override;
  bool setSettingValue(const foundation::Settings& value, std::string_view key) override;
  bool supportsSettingValueForKey(std::string_view key) const override;

  // The square every module is drawn in: (0, 0, 10, 10) inset by 0.5; shared, made once.
  static const gfx::Path& insetSquare();
  // The piece this shape draws for a set module whose set orthogonal neighbours are
  // `neighbours` (a PixelNeighbourMask), in module units.
  const gfx::Path& piece(unsigned neighbours) const { return pieces_[neighbours & 15u]; }

 private:
  void makePieces();

  double actualRadius_ = 0;
  double cornerRadius_ = 0;
  // The sixteen pieces for the current radius, remade whenever the fraction changes.
  std::array<gfx::Path, 16> pieces_;
};
