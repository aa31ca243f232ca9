#pragma once
// A fluent front end that makes a styled QR code in one chained expression:
//
//   auto png = QRCodeBuilder::build()
//                  ->content().text("https://example.com")
//                  .errorCorrection(QRCode::ErrorCorrection::high)
//                  .onPixels().shape(std::make_shared<QRCodePixelShapeCircle>())
//                  .foreground().color("#1040a0")
//                  .generate().imageData(300, ImageExportType::png(1.0));
//
// The builder owns one document (document()); every setting operation is a thin assignment
// to that document or its design and hands the builder back, from which every step stays
// reachable. A failing operation (a hex colour that does not parse, a formatted content or
// message the formatter or engine refuses) raises its error and changes nothing. Content and
// level changes report no error: a matrix that cannot be regenerated is printed by the
// document.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "QRCode/core/QRCode.hpp"
#include "QRCode/core/QRCodeEngine.hpp"
#include "QRCode/core/QRCodeMessageFormatter.hpp"
#include "QRCode/design/QRCodeFillStyleGenerator.hpp"
#include "QRCode/design/QRCodeLogoTemplate.hpp"
#include "QRCode/design/QRCodeShadow.hpp"
#include "QRCode/document/QRCodeDocument.hpp"
#include "QRCode/eye/QRCodeEyeShapeGenerator.hpp"
#include "QRCode/eye/QRCodePupilShapeGenerator.hpp"
#include "QRCode/pixel/QRCodePixelShapeGenerator.hpp"
#include "imageio/ImageExport.hpp"
#include "platform/foundation/Error.hpp"
#include "platform/foundation/Text.hpp"
#include "platform/graphics/Color.hpp"
#include "platform/graphics/Geometry.hpp"
#include "platform/graphics/Image.hpp"
#include "platform/graphics/Path.hpp"

class QRCodeBuilder {
 public:
  // Errors of the builder; no operation reports them at present.
  enum class BuilderError { cannotCreate, unableToEncodeText };

  // Where a logo goes: a circle or a square of side 0.25 in the centre or near the
  // bottom-right corner, with the inset of the image inside it.
  struct LogoPosition {
    enum class Kind { circleCenter, circleBottomRight, squareCenter, squareBottomRight };
    Kind kind;
    double inset;
    static LogoPosition circleCenter(double inset) { return {Kind::circleCenter, inset}; }
    static LogoPosition circleBottomRight(double inset) { return {Kind::circleBottomRight, inset}; }
    static LogoPosition squareCenter(double inset) { return {Kind::squareCenter, inset}; }
    static LogoPosition squareBottomRight(double inset) { return {Kind::squareBottomRight, inset}; }
    friend bool operator==(const LogoPosition&, const LogoPosition&) = default;
  };

  // --- steps ---------------------------------------------------------------------------
  // Each step is a small value holding the builder; its operations hand the builder back.

  class Content {
   public:
    explicit Content(QRCodeBuilder& builder) : builder_(&builder) {}
    QRCodeBuilder& builder() const { return *builder_; }
    QRCodeBuilder& text(std::string text) const;
    QRCodeBuilder& data(foundation::Bytes data) const;
    // Text content: the bytes' standard base64 (no line breaks).
    QRCodeBuilder& base64(std::span<const std::uint8_t> data) const;
    // Text content: the URL's text.
    QRCodeBuilder& url(std::string_view url) const;
    // The document's setFormattedContent at its current level; raises the formatter's error.
    QRCodeBuilder& formatted(const QRCodeDocument::FormattedContent& content) const;
    // The message becomes the document's content (setMessage), so that every later setter
    // keeps it; it is encoded at the document's level (quartile unless set otherwise). Raises
    // the engine's error and then changes nothing.
    QRCodeBuilder& message(const QRCodeMessageFormatter& message) const;

   private:
    QRCodeBuilder* builder_;
  };

  class Foreground {
   public:
    explicit Foreground(QRCodeBuilder& builder) : builder_(&builder) {}
    QRCodeBuilder& builder() const { return *builder_; }
    // The on-module fill becomes a solid fill; eye and pupil fills are cleared.
    QRCodeBuilder& color(const gfx::Color& color) const;
    // A hex colour ("rgb", "rgba", "rrggbb", "rrggbbaa", "#" optional) in sRGB; raises
    // QRCodeError::invalidHexColorString.
    QRCodeBuilder& color(std::string_view hexColor) const;

   private:
    QRCodeBuilder* builder_;
  };

  class Background {
   public:
    explicit Background(QRCodeBuilder& builder) : builder_(&builder) {}
    QRCodeBuilder& builder() const { return *builder_; }
    QRCodeBuilder& color(const gfx::Color& color) const;
    QRCodeBuilder& color(std::string_view hexColor) const;
    // An image fill of the image.
    QRCodeBuilder& image(gfx::Image image) const;
    QRCodeBuilder& style(QRCodeFillStyleGeneratorPtr fill) const;
    QRCodeBuilder& cornerRadius(double fraction) const;

   private:
    QRCodeBuilder* builder_;
  };

  class OnPixels {
   public:
    explicit OnPixels(QRCodeBuilder& builder) : builder_(&builder) {}
    QRCodeBuilder& builder() const { return *builder_; }
    QRCodeBuilder& shape(QRCodePixelShapeGeneratorPtr shape) const;
    // A solid fill of the colour; the eye and pupil fills are left as they are.
    QRCodeBuilder& color(const gfx::Color& color) const;
    QRCodeBuilder& color(std::string_view hexColor) const;
    QRCodeBuilder& style(QRCodeFillStyleGeneratorPtr fill) const;
    QRCodeBuilder& backgroundColor(const gfx::Color& color) const;
    QRCodeBuilder& backgroundColor(std::string_view hexColor) const;

   private:
    QRCodeBuilder* builder_;
  };

  class Eye {
   public:
    explicit Eye(QRCodeBuilder& builder) : builder_(&builder) {}
    QRCodeBuilder& builder() const { return *builder_; }
    // The eye shape; the pupil shape becomes none (the eye's own pupil is drawn).
    QRCodeBuilder& shape(QRCodeEyeShapeGeneratorPtr shape) const;
    QRCodeBuilder& color(const gfx::Color& color) const;
    QRCodeBuilder& color(std::string_view hexColor) const;
    QRCodeBuilder& style(QRCodeFillStyleGeneratorPtr fill) const;
    QRCodeBuilder& backgroundColor(const gfx::Color& color) const;
    QRCodeBuilder& backgroundColor(std::string_view hexColor) const;

   private:
    QRCodeBuilder* builder_;
  };

  class Pupil {
   public:
    explicit Pupil(QRCodeBuilder& builder) : builder_(&builder) {}
    QRCodeBuilder& builder() const { return *builder_; }
    QRCodeBuilder& shape(QRCodePupilShapeGeneratorPtr shape) const;
    QRCodeBuilder& color(const gfx::Color& color) const;
    QRCodeBuilder& color(std::string_view hexColor) const;
    QRCodeBuilder& style(QRCodeFillStyleGeneratorPtr fill) const;

   private:
    QRCodeBuilder* builder_;
  };

  class OffPixels {
   public:
    explicit OffPixels(QRCodeBuilder& builder) : builder_(&builder) {}
    QRCodeBuilder& builder() const { return *builder_; }
    QRCodeBuilder& shape(QRCodePixelShapeGeneratorPtr shape) const;
    QRCodeBuilder& color(const gfx::Color& color) const;
    QRCodeBuilder& color(std::string_view hexColor) const;
    QRCodeBuilder& style(QRCodeFillStyleGeneratorPtr fill) const;
    QRCodeBuilder& backgroundColor(const gfx::Color& color) const;
    QRCodeBuilder& backgroundColor(std::string_view hexColor) const;

   private:
    QRCodeBuilder* builder_;
  };

  // The outputs; each forwards to the document's export and raises its error.
  class Generate {
   public:
    explicit Generate(QRCodeBuilder& builder) : builder_(&builder) {}
    QRCodeBuilder& builder() const { return *builder_; }
    gfx::Image cgImage(std::int64_t dimension) const;
    // The bitmap encoded in the format (encodeImageData).
    foundation::Bytes imageData(std::int64_t dimension, const ImageExportType& type) const;
    foundation::Bytes pdfData(std::int64_t dimension, double pdfResolution = 72.0) const;
    foundation::Bytes svgData(std::int64_t dimension) const;
    // The eye, pupil and on-module components.
    gfx::Path path(std::int64_t dimension) const;
    // The same with every quadratic curve raised to a cubic.
    gfx::Path bezierPath(std::int64_t dimension) const;
    // The text renderings of the current matrix; never fail.
    std::string ascii() const;
    std::string smallAscii() const;

   private:
    QRCodeBuilder* builder_;
  };

  // --- the builder -----------------------------------------------------------------------
  // A builder of a new default document.
  QRCodeBuilder();
  // QRCode.build.
  static std::shared_ptr<QRCodeBuilder> build() { return std::make_shared<QRCodeBuilder>(); }

  QRCodeBuilder(const QRCodeBuilder&) = delete;
  QRCodeBuilder& operator=(const QRCodeBuilder&) = delete;

  const std::shared_ptr<QRCodeDocument>& document() const { return document_; }

  Content content() { return Content(*this); }
  Foreground foreground() { return Foreground(*this); }
  Background background() { return Background(*this); }
  OnPixels onPixels() { return OnPixels(*this); }
  Eye eye() { return Eye(*this); }
  Pupil pupil() { return Pupil(*this); }
  OffPixels offPixels() { return OffPixels(*this); }
  Generate generate() { return Generate(*this); }

  // --- builder-wide operations ---------------------------------------------------------
  // The document's engine (null: a new default engine); regenerates.
  QRCodeBuilder& engine(std::shared_ptr<QRCodeEngine> engine);
  QRCodeBuilder& errorCorrection(QRCode::ErrorCorrection errorCorrection);
  QRCodeBuilder& quietZonePixelCount(std::uint64_t count);
  QRCodeBuilder& negatedOnPixelsOnly(bool negated);
  QRCodeBuilder& shadow(QRCodeShadowPtr shadow);
  QRCodeBuilder& shadow(QRCodeShadow::ShadowType type, double dx, double dy, double blur, const gfx::Color& color);
  QRCodeBuilder& shadow(QRCodeShadow::ShadowType type, gfx::Size offset, double blur, const gfx::Color& color);
  QRCodeBuilder& logo(QRCodeLogoTemplatePtr logoTemplate);
  // An image-mask logo over the whole symbol: modules are removed where the mask image (or
  // the image itself) is opaque.
  QRCodeBuilder& logo(gfx::Image image, std::optional<gfx::Image> maskImage);
  QRCodeBuilder& logo(gfx::Image image, LogoPosition position);
  // A rectangular logo region in relative coordinates (the symbol is the unit square,
  // y growing downwards).
  QRCodeBuilder& logo(gfx::Image image, const gfx::Rect& rect, double inset);

 private:
  std::shared_ptr<QRCodeDocument> document_;
};

template <>
struct foundation::ErrorTraits<QRCodeBuilder::BuilderError> {
  static constexpr std::string_view domain = "QRCodeBuilderError";
  static constexpr std::array<std::string_view, 2> cases{"cannotCreate", "unableToEncodeText"};
};
