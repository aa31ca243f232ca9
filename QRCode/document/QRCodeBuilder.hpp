#pragma once
// A fluent front end that makes a styled QR code in one chained expression:
//
//   #include "QRCode/QRCodePixelShape.hpp"
//   #include "QRCode/document/QRCodeBuilder.hpp"
//
//   const foundation::Bytes png = QRCodeBuilder::build()
//                                     .content().text("https://example.com")
//                                     .errorCorrection(QRCode::ErrorCorrection::high)
//                                     .onPixels().shape(QRCodePixelShapeCircle::Create())
//                                     .foreground().color("#1040a0")
//                                     .generate().imageData(300, ImageExportType::png(1.0));
//
// A QRCodeBuilder is a reference to one builder, which is reference-counted: copies of it,
// its steps and everything an operation hands back share that builder and keep it (and its
// document) alive, so a step or a handed-back builder may be kept beyond the expression
// that made it:
//
//   const QRCodeBuilder::Content content = QRCodeBuilder::build().content();
//   content.text("kept");  // the builder lives as long as the step
//
// Copying one is cheap and never makes a second builder (a moved-from one stays usable:
// moves copy). The operations are const because they change the shared builder, not the
// reference. So a builder, its copies and its steps are used by one caller at a time.
// Builders made by separate build() calls share nothing of their own and may be used on
// two threads, apart from what is handed to them: a generator, fill, shadow, engine or
// logo template given to a step is stored, not copied, so builders given one such object
// are used by one caller at a time (or are each given their own, copyShape for instance).
// copyShape copies a generator's settings, not what its class shares among all its
// objects: an eye's default pupil (drawn while no pupil is set) may be one object for the
// whole process - the edges eye's is - so changing that pupil through one builder
// (shape()->actualPupilShape()) changes the drawing of every builder whose eye proposes
// it, copies included. To change it for one builder alone, give that builder a pupil of
// its own (pupil().shape(...)).
//
// The builder owns one document (document()); every setting operation is a thin assignment
// to that document or its design and hands the builder back, from which every step stays
// reachable. A failing operation (a hex colour that does not parse, a formatted content the
// formatter refuses, a message the engine refuses) raises its error and changes nothing.
// Content and level changes report no error, formatted content included: content that the
// engine refuses is stored all the same, and the document prints the failure and keeps it
// (regenerationError(); exports raise it until a later regeneration succeeds).

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

  // The steps (defined below): small values that share the builder; their setting
  // operations hand the builder back.
  class Step;
  class Content;
  class Foreground;
  class Background;
  class OnPixels;
  class Eye;
  class Pupil;
  class OffPixels;
  class Generate;

  // A new builder of a new default document.
  QRCodeBuilder();
  // QRCode.build: the same.
  static QRCodeBuilder build() { return QRCodeBuilder(); }

  // Another reference to the same builder. There are no move operations, so that a
  // builder never refers to nothing.
  QRCodeBuilder(const QRCodeBuilder&) = default;
  QRCodeBuilder& operator=(const QRCodeBuilder&) = default;

  // The builder's document, made with the builder; never null. Handed out as a new
  // reference, so that it outlives a builder that was a temporary.
  std::shared_ptr<QRCodeDocument> document() const { return document_; }

  Content content() const;
  Foreground foreground() const;
  Background background() const;
  OnPixels onPixels() const;
  Eye eye() const;
  Pupil pupil() const;
  OffPixels offPixels() const;
  Generate generate() const;

  // --- builder-wide operations ---------------------------------------------------------
  // The document's engine (null: a new default engine); regenerates.
  QRCodeBuilder engine(std::shared_ptr<QRCodeEngine> engine) const;
  // The document's level; regenerates. A value other than the four levels raises
  // QRCodeError::cannotGenerateQRCode and changes nothing.
  QRCodeBuilder errorCorrection(QRCode::ErrorCorrection errorCorrection) const;
  QRCodeBuilder quietZonePixelCount(std::uint64_t count) const;
  QRCodeBuilder negatedOnPixelsOnly(bool negated) const;
  QRCodeBuilder shadow(QRCodeShadowPtr shadow) const;
  QRCodeBuilder shadow(QRCodeShadow::ShadowType type, double dx, double dy, double blur,
                       const gfx::Color& color) const;
  QRCodeBuilder shadow(QRCodeShadow::ShadowType type, gfx::Size offset, double blur, const gfx::Color& color) const;
  QRCodeBuilder logo(QRCodeLogoTemplatePtr logoTemplate) const;
  // An image-mask logo over the whole symbol: modules are removed where the mask image (or
  // the image itself) is opaque.
  QRCodeBuilder logo(gfx::Image image, std::optional<gfx::Image> maskImage) const;
  QRCodeBuilder logo(gfx::Image image, LogoPosition position) const;
  // A rectangular logo region in relative coordinates (the symbol is the unit square,
  // y growing downwards).
  QRCodeBuilder logo(gfx::Image image, const gfx::Rect& rect, double inset) const;

 private:
  std::shared_ptr<QRCodeDocument> document_;
};

// --- steps -------------------------------------------------------------------------------

// What every step holds: a share of the builder, handed back by builder().
class QRCodeBuilder::Step {
 public:
  explicit Step(const QRCodeBuilder& builder) : builder_(builder) {}
  QRCodeBuilder builder() const { return builder_; }

 protected:
  QRCodeBuilder builder_;
};

class QRCodeBuilder::Content : public Step {
 public:
  using Step::Step;
  QRCodeBuilder text(std::string text) const;
  QRCodeBuilder data(foundation::Bytes data) const;
  // Text content: the bytes' standard base64 (no line breaks).
  QRCodeBuilder base64(std::span<const std::uint8_t> data) const;
  // Text content: the URL's text.
  QRCodeBuilder url(std::string_view url) const;
  // The document's setFormattedContent at its current level; raises the formatter's error
  // (nothing changes then). Content the engine refuses is stored, as by text().
  QRCodeBuilder formatted(const QRCodeDocument::FormattedContent& content) const;
  // What the document's setMessage does - the message's text, or its bytes when it has no
  // text, becomes the content, encoded at the document's level (quartile unless set
  // otherwise) - so that every later setter keeps it; but a message the engine refuses
  // raises the engine's error (whichever path setMessage takes) and changes nothing.
  QRCodeBuilder message(const QRCodeMessageFormatter& message) const;
};

class QRCodeBuilder::Foreground : public Step {
 public:
  using Step::Step;
  // The on-module fill becomes a solid fill; eye and pupil fills are cleared.
  QRCodeBuilder color(const gfx::Color& color) const;
  // A hex colour ("rgb", "rgba", "rrggbb", "rrggbbaa", "#" optional) in sRGB; raises
  // QRCodeError::invalidHexColorString.
  QRCodeBuilder color(std::string_view hexColor) const;
};

class QRCodeBuilder::Background : public Step {
 public:
  using Step::Step;
  QRCodeBuilder color(const gfx::Color& color) const;
  QRCodeBuilder color(std::string_view hexColor) const;
  // An image fill of the image.
  QRCodeBuilder image(gfx::Image image) const;
  QRCodeBuilder style(QRCodeFillStyleGeneratorPtr fill) const;
  QRCodeBuilder cornerRadius(double fraction) const;
};

class QRCodeBuilder::OnPixels : public Step {
 public:
  using Step::Step;
  QRCodeBuilder shape(QRCodePixelShapeGeneratorPtr shape) const;
  // A solid fill of the colour; the eye and pupil fills are left as they are.
  QRCodeBuilder color(const gfx::Color& color) const;
  QRCodeBuilder color(std::string_view hexColor) const;
  QRCodeBuilder style(QRCodeFillStyleGeneratorPtr fill) const;
  QRCodeBuilder backgroundColor(const gfx::Color& color) const;
  QRCodeBuilder backgroundColor(std::string_view hexColor) const;
};

class QRCodeBuilder::Eye : public Step {
 public:
  using Step::Step;
  // The eye shape; the pupil shape becomes none (the eye's own pupil is drawn).
  QRCodeBuilder shape(QRCodeEyeShapeGeneratorPtr shape) const;
  QRCodeBuilder color(const gfx::Color& color) const;
  QRCodeBuilder color(std::string_view hexColor) const;
  QRCodeBuilder style(QRCodeFillStyleGeneratorPtr fill) const;
  QRCodeBuilder backgroundColor(const gfx::Color& color) const;
  QRCodeBuilder backgroundColor(std::string_view hexColor) const;
};

class QRCodeBuilder::Pupil : public Step {
 public:
  using Step::Step;
  QRCodeBuilder shape(QRCodePupilShapeGeneratorPtr shape) const;
  QRCodeBuilder color(const gfx::Color& color) const;
  QRCodeBuilder color(std::string_view hexColor) const;
  QRCodeBuilder style(QRCodeFillStyleGeneratorPtr fill) const;
};

class QRCodeBuilder::OffPixels : public Step {
 public:
  using Step::Step;
  QRCodeBuilder shape(QRCodePixelShapeGeneratorPtr shape) const;
  QRCodeBuilder color(const gfx::Color& color) const;
  QRCodeBuilder color(std::string_view hexColor) const;
  QRCodeBuilder style(QRCodeFillStyleGeneratorPtr fill) const;
  QRCodeBuilder backgroundColor(const gfx::Color& color) const;
  QRCodeBuilder backgroundColor(std::string_view hexColor) const;
};

// The outputs; each forwards to the document's export and raises its error.
class QRCodeBuilder::Generate : public Step {
 public:
  using Step::Step;
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
};

inline QRCodeBuilder::Content QRCodeBuilder::content() const { return Content(*this); }
inline QRCodeBuilder::Foreground QRCodeBuilder::foreground() const { return Foreground(*this); }
inline QRCodeBuilder::Background QRCodeBuilder::background() const { return Background(*this); }
inline QRCodeBuilder::OnPixels QRCodeBuilder::onPixels() const { return OnPixels(*this); }
inline QRCodeBuilder::Eye QRCodeBuilder::eye() const { return Eye(*this); }
inline QRCodeBuilder::Pupil QRCodeBuilder::pupil() const { return Pupil(*this); }
inline QRCodeBuilder::OffPixels QRCodeBuilder::offPixels() const { return OffPixels(*this); }
inline QRCodeBuilder::Generate QRCodeBuilder::generate() const { return Generate(*this); }

template <>
struct foundation::ErrorTraits<QRCodeBuilder::BuilderError> {
  static constexpr std::string_view domain = "QRCodeBuilderError";
  static constexpr std::array<std::string_view, 2> cases{"cannotCreate", "unableToEncodeText"};
};
