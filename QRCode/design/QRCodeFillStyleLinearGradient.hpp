#pragma once
// The linear gradient fill: a KvelGradient running between two unit points of the painted
// area, where (0, 0) is the area's minimum corner and (1, 1) the opposite one. Both
// coordinates are scaled by the area's width. The first colour continues before the start
// and the last beyond the end, so the gradient covers the whole clip region.

#include <memory>
#include <utility>
#include <string_view>

#include "QRCode/core/KvelGradient.hpp"
#include "QRCode/design/QRCodeFillStyleGenerator.hpp"
#include "platform/foundation/Settings.hpp"
#include "platform/graphics/Geometry.hpp"

class QRCodeFillStyleLinearGradient final : public QRCodeFillStyleGenerator {
 public:
  static std::string_view Name() { return "lineargradient"; }

  // The gradient is kept as given; copyStyle makes the deep copy. The points are made
  // finite: a coordinate that is not a number becomes the default one (start 0, end 1),
  // and coordinates are limited to +-1e6 areas (an infinite one becomes the limit), so
  // that painting, SVG text and settings stay finite.
  QRCodeFillStyleLinearGradient(KvelGradient gradient, gfx::Point startPoint, gfx::Point endPoint);

  // Shorthand constructor of the family.
  static std::shared_ptr<QRCodeFillStyleLinearGradient> make(KvelGradient gradient,
                                                             gfx::Point startPoint = {0, 0},
                                                             gfx::Point endPoint = {1, 1}) {
    return std::make_shared<QRCodeFillStyleLinearGradient>(std::move(gradient), startPoint, endPoint);
  }

  const KvelGradient& gradient() const { return gradient_; }
  gfx::Point startPoint() const { return startPoint_; }
  gfx::Point endPoint() const { return endPoint_; }

  std::string_view name() const override { return Name(); }
  // A fill with a copy of the gradient (new pins, built in sRGB); raises the gradient's
  // error when that cannot be built.
  std::shared_ptr<QRCodeFillStyleGenerator> copyStyle() const override;
  // {"startX", "startY", "endX", "endY": numbers, "gradient": the RGBA gradient string};
  // raises RGBAComponentsError::unableToConvertToRGBA.
  foundation::Settings settings() const override;
  // Paints the gradient placed by the rectangle over the whole current clip.
  void fillWithCtx(gfx::Canvas& ctx, const gfx::Rect& rect) const override;
  // Paints the gradient placed by rect inside the path (non-zero rule), then the shadow:
  // a drop shadow around the path within rect, or an inner shadow inside it.
  void fillWithCtx(gfx::Canvas& ctx, const gfx::Rect& rect, const gfx::Path& path,
                   double expectedPixelSize, const QRCodeShadow* shadow) const override;
  // A <linearGradient> element in bounding-box units with one stop per pin (sorted by
  // position) and, with a shadow, its filter inside the element; the attribute refers to
  // both. Raises RGBAComponentsError::unableToConvertToRGBA.
  QRCodeFillStyle::SVGDefinition svgRepresentationWithStyleIdentifier(
      std::string_view styleIdentifier, double expectedPixelSize,
      const QRCodeShadow* shadow) const override;

  // Raises QRCodeError::cannotCreateGenerator when a coordinate is missing or not a
  // number, or "gradient" is missing or not text (coordinates are read first); a gradient
  // text that does not read raises the gradient reader's error.
  static std::shared_ptr<QRCodeFillStyleLinearGradient> CreateWithSettings(const foundation::Settings& settings);

  // Where the gradient runs in a context for the rectangle: start and end scaled by the
  // rectangle's width from its origin.
  std::pair<gfx::Point, gfx::Point> placement(const gfx::Rect& rect) const;

 private:
  KvelGradient gradient_;
  gfx::Point startPoint_;
  gfx::Point endPoint_;
};
