#pragma once
// Declarative views of a QR code, for applications that build their interface from values:
//
//  - QRCodeDocumentUIView: a value that makes a QRCodeDocumentView for a document and
//    keeps it showing the current document (makeView once per view identity, updateView
//    whenever the value changes).
//  - QRCode::QRCodeShape: a value whose outline is the QR code itself (path(rect)), to be
//    filled or stroked like any shape. It owns its core QRCode (engine and matrix) and holds
//    a design shape (QRCodeShape, the design class) and an optional logo template.
//    Modifiers give new values and never touch the receiver. Copies share the core, the
//    design shape and the template; a modifier's value gets a core and an engine of its
//    own, so two threads may each make values from one value (or from copies of it) while
//    nobody changes the shared shape or template. path() draws with the design shape,
//    whose generators change as they draw: values that share a shape (copies, or values
//    given one shape) call path() one caller at a time; a modifier's value has its own
//    copy of the shape (apart from generators given to it) and may draw on another thread.
//    A value that was moved from is empty, and so are its copies and the values its
//    modifiers make: it holds no core of its own (qrCodeGenerator() is a core with the
//    empty matrix), draws the empty outline and never regenerates; its content is empty
//    bytes, its shape null until a modifier gives it one. Every operation works on it.
//  - QRCodeViewUI: builds a document from a text and a handful of style options and shows
//    it through a QRCodeDocumentUIView (body()). Copies, and the views body() gives, share
//    that one document, so they are used by one caller at a time.
//
// Content that cannot be encoded at the chosen level: QRCode::QRCodeShape prints
//   QRCodeShape: Error creating shape. Error was '<case name>'
// once per value made and has an empty outline; QRCodeViewUI shows a plain empty document
// and reports isValid() false.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "QRCode/core/QRCode.hpp"
#include "QRCode/core/QRCodeEngine.hpp"
#include "QRCode/core/QRCodeMessageFormatter.hpp"
#include "QRCode/design/QRCodeDesign.hpp"
#include "QRCode/design/QRCodeLogoTemplate.hpp"
#include "QRCode/design/QRCodeShadow.hpp"
#include "QRCode/design/QRCodeShape.hpp"
#include "QRCode/document/QRCodeDocument.hpp"
#include "QRCode/render/QRCodeComponents.hpp"
#include "QRCode/views/QRCodeDocumentView.hpp"
#include "imageio/ViewImage.hpp"
#include "platform/graphics/Color.hpp"
#include "platform/graphics/Geometry.hpp"
#include "platform/graphics/Path.hpp"

// --- QRCodeDocumentUIView ------------------------------------------------------------------

class QRCodeDocumentUIView {
 public:
  explicit QRCodeDocumentUIView(QRCodeDocumentPtr document) : document_(std::move(document)) {}

  const QRCodeDocumentPtr& document() const { return document_; }
  void setDocument(QRCodeDocumentPtr document) { document_ = std::move(document); }

  // A new document view made with the document (Gtk::manage it or own it).
  std::unique_ptr<QRCodeDocumentView> makeView() const;
  // Sets the view's document to the current one and marks the view as needing display.
  void updateView(QRCodeDocumentView& view) const;
  // The document as a still image, where a bitmap is shown instead of the view: the
  // document's swiftUIImage (its errors; a view of no document gives
  // QRCodeError::cannotGenerateImage).
  ViewImage image(gfx::Size size, double dpi, std::string label) const;

 private:
  QRCodeDocumentPtr document_;
};

// --- QRCode::QRCodeShape -------------------------------------------------------------------

class QRCode::QRCodeShape {
 public:
  // The content and the core made from it at the level (the engine given, or the default
  // one). Each takes, after its content: level, components, the design shape (stored, not
  // copied), an optional logo template and an optional engine.
  QRCodeShape(foundation::Bytes data, ErrorCorrection errorCorrection, QRCodeComponents components,
              ::QRCodeShapePtr shape, QRCodeLogoTemplatePtr logoTemplate = nullptr,
              std::shared_ptr<QRCodeEngine> engine = nullptr);
  QRCodeShape(std::string_view text, ErrorCorrection errorCorrection, QRCodeComponents components,
              ::QRCodeShapePtr shape, QRCodeLogoTemplatePtr logoTemplate = nullptr,
              std::shared_ptr<QRCodeEngine> engine = nullptr);
  // The content is the message's bytes.
  QRCodeShape(const QRCodeMessageFormatter& message, ErrorCorrection errorCorrection, QRCodeComponents components,
              ::QRCodeShapePtr shape, QRCodeLogoTemplatePtr logoTemplate = nullptr,
              std::shared_ptr<QRCodeEngine> engine = nullptr);

  // Copies share the core, shape and template; a move leaves the source empty (above).
  QRCodeShape(const QRCodeShape&) = default;
  QRCodeShape& operator=(const QRCodeShape&) = default;
  QRCodeShape(QRCodeShape&& other) noexcept;
  QRCodeShape& operator=(QRCodeShape&& other) noexcept;
  ~QRCodeShape() = default;

  const Content& content() const { return content_; }
  // Null only for an empty value that no modifier made.
  const ::QRCodeShapePtr& shape() const { return shape_; }
  QRCodeComponents components() const { return components_; }
  ErrorCorrection errorCorrection() const { return errorCorrection_; }
  const QRCodeLogoTemplatePtr& logoTemplate() const { return logoTemplate_; }
  // The core: engine and the matrix generated from the content (empty after a failure,
  // and for an empty value, one core with the empty matrix shared by all of them).
  const QRCode& qrCodeGenerator() const;

  // The outline for a rectangle of that size, starting at (0, 0) whatever the rectangle's
  // origin (no extra quiet zone).
  gfx::Path path(const gfx::Rect& rect) const;

  // Modifiers: a new value with a copy of the design shape (a new default shape when the
  // receiver has none) and of the logo template, a new core with an engine of the
  // receiver's kind (qrcore::engineForCopy), and the one change named; for an empty
  // receiver, an empty value with the change. Generators given are stored, not copied.
  QRCodeShape withErrorCorrection(ErrorCorrection errorCorrection) const;
  QRCodeShape withComponents(QRCodeComponents components) const;
  // The shape is a copy of the argument (null: a default shape).
  QRCodeShape withShape(const ::QRCodeShapePtr& shape) const;
  QRCodeShape withOnPixelShape(QRCodePixelShapeGeneratorPtr pixelShape) const;
  // null: no off-pixels.
  QRCodeShape withOffPixelShape(QRCodePixelShapeGeneratorPtr pixelShape) const;
  // The eye, and no pupil (so the eye's default pupil is drawn).
  QRCodeShape withEyeShape(QRCodeEyeShapeGeneratorPtr eyeShape) const;
  // null: no pupil of its own.
  QRCodeShape withPupilShape(QRCodePupilShapeGeneratorPtr pupilShape) const;
  // The template itself, not a copy.
  QRCodeShape withLogoTemplate(QRCodeLogoTemplatePtr logoTemplate) const;

 private:
  QRCodeShape(Content content, ErrorCorrection errorCorrection, QRCodeComponents components,
              ::QRCodeShapePtr shape, QRCodeLogoTemplatePtr logoTemplate, std::shared_ptr<QRCodeEngine> engine,
              bool keepEngineWhenNull);
  // The common steps of the modifiers; change edits the new value before it regenerates.
  template <class Change>
  QRCodeShape modified(Change&& change, bool copyShape = true, bool copyLogo = true) const;
  void regenerate();

  Content content_;
  ::QRCodeShapePtr shape_;
  QRCodeComponents components_;
  ErrorCorrection errorCorrection_ = ErrorCorrection::quartile;
  QRCodeLogoTemplatePtr logoTemplate_;
  // Null for an empty value.
  std::shared_ptr<QRCode> qrCodeGenerator_;
};

// --- QRCodeViewUI --------------------------------------------------------------------------

class QRCodeViewUI {
 public:
  // The options of the view; those left unset keep the document's defaults.
  struct Options {
    QRCodePixelShapeGeneratorPtr pixelShape;
    QRCodeEyeShapeGeneratorPtr eyeShape;
    QRCodePupilShapeGeneratorPtr pupilShape;
    QRCodeLogoTemplatePtr logoTemplate;
    std::optional<bool> negatedOnPixelsOnly;
    std::shared_ptr<QRCodeEngine> engine;
    std::uint64_t additionalQuietZonePixels = 0;
    QRCodeShadowPtr shadow;
    double backgroundFractionalCornerRadius = 0;
  };

  QRCodeViewUI(std::string_view text, QRCode::ErrorCorrection errorCorrection, const gfx::Color& foregroundColor,
               const gfx::Color& backgroundColor, const Options& options);
  QRCodeViewUI(std::string_view text, QRCode::ErrorCorrection errorCorrection, const gfx::Color& foregroundColor,
               const gfx::Color& backgroundColor)
      : QRCodeViewUI(text, errorCorrection, foregroundColor, backgroundColor, Options{}) {}

  const QRCodeDocumentPtr& content() const { return content_; }
  bool isValid() const { return isValid_; }

  // The view of the content.
  QRCodeDocumentUIView body() const { return QRCodeDocumentUIView(content_); }

 private:
  QRCodeDocumentPtr content_;
  bool isValid_ = false;
};
