#pragma once
// The solid-colour fill.

#include <memory>
#include <string_view>

#include "QRCode/design/QRCodeFillStyleGenerator.hpp"
#include "platform/foundation/Settings.hpp"
#include "QRCode/core/QRCodeColor.hpp"
#include "platform/graphics/Color.hpp"

class QRCodeFillStyleSolid final : public QRCodeFillStyleGenerator {
 public:
  static std::string_view Name() { return "solid"; }

  // A fill of the colour, in whatever colour space it is; components that are not finite
  // are made so (finiteColor), so that the settings read back.
  explicit QRCodeFillStyleSolid(const gfx::Color& color) : color_(qrcolor::finiteColor(color)) {}

  // Shorthand constructors of the family.
  static std::shared_ptr<QRCodeFillStyleSolid> make(const gfx::Color& color) {
    return std::make_shared<QRCodeFillStyleSolid>(color);
  }
  // sRGB components (initWithSrgbRed:green:blue:alpha:).
  static std::shared_ptr<QRCodeFillStyleSolid> withSrgbRed(double red, double green, double blue,
                                                           double alpha = 1.0);
  // Generic RGB components (init:::alpha:).
  static std::shared_ptr<QRCodeFillStyleSolid> withGenericRGB(double red, double green, double blue,
                                                              double alpha = 1.0);
  // Generic gray (initWithGray:alpha:).
  static std::shared_ptr<QRCodeFillStyleSolid> withGray(double gray, double alpha = 1.0);
  // A hex colour string in sRGB (initWithHexString:error:); raises
  // QRCodeError::invalidHexColorString for text that is not one.
  static std::shared_ptr<QRCodeFillStyleSolid> withHexString(std::string_view hexString);

  const gfx::Color& color() const { return color_; }

  std::string_view name() const override { return Name(); }
  // Never raises.
  std::shared_ptr<QRCodeFillStyleGenerator> copyStyle() const override;
  // {"color": the RGBA colour string}; raises RGBAComponentsError::unableToConvertToRGBA.
  foundation::Settings settings() const override;
  void fillWithCtx(gfx::Canvas& ctx, const gfx::Rect& rect) const override;
  void fillWithCtx(gfx::Canvas& ctx, const gfx::Rect& rect, const gfx::Path& path,
                   double expectedPixelSize, const QRCodeShadow* shadow) const override;
  // fill="#rrggbb" fill-opacity="a" (trailing blank), plus the shadow's filter reference
  // and definition; raises RGBAComponentsError::unableToConvertToRGBA.
  QRCodeFillStyle::SVGDefinition svgRepresentationWithStyleIdentifier(
      std::string_view styleIdentifier, double expectedPixelSize,
      const QRCodeShadow* shadow) const override;

  // Raises QRCodeError::cannotCreateGenerator when "color" is missing or not text, and the
  // colour reader's error for text that is no RGBA colour string.
  static std::shared_ptr<QRCodeFillStyleSolid> CreateWithSettings(const foundation::Settings& settings);

 private:
  gfx::Color color_;
};
