#include <cmath>
#include <limits>
#include <optional>

#include "QRCode/core/QRCodeColor.hpp"
#include "QRCode/core/QRCodeError.hpp"
#include "QRCode/design/QRCodeFillStyleGenerator.hpp"
#include "QRCode/design/QRCodeFillStyleSolid.hpp"
#include "QRCode/design/QRCodeShadow.hpp"
#include "platform/foundation/Error.hpp"
#include "platform/graphics/Canvas.hpp"

const std::shared_ptr<QRCodeFillStyleSolid>& QRCodeFillStyle::clear() {
  static const std::shared_ptr<QRCodeFillStyleSolid> fill =
      std::make_shared<QRCodeFillStyleSolid>(qrcolor::commonClear());
  return fill;
}

void QRCodeFillStyle::innerShadowPass(gfx::Canvas& ctx, const gfx::Path& path,
                                      const QRCodeShadow& shadow, double expectedPixelSize) {
  ctx.save();
  ctx.setAntialias(true);
  ctx.clipToPath(path, false);

  ctx.save();
  gfx::Path frame;
  frame.reserve(path.size() + 5);
  frame.addRect(gfx::Rect(-100000, -100000, 200000, 200000));
  frame.addPath(path);
  ctx.setFillColor(shadow.color());
  ctx.setShadow(shadow.scaledOffset(expectedPixelSize), shadow.blur(), shadow.color());
  ctx.fillShadowOfPath(frame, true);
  ctx.restore();

  ctx.restore();
}

void QRCodeFillStyle::outerShadowPass(gfx::Canvas& ctx, const gfx::Rect& rect, const gfx::Path& path,
                                      const QRCodeShadow& shadow, double expectedPixelSize) {
  // Only the shadow is drawn, and only where the shape is not: filling a white shape under
  // a clip of "rectangle minus shape" would paint white wherever outlines overlap (the
  // even-odd rule counts the overlap as outside again) and tint the shape's anti-aliased
  // edge.
  ctx.save();
  ctx.clipToRect(rect);
  ctx.setShadow(shadow.scaledOffset(expectedPixelSize), shadow.blur(), shadow.color());
  ctx.setBlendMode(gfx::BlendMode::normal);
  ctx.setFillColor(qrcolor::commonWhite());  // opaque, so the shadow takes the shadow colour's alpha
  ctx.fillShadowAroundPath(path, false);
  ctx.restore();
}

GeneratorSettingsRecord QRCodeFillStyleGenerator::typeAndSettings() const {
  foundation::Settings settings = this->settings();
  return qrshape::makeGeneratorSettingsRecord(name(), std::move(settings));
}

gfx::Image QRCodeFillStyleGenerator::image(std::int64_t width, std::int64_t height, bool flipped) const {
  if (width <= 0 || height <= 0 || width > gfx::Image::maxDimension || height > gfx::Image::maxDimension)
    foundation::raise(QRCodeError::cannotGenerateImage, "the image size is not usable");
  const double w = static_cast<double>(width), h = static_cast<double>(height);
  std::optional<gfx::Canvas> canvas;
  try {
    canvas.emplace(gfx::Canvas::bitmap(w, h));
  } catch (const foundation::Error& e) {
    foundation::raise(QRCodeError::cannotGenerateImage, e.what());
  }
  if (flipped) {
    canvas->scale(1, -1);
    canvas->translate(0, -h);
  }
  fillWithCtx(*canvas, gfx::Rect(0, 0, w, h));
  try {
    return canvas->makeImage();
  } catch (const foundation::Error& e) {
    foundation::raise(QRCodeError::cannotGenerateImage, e.what());
  }
}
