#pragma once
// How a QR code looks, independent of its content: the shape (generators), the style
// (fills, colours, shadow) and an extra quiet zone counted in modules. Shared by reference
// (std::shared_ptr); copyDesign makes an independent deep copy.
//
// Threads: drawing changes the shape's generators, so a design (and every document that
// holds it) is drawn by one caller at a time; a copyDesign copy may be drawn on another
// thread at once.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "QRCode/design/QRCodeFillStyleGenerator.hpp"
#include "QRCode/design/QRCodeShape.hpp"
#include "QRCode/design/QRCodeStyle.hpp"
#include "platform/foundation/Settings.hpp"
#include "platform/foundation/Text.hpp"
#include "platform/graphics/Color.hpp"

class QRCodeDesign {
 public:
  // The largest extra quiet zone read from settings; larger values are capped to it.
  static constexpr std::uint64_t maxAdditionalQuietZonePixelsRead = 1000;

  // The default design: default shape, default style, no extra quiet zone.
  QRCodeDesign();
  static std::shared_ptr<QRCodeDesign> make() { return std::make_shared<QRCodeDesign>(); }
  // A default design with foregroundColor(foreground), then backgroundColor(background)
  // (initWithForegroundColor:backgroundColor:).
  static std::shared_ptr<QRCodeDesign> make(const gfx::Color& foreground,
                                              std::optional<gfx::Color> background);

  // Never null: setting null installs a new default shape or style.
  const QRCodeShapePtr& shape() const { return shape_; }
  void setShape(QRCodeShapePtr shape);
  const QRCodeStylePtr& style() const { return style_; }
  void setStyle(QRCodeStylePtr style);
  std::uint64_t additionalQuietZonePixels() const { return additionalQuietZonePixels_; }
  void setAdditionalQuietZonePixels(std::uint64_t value) { additionalQuietZonePixels_ = value; }

  // An independent copy (shape, style and quiet zone); raises the style copy's error.
  std::shared_ptr<QRCodeDesign> copyDesign() const;

  // Fluent setters; each returns the design itself.
  // The on-module fill becomes a solid fill of the colour; eye and pupil fills are cleared.
  QRCodeDesign& foregroundColor(const gfx::Color& color);
  // The on-module fill becomes the fill; eye and pupil fills are cleared.
  QRCodeDesign& foregroundStyle(QRCodeFillStyleGeneratorPtr fill);
  // The background becomes a solid fill of the colour, or of the clear colour for none.
  QRCodeDesign& backgroundColor(std::optional<gfx::Color> color);

  // {"shape": ..., "style": ..., "additionalQuietZonePixels": n (only when not 0)}.
  // Raises the style writer's error.
  foundation::Settings settings() const;
  // The settings as compact JSON text; raises the style writer's error, or
  // QRCodeError::cannotGenerateJSON when the settings hold a non-finite number.
  foundation::Bytes jsonData() const;

  // A design from its settings: "shape" and "style" when they are objects;
  // "additionalQuietZonePixels" when it is a number (negative, NaN or not a number give 0,
  // fractions truncate, at most maxAdditionalQuietZonePixelsRead). Other keys are ignored.
  static std::shared_ptr<QRCodeDesign> CreateWithSettings(const foundation::Settings& settings);
  // Raises QRCodeError::cannotCreateGenerator for bytes that are not JSON or whose top
  // level is not an object.
  static std::shared_ptr<QRCodeDesign> CreateWithJsonData(std::span<const std::uint8_t> json);

 private:
  QRCodeShapePtr shape_;
  QRCodeStylePtr style_;
  std::uint64_t additionalQuietZonePixels_ = 0;
};

using QRCodeDesignPtr = std::shared_ptr<QRCodeDesign>;
