#include "QRCode/document/QRCodeBuilder.hpp"

#include <utility>

#include "QRCode/core/QRCodeColor.hpp"
#include "QRCode/core/QRCodePathHelpers.hpp"
#include "QRCode/design/QRCodeDesign.hpp"
#include "QRCode/design/QRCodeFillStyleImage.hpp"
#include "QRCode/design/QRCodeFillStyleSolid.hpp"
#include "QRCode/design/QRCodeShape.hpp"
#include "QRCode/design/QRCodeStyle.hpp"
#include "QRCode/render/QRCodeComponents.hpp"

namespace {

QRCodeDesign& designOf(const QRCodeBuilder& builder) { return *builder.document()->design(); }
QRCodeStyle& styleOf(const QRCodeBuilder& builder) { return *designOf(builder).style(); }
QRCodeShape& shapeOf(const QRCodeBuilder& builder) { return *designOf(builder).shape(); }

// A hex colour in sRGB; raises QRCodeError::invalidHexColorString before anything changes.
gfx::Color hexColor(std::string_view text) { return qrcolor::fromHexString(text); }

QRCodeFillStyleGeneratorPtr solid(const gfx::Color& color) { return QRCodeFillStyleSolid::make(color); }

}  // namespace

QRCodeBuilder::QRCodeBuilder() : document_(std::make_shared<QRCodeDocument>()) {}

// --- builder-wide ---------------------------------------------------------------------------

QRCodeBuilder QRCodeBuilder::engine(std::shared_ptr<QRCodeEngine> engine) const {
  document_->setEngine(std::move(engine));
  return *this;
}

QRCodeBuilder QRCodeBuilder::errorCorrection(QRCode::ErrorCorrection errorCorrection) const {
  document_->setErrorCorrection(errorCorrection);
  return *this;
}

QRCodeBuilder QRCodeBuilder::quietZonePixelCount(std::uint64_t count) const {
  designOf(*this).setAdditionalQuietZonePixels(count);
  return *this;
}

QRCodeBuilder QRCodeBuilder::negatedOnPixelsOnly(bool negated) const {
  shapeOf(*this).setNegatedOnPixelsOnly(negated);
  return *this;
}

QRCodeBuilder QRCodeBuilder::shadow(QRCodeShadowPtr shadow) const {
  styleOf(*this).setShadow(std::move(shadow));
  return *this;
}

QRCodeBuilder QRCodeBuilder::shadow(QRCodeShadow::ShadowType type, double dx, double dy, double blur,
                                    const gfx::Color& color) const {
  return shadow(std::make_shared<QRCodeShadow>(type, dx, dy, blur, color));
}

QRCodeBuilder QRCodeBuilder::shadow(QRCodeShadow::ShadowType type, gfx::Size offset, double blur,
                                    const gfx::Color& color) const {
  return shadow(std::make_shared<QRCodeShadow>(type, offset, blur, color));
}

QRCodeBuilder QRCodeBuilder::logo(QRCodeLogoTemplatePtr logoTemplate) const {
  document_->setLogoTemplate(std::move(logoTemplate));
  return *this;
}

QRCodeBuilder QRCodeBuilder::logo(gfx::Image image, std::optional<gfx::Image> maskImage) const {
  return logo(std::make_shared<QRCodeLogoTemplate>(std::move(image), std::move(maskImage), true));
}

QRCodeBuilder QRCodeBuilder::logo(gfx::Image image, LogoPosition position) const {
  switch (position.kind) {
    case LogoPosition::Kind::circleCenter:
      return logo(QRCodeLogoTemplate::CircleCenterWithImage(std::move(image), position.inset));
    case LogoPosition::Kind::circleBottomRight:
      return logo(QRCodeLogoTemplate::CircleBottomRightWithImage(std::move(image), position.inset));
    case LogoPosition::Kind::squareCenter:
      return logo(QRCodeLogoTemplate::SquareCenterWithImage(std::move(image), position.inset));
    case LogoPosition::Kind::squareBottomRight:
      return logo(QRCodeLogoTemplate::SquareBottomRightWithImage(std::move(image), position.inset));
  }
  return *this;
}

QRCodeBuilder QRCodeBuilder::logo(gfx::Image image, const gfx::Rect& rect, double inset) const {
  gfx::Path path;
  path.addRect(rect);
  return logo(std::make_shared<QRCodeLogoTemplate>(std::move(image), std::move(path), inset, true));
}

// --- content ------------------------------------------------------------------------------

QRCodeBuilder QRCodeBuilder::Content::text(std::string text) const {
  builder_.document_->setContent(QRCode::Content::text(std::move(text)));
  return builder_;
}

QRCodeBuilder QRCodeBuilder::Content::data(foundation::Bytes data) const {
  builder_.document_->setContent(QRCode::Content::data(std::move(data)));
  return builder_;
}

QRCodeBuilder QRCodeBuilder::Content::base64(std::span<const std::uint8_t> data) const {
  return text(foundation::base64Encode(data));
}

QRCodeBuilder QRCodeBuilder::Content::url(std::string_view url) const { return text(std::string(url)); }

QRCodeBuilder QRCodeBuilder::Content::formatted(const QRCodeDocument::FormattedContent& content) const {
  QRCodeDocument& document = *builder_.document_;
  document.setFormattedContent(content, document.errorCorrection());
  return builder_;
}

QRCodeBuilder QRCodeBuilder::Content::message(const QRCodeMessageFormatter& message) const {
  QRCodeDocument& document = *builder_.document_;
  // The content setMessage stores - the text, or the bytes of a message without text - is
  // encoded first on a copy of the document's code (its engine and level), so that a
  // message the engine refuses raises that error before anything of the document changes;
  // on the bytes path setMessage itself would only print it.
  std::optional<std::string> text = message.text();
  const QRCode::Content content =
      text ? QRCode::Content::text(std::move(*text)) : QRCode::Content::data(message.data());
  QRCode trial = document.qrcode();
  trial.update(content, document.errorCorrection());
  document.setMessage(message);
  return builder_;
}

// --- fills --------------------------------------------------------------------------------

QRCodeBuilder QRCodeBuilder::Foreground::color(const gfx::Color& color) const {
  designOf(builder_).foregroundColor(color);
  return builder_;
}
QRCodeBuilder QRCodeBuilder::Foreground::color(std::string_view hex) const { return color(hexColor(hex)); }

QRCodeBuilder QRCodeBuilder::Background::color(const gfx::Color& color) const {
  designOf(builder_).backgroundColor(color);
  return builder_;
}
QRCodeBuilder QRCodeBuilder::Background::color(std::string_view hex) const { return color(hexColor(hex)); }
QRCodeBuilder QRCodeBuilder::Background::image(gfx::Image image) const {
  return style(QRCodeFillStyleImage::make(std::move(image)));
}
QRCodeBuilder QRCodeBuilder::Background::style(QRCodeFillStyleGeneratorPtr fill) const {
  styleOf(builder_).setBackground(std::move(fill));
  return builder_;
}
QRCodeBuilder QRCodeBuilder::Background::cornerRadius(double fraction) const {
  styleOf(builder_).setBackgroundFractionalCornerRadius(fraction);
  return builder_;
}

QRCodeBuilder QRCodeBuilder::OnPixels::shape(QRCodePixelShapeGeneratorPtr shape) const {
  shapeOf(builder_).setOnPixels(std::move(shape));
  return builder_;
}
QRCodeBuilder QRCodeBuilder::OnPixels::color(const gfx::Color& color) const { return style(solid(color)); }
QRCodeBuilder QRCodeBuilder::OnPixels::color(std::string_view hex) const { return color(hexColor(hex)); }
QRCodeBuilder QRCodeBuilder::OnPixels::style(QRCodeFillStyleGeneratorPtr fill) const {
  styleOf(builder_).setOnPixels(std::move(fill));
  return builder_;
}
QRCodeBuilder QRCodeBuilder::OnPixels::backgroundColor(const gfx::Color& color) const {
  styleOf(builder_).setOnPixelsBackground(color);
  return builder_;
}
QRCodeBuilder QRCodeBuilder::OnPixels::backgroundColor(std::string_view hex) const {
  return backgroundColor(hexColor(hex));
}

QRCodeBuilder QRCodeBuilder::Eye::shape(QRCodeEyeShapeGeneratorPtr shape) const {
  shapeOf(builder_).setEye(std::move(shape));  // clears the pupil
  return builder_;
}
QRCodeBuilder QRCodeBuilder::Eye::color(const gfx::Color& color) const { return style(solid(color)); }
QRCodeBuilder QRCodeBuilder::Eye::color(std::string_view hex) const { return color(hexColor(hex)); }
QRCodeBuilder QRCodeBuilder::Eye::style(QRCodeFillStyleGeneratorPtr fill) const {
  styleOf(builder_).setEye(std::move(fill));
  return builder_;
}
QRCodeBuilder QRCodeBuilder::Eye::backgroundColor(const gfx::Color& color) const {
  styleOf(builder_).setEyeBackground(color);
  return builder_;
}
QRCodeBuilder QRCodeBuilder::Eye::backgroundColor(std::string_view hex) const {
  return backgroundColor(hexColor(hex));
}

QRCodeBuilder QRCodeBuilder::Pupil::shape(QRCodePupilShapeGeneratorPtr shape) const {
  shapeOf(builder_).setPupil(std::move(shape));
  return builder_;
}
QRCodeBuilder QRCodeBuilder::Pupil::color(const gfx::Color& color) const { return style(solid(color)); }
QRCodeBuilder QRCodeBuilder::Pupil::color(std::string_view hex) const { return color(hexColor(hex)); }
QRCodeBuilder QRCodeBuilder::Pupil::style(QRCodeFillStyleGeneratorPtr fill) const {
  styleOf(builder_).setPupil(std::move(fill));
  return builder_;
}

QRCodeBuilder QRCodeBuilder::OffPixels::shape(QRCodePixelShapeGeneratorPtr shape) const {
  shapeOf(builder_).setOffPixels(std::move(shape));
  return builder_;
}
QRCodeBuilder QRCodeBuilder::OffPixels::color(const gfx::Color& color) const { return style(solid(color)); }
QRCodeBuilder QRCodeBuilder::OffPixels::color(std::string_view hex) const { return color(hexColor(hex)); }
QRCodeBuilder QRCodeBuilder::OffPixels::style(QRCodeFillStyleGeneratorPtr fill) const {
  styleOf(builder_).setOffPixels(std::move(fill));
  return builder_;
}
QRCodeBuilder QRCodeBuilder::OffPixels::backgroundColor(const gfx::Color& color) const {
  styleOf(builder_).setOffPixelsBackground(color);
  return builder_;
}
QRCodeBuilder QRCodeBuilder::OffPixels::backgroundColor(std::string_view hex) const {
  return backgroundColor(hexColor(hex));
}

// --- outputs ------------------------------------------------------------------------------

gfx::Image QRCodeBuilder::Generate::cgImage(std::int64_t dimension) const {
  return builder_.document_->cgImageWithDimension(dimension);
}

foundation::Bytes QRCodeBuilder::Generate::imageData(std::int64_t dimension, const ImageExportType& type) const {
  return imageio::encodeImageData(cgImage(dimension), type);
}

foundation::Bytes QRCodeBuilder::Generate::pdfData(std::int64_t dimension, double pdfResolution) const {
  return builder_.document_->pdfDataWithDimension(dimension, pdfResolution);
}

foundation::Bytes QRCodeBuilder::Generate::svgData(std::int64_t dimension) const {
  return builder_.document_->svgDataWithDimension(dimension);
}

gfx::Path QRCodeBuilder::Generate::path(std::int64_t dimension) const {
  return builder_.document_->pathWithDimension(
      dimension, {QRCodeComponents::eye(), QRCodeComponents::pupil(), QRCodeComponents::onPixels()});
}

gfx::Path QRCodeBuilder::Generate::bezierPath(std::int64_t dimension) const {
  return qrcore::bezierPathFromCGPath(path(dimension));
}

std::string QRCodeBuilder::Generate::ascii() const { return builder_.document_->asciiRepresentation(); }

std::string QRCodeBuilder::Generate::smallAscii() const { return builder_.document_->smallAsciiRepresentation(); }
