#include "QRCode/design/QRCodeFillStyleSolid.hpp"

#include <string>

#include "QRCode/core/QRCodeColor.hpp"
#include "QRCode/core/QRCodeError.hpp"
#include "QRCode/design/QRCodeShadow.hpp"
#include "platform/foundation/Error.hpp"
#include "platform/foundation/Numbers.hpp"
#include "platform/graphics/Canvas.hpp"

std::shared_ptr<QRCodeFillStyleSolid> QRCodeFillStyleSolid::withSrgbRed(double red, double green, double blue,
                                                                        double alpha) {
  return make(qrcolor::sRGB(red, green, blue, alpha));
}

std::shared_ptr<QRCodeFillStyleSolid> QRCodeFillStyleSolid::withGenericRGB(double red, double green, double blue,
                                                                           double alpha) {
  return make(qrcolor::genericRGB(red, green, blue, alpha));
}

std::shared_ptr<QRCodeFillStyleSolid> QRCodeFillStyleSolid::withGray(double gray, double alpha) {
  return make(qrcolor::genericGray(gray, alpha));
}

std::shared_ptr<QRCodeFillStyleSolid> QRCodeFillStyleSolid::withHexString(std::string_view hexString) {
  return make(qrcolor::fromHexString(hexString, qrcolor::commonSRGB()));
}

std::shared_ptr<QRCodeFillStyleGenerator> QRCodeFillStyleSolid::copyStyle() const {
  return std::make_shared<QRCodeFillStyleSolid>(color_);
}

foundation::Settings QRCodeFillStyleSolid::settings() const {
  foundation::Settings s = foundation::Settings::object();
  s["color"] = qrcolor::rgbaString(color_);
  return s;
}

void QRCodeFillStyleSolid::fillWithCtx(gfx::Canvas& ctx, const gfx::Rect& rect) const {
  ctx.setFillColor(color_);
  ctx.fillRect(rect);
}

void QRCodeFillStyleSolid::fillWithCtx(gfx::Canvas& ctx, const gfx::Rect&, const gfx::Path& path,
                                       double expectedPixelSize, const QRCodeShadow* shadow) const {
  if (shadow && shadow->type() == QRCodeShadow::ShadowType::dropShadow)
    ctx.setShadow(shadow->scaledOffset(expectedPixelSize), shadow->blur(), shadow->color());
  ctx.setFillColor(color_);
  ctx.fillPath(path, false);
  if (shadow && shadow->type() == QRCodeShadow::ShadowType::innerShadow)
    QRCodeFillStyle::innerShadowPass(ctx, path, *shadow, expectedPixelSize);
}

QRCodeFillStyle::SVGDefinition QRCodeFillStyleSolid::svgRepresentationWithStyleIdentifier(
    std::string_view styleIdentifier, double expectedPixelSize, const QRCodeShadow* shadow) const {
  const RGBAComponents rgba = qrcolor::rgbaComponents(color_);
  std::string attribute = "fill=\"" + qrcolor::hexString(color_) + "\" fill-opacity=\"" +
                          foundation::shortestString(rgba.a) + "\" ";
  if (!shadow) return {std::move(attribute), std::nullopt};
  const std::string filterId = std::string(styleIdentifier) + "-shadow";
  std::string definition = shadow->type() == QRCodeShadow::ShadowType::dropShadow
                               ? shadow->svgDropShadowFilter(filterId, expectedPixelSize)
                               : shadow->svgInnerShadowFilter(filterId, expectedPixelSize);
  attribute += "style=\"filter:url(#" + filterId + ")\"";
  return {std::move(attribute), std::move(definition)};
}

std::shared_ptr<QRCodeFillStyleSolid> QRCodeFillStyleSolid::CreateWithSettings(const foundation::Settings& settings) {
  if (!settings.is_object() || settings.empty())
    foundation::raise(QRCodeError::cannotCreateGenerator, "the solid fill has no settings");
  const auto text = foundation::stringValue(settings, "color");
  if (!text) foundation::raise(QRCodeError::cannotCreateGenerator, "the solid fill has no \"color\" text");
  return make(qrcolor::fromRGBAString(*text));
}
