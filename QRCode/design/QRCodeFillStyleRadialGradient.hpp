#pragma once
// The radial gradient fill: a KvelGradient spread from a unit centre point of the painted
// area ((0, 0) its minimum corner, (1, 1) the opposite one) out to a radius of width / 1.75
// (past the middle of each edge of a centred square, short of its corners, which take the
// last colour). The first and last colours continue beyond the ends.

#include <memory>
#include <utility>
#include <string_view>

#include "QRCode/core/KvelGradient.hpp"
#include "QRCode/design/QRCodeFillStyleGenerator.hpp"
#include "platform/foundation/Settings.hpp"
#include "platform/graphics/Geometry.hpp"

class QRCodeFillStyleRadialGradient final : public QRCodeFillStyleGenerator {
 public:
  static std::string_view Name() { return "radialgradient"; }

  // The gradient is kept as given; copyStyle makes the deep copy. The centre is made
  // finite as the points of a linear fill are (a coordinate that is not a number becomes
  // 0.5), here and in setCenterPoint.
  QRCodeFillStyleRadialGradient(KvelGradient gradient, gfx::Point centerPoint);

  // Shorthand constructor of the family.
  static std::shared_ptr<QRCodeFillStyleRadialGradient> make(KvelGradient gradient,
                                                             gfx::Point centerPoint = {0.5, 0.5}) {
    return std::make_shared<QRCodeFillStyleRadialGradient>(std::move(gradient), centerPoint);
  }

  const KvelGradient& gradient() const { return gradient_; }
  gfx::Point centerPoint() const { return centerPoint_; }
  // Applies to every later paint, SVG text and settings dictionary. Not to be called
  // while another thread uses the fill.
  void setCenterPoint(gfx::Point centerPoint);

  std::string_view name() const override { return Name(); }
  // A fill with a copy of the gradient and the same centre; raises the gradient's error
  // when the copy cannot be built.
  std::shared_ptr<QRCodeFillStyleGenerator> copyStyle() const override;
  // {"centerX", "centerY": numbers, "gradient": the RGBA gradient string}; raises
  // RGBAComponentsError::unableToConvertToRGBA.
  foundation::Settings settings() const override;
  void fillWithCtx(gfx::Canvas& ctx, const gfx::Rect& rect) const override;
  void fillWithCtx(gfx::Canvas& ctx, const gfx::Rect& rect, const gfx::Path& path,
                   double expectedPixelSize, const QRCodeShadow* shadow) const override;
  // A <radialGradient> element (radius 0.5 of the bounding box) with one stop per pin and,
  // with a shadow, its filter inside the element. Raises
  // RGBAComponentsError::unableToConvertToRGBA.
  QRCodeFillStyle::SVGDefinition svgRepresentationWithStyleIdentifier(
      std::string_view styleIdentifier, double expectedPixelSize,
      const QRCodeShadow* shadow) const override;

  // Raises QRCodeError::cannotCreateGenerator when "centerX" or "centerY" is missing or
  // not a number, or "gradient" is missing or not text; a gradient text that does not read
  // raises the gradient reader's error.
  static std::shared_ptr<QRCodeFillStyleRadialGradient> CreateWithSettings(const foundation::Settings& settings);

  // Where the gradient runs in a context for the rectangle.
  struct Placement {
    gfx::Point center;
    double endRadius;
  };
  Placement placement(const gfx::Rect& rect) const;

 private:
  KvelGradient gradient_;
  gfx::Point centerPoint_;
};
