#pragma once
// The interface of every fill style (solid colour, linear and radial gradient, image): it
// paints a rectangle or a path into a canvas, optionally with a shadow, writes the SVG text
// that paints the same thing, copies itself and archives itself as a settings dictionary.
//
// Every family also offers, as static members:
//   static std::string_view Name();   // archive name ("solid", "lineargradient", ...)
//   static std::shared_ptr<Family> CreateWithSettings(const foundation::Settings& settings);
//        // raises on settings that do not describe a fill of the family
// Fills are held in std::shared_ptr; they are copied only through copyStyle.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "QRCode/pixel/GeneratorSettingsRecord.hpp"
#include "platform/foundation/Settings.hpp"
#include "platform/graphics/Geometry.hpp"
#include "platform/graphics/Image.hpp"
#include "platform/graphics/Path.hpp"

namespace gfx {
class Canvas;
}
class QRCodeShadow;
class QRCodeFillStyleSolid;
class QRCodeFillStyleGenerator;

// The namespace of the fill families, with what they share.
class QRCodeFillStyle {
 public:
  QRCodeFillStyle() = delete;

  // The SVG text a fill contributes: the attributes written into the element it paints
  // and, when there are any, the definitions (gradient, pattern, shadow filter) that those
  // attributes refer to.
  class SVGDefinition {
   public:
    SVGDefinition(std::string styleAttribute, std::optional<std::string> styleDefinition)
        : styleAttribute_(std::move(styleAttribute)), styleDefinition_(std::move(styleDefinition)) {}
    const std::string& styleAttribute() const { return styleAttribute_; }
    const std::optional<std::string>& styleDefinition() const { return styleDefinition_; }

   private:
    std::string styleAttribute_;
    std::optional<std::string> styleDefinition_;
  };

  // The one shared solid fill of the clear colour (generic gray 0, alpha 0).
  static const std::shared_ptr<QRCodeFillStyleSolid>& clear();

  // Shadow passes shared by the fill families. The offset is the shadow's offset times
  // expectedPixelSize, the blur the shadow's blur as stored.
  //
  // Inner shadow: inside a clip to the path (non-zero rule), a 200000-unit frame around
  // the path is filled (even-odd rule) with the shadow set, so only its shadow, falling
  // inwards over the shape, is seen. The canvas state is unchanged afterwards.
  static void innerShadowPass(gfx::Canvas& ctx, const gfx::Path& path, const QRCodeShadow& shadow,
                              double expectedPixelSize);
  // Outer (drop) shadow after a fill that casts none itself (gradients, images): inside a
  // clip to the rectangle, only the shadow of the path (non-zero rule) is drawn, and only
  // where the path does not cover, so the shape keeps its paint, also where outlines
  // overlap and along its anti-aliased edge. The canvas state is unchanged afterwards.
  static void outerShadowPass(gfx::Canvas& ctx, const gfx::Rect& rect, const gfx::Path& path,
                              const QRCodeShadow& shadow, double expectedPixelSize);
};

class QRCodeFillStyleGenerator {
 public:
  virtual ~QRCodeFillStyleGenerator() = default;
  QRCodeFillStyleGenerator(const QRCodeFillStyleGenerator&) = delete;
  QRCodeFillStyleGenerator& operator=(const QRCodeFillStyleGenerator&) = delete;

  // The Name of the fill's family.
  virtual std::string_view name() const = 0;

  // A new, independent fill of the same family and values (the native form of
  // copyStyleAndReturnError:). May raise.
  virtual std::shared_ptr<QRCodeFillStyleGenerator> copyStyle() const = 0;

  // The family's settings dictionary (settingsAndReturnError:). May raise.
  virtual foundation::Settings settings() const = 0;

  // Fills the rectangle with the style (gradients paint beyond it).
  virtual void fillWithCtx(gfx::Canvas& ctx, const gfx::Rect& rect) const = 0;

  // Paints the path. rect is the rectangle of the whole code (families whose paint is laid
  // out over the code place it by it); expectedPixelSize is the size of one module in the
  // canvas's units (the shadow offset is multiplied by it); shadow may be null. A drop
  // shadow may stay set in the canvas after the call: callers save and restore the state
  // around every fill.
  virtual void fillWithCtx(gfx::Canvas& ctx, const gfx::Rect& rect, const gfx::Path& path,
                           double expectedPixelSize, const QRCodeShadow* shadow) const = 0;

  // The SVG text of the fill for the element with the given id stem
  // (svgRepresentationWithStyleIdentifier:expectedPixelSize:shadow:error:). With a shadow
  // the filter id is the identifier followed by "-shadow". May raise.
  virtual QRCodeFillStyle::SVGDefinition svgRepresentationWithStyleIdentifier(
      std::string_view styleIdentifier, double expectedPixelSize, const QRCodeShadow* shadow) const = 0;

  // {"type": name(), "settings": settings()}; raises what settings() raises.
  GeneratorSettingsRecord typeAndSettings() const;

  // The fill painted over a whole width x height sRGB bitmap; with flipped, y grows
  // downwards from the top edge. Raises QRCodeError::cannotGenerateImage when the bitmap
  // cannot be made (sizes <= 0 or too large).
  gfx::Image image(std::int64_t width, std::int64_t height, bool flipped) const;
  gfx::Image image(std::int64_t dimension, bool flipped) const { return image(dimension, dimension, flipped); }

 protected:
  QRCodeFillStyleGenerator() = default;
};

using QRCodeFillStyleGeneratorPtr = std::shared_ptr<QRCodeFillStyleGenerator>;

// {"type": the fill's Name, "settings": its settings}; raises what the fill's settings
// raise.
inline GeneratorSettingsRecord typeAndSettings(const QRCodeFillStyleGenerator& fill) {
  return fill.typeAndSettings();
}
