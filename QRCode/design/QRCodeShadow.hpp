#pragma once
// A drop or inner shadow that a style's fills draw with their shapes, with its settings
// dictionary and its SVG <filter> element.
//
// The offset is given in modules (the fills multiply it by the size of one module); a
// positive height moves the shadow up in the canvas's base space. The blur is in base
// units as stored (not scaled).
//
// Values are kept sound: an offset component or blur that is not finite is replaced by its
// default, the offset is limited to +-maxOffset modules and the blur to 0...maxBlur, and a
// colour with a component that is not finite is replaced by the default colour. So no
// drawing made with a shadow can allocate without bound.

#include <memory>
#include <string>
#include <string_view>

#include "platform/foundation/Settings.hpp"
#include "platform/graphics/Color.hpp"
#include "platform/graphics/Geometry.hpp"

class QRCodeShadow {
 public:
  enum class ShadowType : int { dropShadow = 0, innerShadow = 1 };

  // Limits of the stored values (modules, and base units for the blur).
  static constexpr double maxOffset = 1000.0;
  static constexpr double maxBlur = 200.0;

  // The defaults: offset (0.2, -0.2), blur 4.0, black with alpha 0.8, drop shadow.
  static constexpr double defaultOffsetWidth = 0.2;
  static constexpr double defaultOffsetHeight = -0.2;
  static constexpr double defaultBlur = 4.0;
  static gfx::Color defaultColor();

  QRCodeShadow();
  QRCodeShadow(ShadowType type, double dx, double dy, double blur, const gfx::Color& color);
  QRCodeShadow(ShadowType type, gfx::Size offset, double blur, const gfx::Color& color);

  gfx::Size offset() const { return offset_; }
  void setOffset(gfx::Size offset);
  double blur() const { return blur_; }
  void setBlur(double blur);
  const gfx::Color& color() const { return color_; }
  void setColor(const gfx::Color& color);
  ShadowType type() const { return type_; }
  void setType(ShadowType type) { type_ = type; }

  // A new shadow with the same type, offset, blur and colour.
  std::shared_ptr<QRCodeShadow> copyShadow() const;

  // {"offset-width", "offset-height", "blur": numbers, "type": 0 or 1, "color": the RGBA
  // colour string}. Raises RGBAComponentsError::unableToConvertToRGBA when the colour
  // cannot be converted.
  foundation::Settings settings() const;

  // A shadow from its settings, or null unless the dictionary is a non-empty object whose
  // "offset-width", "offset-height" and "blur" are finite numbers, whose "type" is a number
  // with the integer value 0 or 1 and whose "color" is a readable RGBA colour string.
  static std::shared_ptr<QRCodeShadow> Create(const foundation::Settings& settings);

  // The SVG filter element of this shadow under the given id (inserted unescaped), for a
  // module size of expectedPixelSize output units. Raises
  // RGBAComponentsError::unableToConvertToRGBA when the colour cannot be converted.
  std::string svgDropShadowFilter(std::string_view id, double expectedPixelSize) const;
  std::string svgInnerShadowFilter(std::string_view id, double expectedPixelSize) const;

  // The offset the fills draw with: offset x expectedPixelSize (0 for a size that is not
  // finite).
  gfx::Size scaledOffset(double expectedPixelSize) const;

 private:
  gfx::Size offset_;
  double blur_;
  gfx::Color color_;
  ShadowType type_;
};

using QRCodeShadowPtr = std::shared_ptr<QRCodeShadow>;
