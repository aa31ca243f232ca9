#include "QRCode/render/QRCodeRenderer.hpp"

#include <algorithm>
#include <cmath>

#include "QRCode/design/QRCodeDesign.hpp"
#include "QRCode/design/QRCodeFillStyleSolid.hpp"
#include "QRCode/design/QRCodeLogoTemplate.hpp"
#include "QRCode/eye/QRCodeEyeShapesRounded.hpp"
#include "QRCode/pixel/CommonPixelShapes.hpp"
#include "QRCode/pixel/QRCodePixelInsetGenerator.hpp"
#include "QRCode/render/QRCodeComponentPaths.hpp"
#include "platform/foundation/Output.hpp"

namespace qrrender {

namespace {

// Everything drawn between construction and destruction is undone by one restore.
class SavedState {
 public:
  explicit SavedState(gfx::Canvas& canvas) : canvas_(canvas) { canvas_.save(); }
  ~SavedState() { canvas_.restore(); }
  SavedState(const SavedState&) = delete;
  SavedState& operator=(const SavedState&) = delete;

 private:
  gfx::Canvas& canvas_;
};

// The geometry of one drawing, worked out once.
struct Layout {
  gfx::Rect rect;       // the whole area
  gfx::Rect insetRect;  // rect less the extra quiet zone
  double cell = 0;      // side of one module
  double quietInset = 0;
  double grid = 0;      // N x cell
  gfx::AffineTransform toRect;  // module paths (built for a rect at the origin) into rect
};

// A module path in the rectangle's coordinates.
gfx::Path placed(gfx::Path path, const Layout& layout) {
  if (layout.toRect.isIdentity()) return path;
  return path.transformed(layout.toRect);
}

gfx::Path componentPath(const QRCode& qrcode, const Layout& layout, QRCodeComponents component, QRCodeShape& shape,
                        const QRCodeLogoTemplate* logo) {
  return placed(path(qrcode, layout.insetRect.size, component, shape, logo, layout.quietInset), layout);
}

// Fills a path with a fill style inside its own saved state.
void fillPath(gfx::Canvas& ctx, const Layout& layout, const QRCodeFillStyleGenerator& fill, const gfx::Path& path,
              const QRCodeShadow* shadow) {
  SavedState saved(ctx);
  // The shadow offset is given in modules: it is scaled by the side of one module.
  fill.fillWithCtx(ctx, layout.insetRect, path, layout.cell, shadow);
}

// Fills a path with a plain colour (winding rule), no shadow.
void fillColor(gfx::Canvas& ctx, const gfx::Color& color, const gfx::Path& path) {
  SavedState saved(ctx);
  ctx.setFillColor(color);
  ctx.fillPath(path);
}

void drawLogo(gfx::Canvas& ctx, const Layout& layout, const QRCodeLogoTemplate& logo) {
  SavedState saved(ctx);
  const double s = std::min(layout.insetRect.width(), layout.insetRect.height());
  // The unit square flipped vertically, then scaled to the grid.
  const gfx::AffineTransform logoTransform = gfx::AffineTransform::scale(1, -1)
                                                 .concatenating(gfx::AffineTransform::translation(0, 1))
                                                 .concatenating(gfx::AffineTransform::scale(s, s));
  const gfx::Path region = logo.path().transformed(logoTransform);
  // y up again for the logo, the grid's corner at the origin.
  const gfx::Rect& rect = layout.rect;
  ctx.translate(rect.origin.x, rect.origin.y);
  ctx.scale(1, -1);
  ctx.translate((rect.width() - layout.grid) / 2, (rect.height() - layout.grid) / 2 - rect.height());
  ctx.clipToPath(region);
  const gfx::Rect box = region.bounds();
  if (box.isNull()) return;
  const gfx::Rect target = box.insetBy(logo.inset(), logo.inset());
  if (target.isNull()) return;
  ctx.drawImage(logo.image(), target);
}

}  // namespace

void drawWithCtx(const QRCode& qrcode, gfx::Canvas& ctx, const gfx::Rect& rect, QRCodeDesign& design,
                 const QRCodeLogoTemplate* logoTemplate) {
  // 1. Guard: the quiet zone must leave room (this also catches an empty matrix and an
  // empty or non-finite rectangle).
  const double n = static_cast<double>(qrcode.cellDimension());
  const double minSide = std::min(rect.width(), rect.height());
  const double q = static_cast<double>(design.additionalQuietZonePixels());
  const double cell = minSide / (2 * q + n);
  const double quietInset = q * cell;
  if (!(minSide > 2 * quietInset) || !std::isfinite(minSide) || !std::isfinite(cell) || rect.isNull()) {
    foundation::printLine("additionalQuietSpace too large");
    return;
  }

  // 2. Geometry.
  Layout layout;
  layout.rect = rect.standardized();
  layout.insetRect = layout.rect.insetBy(quietInset, quietInset);
  layout.cell = cell;
  layout.quietInset = quietInset;
  layout.grid = n * cell;
  layout.toRect = gfx::AffineTransform::translation(layout.rect.origin.x, layout.rect.origin.y);

  QRCodeShape& shape = *design.shape();
  const QRCodeStyle& style = *design.style();
  const QRCodeShadow* shadow = style.shadow().get();

  // 3. Link use-pixel-shape eyes and pupils to the on-pixel shape.
  linkPixelShapeEyes(shape);

  // 4. Background, clipped to a rounded rectangle when a corner radius is set.
  {
    SavedState saved(ctx);
    const double fraction = style.backgroundFractionalCornerRadius();
    if (fraction > 0) {
      // Radii beyond half the shorter side are clamped by the rounded rectangle.
      const double r = fraction * cell;
      gfx::Path clip;
      clip.addRoundedRect(layout.rect, r, r);
      ctx.clipToPath(clip);
    }
    const auto& background = style.background();
    if (background) background->fillWithCtx(ctx, layout.rect);
    else QRCodeFillStyle::clear()->fillWithCtx(ctx, layout.rect);
  }

  if (shape.negatedOnPixelsOnly()) {
    // 5a. Negated layers: a plain-square background colour, then the on-pixel shape over
    // every module that is off, finder areas and border ring included.
    if (const auto& colour = style.onPixelsBackground()) {
      auto squares = std::make_shared<QRCodePixelShapeSquare>(std::make_shared<QRCodePixelInsetFixed>(), 0.0, 0.0, false);
      QRCodeShape plain(squares, nullptr, false, std::make_shared<QRCodeEyeShapeSquare>(), nullptr);
      fillColor(ctx, *colour, componentPath(qrcode, layout, QRCodeComponents::negatedOnPixels(), plain, logoTemplate));
    }
    fillPath(ctx, layout, *style.onPixels(),
             componentPath(qrcode, layout, QRCodeComponents::negatedOnPixels(), shape, logoTemplate), shadow);
  } else {
    // 6. Normal layers.
    if (const auto& colour = style.eyeBackground())
      fillColor(ctx, *colour, componentPath(qrcode, layout, QRCodeComponents::eyeBackground(), shape, logoTemplate));
    fillPath(ctx, layout, *style.actualEyeStyle(),
             componentPath(qrcode, layout, QRCodeComponents::eye(), shape, logoTemplate), shadow);
    fillPath(ctx, layout, *style.actualPupilStyle(),
             componentPath(qrcode, layout, QRCodeComponents::pupil(), shape, logoTemplate), shadow);
    if (style.offPixels() && shape.offPixels()) {
      // The plain squares behind the off-pixels are exactly the offPixelsBackground part.
      if (const auto& colour = style.offPixelsBackground()) {
        const QRCodeFillStyleSolid fill(*colour);
        fillPath(ctx, layout, fill,
                 componentPath(qrcode, layout, QRCodeComponents::offPixelsBackground(), shape, logoTemplate), nullptr);
      }
      fillPath(ctx, layout, *style.offPixels(),
               componentPath(qrcode, layout, QRCodeComponents::offPixels(), shape, logoTemplate), nullptr);
    }
    if (const auto& colour = style.onPixelsBackground()) {
      const QRCodeFillStyleSolid fill(*colour);
      fillPath(ctx, layout, fill,
               componentPath(qrcode, layout, QRCodeComponents::onPixelsBackground(), shape, logoTemplate), shadow);
    }
    fillPath(ctx, layout, *style.onPixels(),
             componentPath(qrcode, layout, QRCodeComponents::onPixels(), shape, logoTemplate), shadow);
  }

  // 7. Logo.
  if (logoTemplate) drawLogo(ctx, layout, *logoTemplate);
}

}  // namespace qrrender
