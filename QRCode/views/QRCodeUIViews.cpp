#include "QRCode/views/QRCodeUIViews.hpp"

#include <exception>
#include <utility>

#include "QRCode/core/QRCodeError.hpp"
#include "QRCode/render/QRCodeComponentPaths.hpp"
#include "platform/foundation/Error.hpp"
#include "platform/foundation/Output.hpp"

// --- QRCodeDocumentUIView ------------------------------------------------------------------

std::unique_ptr<QRCodeDocumentView> QRCodeDocumentUIView::makeView() const {
  return std::make_unique<QRCodeDocumentView>(document_);
}

void QRCodeDocumentUIView::updateView(QRCodeDocumentView& view) const {
  view.setDocument(document_);
  view.setNeedsDisplay(true);
}

ViewImage QRCodeDocumentUIView::image(gfx::Size size, double dpi, std::string label) const {
  if (!document_) foundation::raise(QRCodeError::cannotGenerateImage, "no document");
  return document_->swiftUIImage(size, dpi, std::move(label));
}

// --- QRCode::QRCodeShape -------------------------------------------------------------------

namespace {

void printShapeError(const std::exception& error) {
  const auto* ours = dynamic_cast<const foundation::Error*>(&error);
  foundation::printLine(std::string("QRCodeShape: Error creating shape. Error was '") +
                        (ours ? ours->caseName() : std::string(error.what())) + "'");
}

}  // namespace

QRCode::QRCodeShape::QRCodeShape(Content content, ErrorCorrection errorCorrection, QRCodeComponents components,
                                 ::QRCodeShapePtr shape, QRCodeLogoTemplatePtr logoTemplate,
                                 std::shared_ptr<QRCodeEngine> engine, bool)
    : content_(std::move(content)),
      shape_(shape ? std::move(shape) : ::QRCodeShape::create()),
      components_(components),
      errorCorrection_(errorCorrection),
      logoTemplate_(std::move(logoTemplate)),
      qrCodeGenerator_(std::make_shared<QRCode>()) {
  if (engine) qrCodeGenerator_->setEngine(std::move(engine));
  regenerate();
}

QRCode::QRCodeShape::QRCodeShape(foundation::Bytes data, ErrorCorrection errorCorrection,
                                 QRCodeComponents components, ::QRCodeShapePtr shape,
                                 QRCodeLogoTemplatePtr logoTemplate, std::shared_ptr<QRCodeEngine> engine)
    : QRCodeShape(Content::data(std::move(data)), errorCorrection, components, std::move(shape),
                  std::move(logoTemplate), std::move(engine), true) {}

QRCode::QRCodeShape::QRCodeShape(std::string_view text, ErrorCorrection errorCorrection,
                                 QRCodeComponents components, ::QRCodeShapePtr shape,
                                 QRCodeLogoTemplatePtr logoTemplate, std::shared_ptr<QRCodeEngine> engine)
    : QRCodeShape(Content::text(std::string(text)), errorCorrection, components, std::move(shape),
                  std::move(logoTemplate), std::move(engine), true) {}

QRCode::QRCodeShape::QRCodeShape(const QRCodeMessageFormatter& message, ErrorCorrection errorCorrection,
                                 QRCodeComponents components, ::QRCodeShapePtr shape,
                                 QRCodeLogoTemplatePtr logoTemplate, std::shared_ptr<QRCodeEngine> engine)
    : QRCodeShape(Content::data(message.data()), errorCorrection, components, std::move(shape),
                  std::move(logoTemplate), std::move(engine), true) {}

QRCode::QRCodeShape::QRCodeShape(QRCodeShape&& other) noexcept
    : content_(std::exchange(other.content_, Content())),
      shape_(std::move(other.shape_)),
      components_(other.components_),
      errorCorrection_(other.errorCorrection_),
      logoTemplate_(std::move(other.logoTemplate_)),
      qrCodeGenerator_(std::move(other.qrCodeGenerator_)) {}

QRCode::QRCodeShape& QRCode::QRCodeShape::operator=(QRCodeShape&& other) noexcept {
  if (this != &other) {
    content_ = std::exchange(other.content_, Content());
    shape_ = std::move(other.shape_);
    components_ = other.components_;
    errorCorrection_ = other.errorCorrection_;
    logoTemplate_ = std::move(other.logoTemplate_);
    qrCodeGenerator_ = std::move(other.qrCodeGenerator_);
  }
  return *this;
}

const QRCode& QRCode::QRCodeShape::qrCodeGenerator() const {
  // Read-only and never regenerated, so every empty value may share it.
  static const QRCode empty;
  return qrCodeGenerator_ ? *qrCodeGenerator_ : empty;
}

void QRCode::QRCodeShape::regenerate() {
  try {
    qrCodeGenerator_->update(content_, errorCorrection_);
  } catch (const std::exception& error) {
    // The core keeps its empty matrix: the outline is empty.
    printShapeError(error);
  }
}

gfx::Path QRCode::QRCodeShape::path(const gfx::Rect& rect) const {
  // A core left with the empty matrix (its content could not be encoded) has no outline,
  // and neither has an empty value, which holds no core.
  if (!qrCodeGenerator_ || !shape_ || qrCodeGenerator_->cellDimension() == 0) return gfx::Path();
  return qrrender::path(*qrCodeGenerator_, gfx::Size{rect.width(), rect.height()}, components_, *shape_,
                        logoTemplate_.get(), 0.0);
}

template <class Change>
QRCode::QRCodeShape QRCode::QRCodeShape::modified(Change&& change, bool copyShape, bool copyLogo) const {
  QRCodeShape result(*this);
  if (copyShape) result.shape_ = shape_ ? shape_->copyShape() : ::QRCodeShape::create();
  if (copyLogo && logoTemplate_) {
    try {
      result.logoTemplate_ = logoTemplate_->copyLogoTemplate();
    } catch (const std::exception&) {
      // A template that cannot be copied is shared instead: a modifier never fails.
      result.logoTemplate_ = logoTemplate_;
    }
  }
  std::forward<Change>(change)(result);
  if (!qrCodeGenerator_) return result;  // an empty value stays empty
  result.qrCodeGenerator_ = std::make_shared<QRCode>();
  result.qrCodeGenerator_->setEngine(qrcore::engineForCopy(qrCodeGenerator_->engine()));
  result.regenerate();
  return result;
}

QRCode::QRCodeShape QRCode::QRCodeShape::withErrorCorrection(ErrorCorrection errorCorrection) const {
  return modified([errorCorrection](QRCodeShape& s) { s.errorCorrection_ = errorCorrection; });
}

QRCode::QRCodeShape QRCode::QRCodeShape::withComponents(QRCodeComponents components) const {
  return modified([components](QRCodeShape& s) { s.components_ = components; });
}

QRCode::QRCodeShape QRCode::QRCodeShape::withShape(const ::QRCodeShapePtr& shape) const {
  return modified([&shape](QRCodeShape& s) { s.shape_ = shape ? shape->copyShape() : ::QRCodeShape::create(); },
                  false);
}

QRCode::QRCodeShape QRCode::QRCodeShape::withOnPixelShape(QRCodePixelShapeGeneratorPtr pixelShape) const {
  return modified([&pixelShape](QRCodeShape& s) {
    if (pixelShape) s.shape_->setOnPixels(std::move(pixelShape));
  });
}

QRCode::QRCodeShape QRCode::QRCodeShape::withOffPixelShape(QRCodePixelShapeGeneratorPtr pixelShape) const {
  return modified([&pixelShape](QRCodeShape& s) { s.shape_->setOffPixels(std::move(pixelShape)); });
}

QRCode::QRCodeShape QRCode::QRCodeShape::withEyeShape(QRCodeEyeShapeGeneratorPtr eyeShape) const {
  return modified([&eyeShape](QRCodeShape& s) {
    if (eyeShape) s.shape_->setEye(std::move(eyeShape));
    s.shape_->setPupil(nullptr);
  });
}

QRCode::QRCodeShape QRCode::QRCodeShape::withPupilShape(QRCodePupilShapeGeneratorPtr pupilShape) const {
  return modified([&pupilShape](QRCodeShape& s) { s.shape_->setPupil(std::move(pupilShape)); });
}

QRCode::QRCodeShape QRCode::QRCodeShape::withLogoTemplate(QRCodeLogoTemplatePtr logoTemplate) const {
  return modified([&logoTemplate](QRCodeShape& s) { s.logoTemplate_ = std::move(logoTemplate); }, true, false);
}

// --- QRCodeViewUI --------------------------------------------------------------------------

QRCodeViewUI::QRCodeViewUI(std::string_view text, QRCode::ErrorCorrection errorCorrection,
                           const gfx::Color& foregroundColor, const gfx::Color& backgroundColor,
                           const Options& options) {
  try {
    content_ = std::make_shared<QRCodeDocument>(text, errorCorrection, options.engine);
  } catch (const std::exception&) {
    content_ = std::make_shared<QRCodeDocument>();
    isValid_ = false;
    return;
  }
  QRCodeDesign& design = *content_->design();
  design.foregroundColor(foregroundColor);
  design.backgroundColor(backgroundColor);
  design.setAdditionalQuietZonePixels(options.additionalQuietZonePixels);
  design.style()->setBackgroundFractionalCornerRadius(options.backgroundFractionalCornerRadius);
  const ::QRCodeShapePtr& shape = design.shape();
  if (options.pixelShape) shape->setOnPixels(options.pixelShape);
  if (options.eyeShape) {
    shape->setEye(options.eyeShape);
    shape->setPupil(nullptr);
  }
  if (options.pupilShape) shape->setPupil(options.pupilShape);
  if (options.logoTemplate) content_->setLogoTemplate(options.logoTemplate);
  if (options.negatedOnPixelsOnly) shape->setNegatedOnPixelsOnly(*options.negatedOnPixelsOnly);
  design.style()->setShadow(options.shadow);
  isValid_ = true;
}
