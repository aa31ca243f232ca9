#include "QRCode/design/QRCodeFillStyleImage.hpp"

#include <string>

#include "QRCode/core/QRCodeError.hpp"
#include "QRCode/design/QRCodeShadow.hpp"
#include "imageio/ImageExport.hpp"
#include "imageio/ImageLoad.hpp"
#include "platform/foundation/Error.hpp"
#include "platform/foundation/Text.hpp"
#include "platform/graphics/Canvas.hpp"

namespace {

// Draws the picture stretched into the rectangle, mirrored vertically against a plain
// draw, so that it shows upright in a canvas whose y axis points down.
void drawPicture(gfx::Canvas& ctx, const gfx::Image& picture, const gfx::Rect& rect) {
  const double h = rect.size.height;
  ctx.scale(1, -1);
  ctx.translate(0, -h);
  ctx.translate(0, -2 * rect.minY());
  ctx.drawImage(picture, rect);
}

bool isASCII(std::string_view text) {
  for (const char c : text)
    if (static_cast<unsigned char>(c) > 0x7f) return false;
  return true;
}

}  // namespace

std::shared_ptr<QRCodeFillStyleGenerator> QRCodeFillStyleImage::copyStyle() const {
  // Pixels are immutable and shared, so the copy of the picture shares them.
  return make(image_);
}

foundation::Settings QRCodeFillStyleImage::settings() const {
  if (!image_) foundation::raise(QRCodeError::cannotGenerateImageBase64, "the image fill has no picture");
  const foundation::Bytes png = imageio::encodeImageData(*image_, ImageExportType::png(1.0, false));
  std::string base64 = foundation::base64Encode(png);
  if (!isASCII(base64)) foundation::raise(QRCodeError::cannotGenerateImageBase64);
  foundation::Settings s = foundation::Settings::object();
  s["imagePNGbase64"] = std::move(base64);
  return s;
}

void QRCodeFillStyleImage::fillWithCtx(gfx::Canvas& ctx, const gfx::Rect& rect) const {
  if (!image_) return;
  ctx.save();
  drawPicture(ctx, *image_, rect);
  ctx.restore();
}

void QRCodeFillStyleImage::fillWithCtx(gfx::Canvas& ctx, const gfx::Rect& rect, const gfx::Path& path,
                                       double expectedPixelSize, const QRCodeShadow* shadow) const {
  if (!image_) return;
  ctx.save();
  ctx.clipToPath(path, false);
  drawPicture(ctx, *image_, rect);
  ctx.restore();
  if (!shadow) return;
  if (shadow->type() == QRCodeShadow::ShadowType::dropShadow)
    QRCodeFillStyle::outerShadowPass(ctx, rect, path, *shadow, expectedPixelSize);
  else
    QRCodeFillStyle::innerShadowPass(ctx, path, *shadow, expectedPixelSize);
}

QRCodeFillStyle::SVGDefinition QRCodeFillStyleImage::svgRepresentationWithStyleIdentifier(
    std::string_view styleIdentifier, double expectedPixelSize, const QRCodeShadow* shadow) const {
  if (!image_) foundation::raise(QRCodeError::cannotGenerateImage, "the image fill has no picture");
  foundation::Bytes jpeg;
  try {
    jpeg = imageio::encodeImageData(*image_, ImageExportType::jpg(1.0, std::nullopt, false));
  } catch (const foundation::Error& e) {
    foundation::raise(QRCodeError::cannotGenerateImage, e.what());
  }
  const std::string base64 = foundation::base64Encode(jpeg);
  if (!isASCII(base64)) foundation::raise(QRCodeError::unableToConvertTextToRequestedEncoding);

  const std::string id(styleIdentifier);
  const std::string w = std::to_string(image_->width()), h = std::to_string(image_->height());
  std::string definition;
  definition.reserve(base64.size() + base64.size() / 64 + 256 + (shadow ? 1200 : 0));
  definition += "<pattern id=\"" + id + "\" x=\"0\" y=\"0\" width=\"1\" height=\"1\"  viewBox=\"0 0 " + w + " " + h +
                "\"  preserveAspectRatio=\"xMidYMid slice\">\n";
  definition += "<image width=\"" + w + "\" height=\"" + h + "\"  xlink:href=\"data:image/jpeg;base64,";
  for (std::size_t i = 0; i < base64.size(); i += 64) {
    if (i) definition += '\n';
    definition.append(base64, i, 64);
  }
  definition += "\" x=\"0\" y=\"0\" /></pattern>";

  std::string attribute = "fill=\"url(#" + id + ")\" fill-opacity=\"1\" ";
  if (shadow) {
    const std::string filterId = id + "-shadow";
    definition += shadow->type() == QRCodeShadow::ShadowType::dropShadow
                      ? shadow->svgDropShadowFilter(filterId, expectedPixelSize)
                      : shadow->svgInnerShadowFilter(filterId, expectedPixelSize);
    attribute += "style=\"filter:url(#" + filterId + ")\"";
  }
  return {std::move(attribute), std::move(definition)};
}

std::shared_ptr<QRCodeFillStyleImage> QRCodeFillStyleImage::CreateWithSettings(const foundation::Settings& settings) {
  if (!settings.is_object() || settings.empty())
    foundation::raise(QRCodeError::cannotCreateGenerator, "the image fill has no settings");
  const auto text = foundation::stringValue(settings, "imagePNGbase64");
  if (!text) foundation::raise(QRCodeError::cannotCreateGenerator, "the image fill has no \"imagePNGbase64\" text");
  const auto bytes = foundation::base64Decode(*text);
  if (!bytes) foundation::raise(QRCodeError::cannotCreateGenerator, "\"imagePNGbase64\" is not base64");
  try {
    return make(imageio::loadImageFromData(*bytes));
  } catch (const foundation::Error& e) {
    foundation::raise(QRCodeError::cannotCreateGenerator, std::string("\"imagePNGbase64\" is no image: ") + e.what());
  }
}
