#include "QRCode/document/QRCodeDocument.hpp"

#include <string>

#include "QRCode/core/QRCodeError.hpp"
#include "platform/foundation/Output.hpp"

QRCodeDocument::QRCodeDocument() : design_(QRCodeDesign::make()) {
  // The plain initialiser cannot report a failure: when the engine refuses the empty
  // content the matrix stays empty and the error is kept, so exports refuse to run.
  try {
    regenerate();
  } catch (const foundation::Error&) {
  }
}

QRCodeDocument::QRCodeDocument(std::shared_ptr<QRCodeEngine> engine)
    : design_(QRCodeDesign::make()), qrcode_(std::move(engine)) {}

QRCodeDocument::QRCodeDocument(std::span<const std::uint8_t> data, ErrorCorrection errorCorrection,
                               std::shared_ptr<QRCodeEngine> engine)
    : errorCorrection_(errorCorrection),
      design_(QRCodeDesign::make()),
      qrcode_(data, errorCorrection, std::move(engine)),
      content_(Content::data(foundation::Bytes(data.begin(), data.end()))) {}

QRCodeDocument::QRCodeDocument(std::string_view utf8String, ErrorCorrection errorCorrection,
                               std::shared_ptr<QRCodeEngine> engine)
    : errorCorrection_(errorCorrection),
      design_(QRCodeDesign::make()),
      qrcode_(utf8String, errorCorrection, std::move(engine)),
      content_(Content::text(std::string(utf8String))) {}

std::shared_ptr<QRCodeDocument> QRCodeDocument::withURL(std::string_view url, ErrorCorrection errorCorrection,
                                                        std::shared_ptr<QRCodeEngine> engine) {
  return std::make_shared<QRCodeDocument>(url, errorCorrection, std::move(engine));
}

QRCodeDocument::~QRCodeDocument() = default;

// --- regeneration ---------------------------------------------------------------------

void QRCodeDocument::regenerate() {
  ++generations_;
  try {
    if (const foundation::Bytes* bytes = content_.dataValue()) {
      qrcode_.updateWithData(*bytes, errorCorrection_);
    } else {
      qrcode_.updateWithText(*content_.textValue(), errorCorrection_);
    }
  } catch (const foundation::Error& e) {
    regenerationError_ = e;
    throw;
  }
  regenerationError_.reset();
}

void QRCodeDocument::regenerateAndReport() {
  try {
    regenerate();
  } catch (const foundation::Error& e) {
    foundation::printLine("QRCode.Document: Could not regenerate. Error was '" + e.caseName() + "'");
  }
}

// --- properties -----------------------------------------------------------------------

void QRCodeDocument::requireKnownLevel(ErrorCorrection errorCorrection) {
  if (!QRCode::errorCorrectionFromRawValue(QRCode::rawValue(errorCorrection)))
    foundation::raise(QRCodeError::cannotGenerateQRCode, "an error-correction level other than L, M, Q or H");
}

void QRCodeDocument::setErrorCorrection(ErrorCorrection errorCorrection) {
  requireKnownLevel(errorCorrection);
  errorCorrection_ = errorCorrection;
  regenerateAndReport();
}

void QRCodeDocument::setData(std::optional<foundation::Bytes> data) {
  content_ = Content::data(data ? std::move(*data) : foundation::Bytes{});
  regenerateAndReport();
}

void QRCodeDocument::setUtf8String(std::optional<std::string> text) {
  content_ = Content::text(text ? std::move(*text) : std::string{});
  regenerateAndReport();
}

std::string QRCodeDocument::decodedText() const {
  if (const std::string* text = content_.textValue()) return *text;
  return foundation::base64Encode(*content_.dataValue());
}

void QRCodeDocument::setDesign(QRCodeDesignPtr design) {
  design_ = design ? std::move(design) : QRCodeDesign::make();
  regenerateAndReport();
}

void QRCodeDocument::setLogoTemplate(QRCodeLogoTemplatePtr logoTemplate) {
  logoTemplate_ = std::move(logoTemplate);
  regenerateAndReport();
}

void QRCodeDocument::setEngine(std::shared_ptr<QRCodeEngine> engine) {
  qrcode_.setEngine(std::move(engine));
  regenerateAndReport();
}

void QRCodeDocument::setContent(Content content) {
  content_ = std::move(content);
  regenerateAndReport();
}

// --- content and regeneration operations ----------------------------------------------

void QRCodeDocument::setText(std::string_view text) {
  content_ = Content::text(std::string(text));
  regenerate();
}

void QRCodeDocument::setURL(std::string_view url) { setText(url); }

void QRCodeDocument::updateWithData(std::span<const std::uint8_t> data, ErrorCorrection errorCorrection) {
  setContent(Content::data(foundation::Bytes(data.begin(), data.end())));
  // The content's own regeneration decided whether the matrix matches it; a failure at the
  // asked level leaves that matrix, and that answer, as they are.
  ++generations_;
  qrcode_.updateWithData(data, errorCorrection);
  regenerationError_.reset();
}

void QRCodeDocument::updateWithText(std::string_view text, ErrorCorrection errorCorrection) {
  // A failure changes neither the matrix nor whether it matches the content: exports go on
  // as before.
  ++generations_;
  qrcode_.updateWithText(text, errorCorrection);
  regenerationError_.reset();
}

std::shared_ptr<QRCodeDocument> QRCodeDocument::copyDocument() const {
  // The design copy comes first so that its failure leaves nothing half made.
  QRCodeDesignPtr design = design_->copyDesign();
  auto copy = std::make_shared<QRCodeDocument>();  // the default engine, not this one
  copy->content_ = content_;
  copy->design_ = std::move(design);
  copy->logoTemplate_ = logoTemplate_ ? logoTemplate_->copyLogoTemplate() : nullptr;
  copy->errorCorrection_ = errorCorrection_;
  copy->regenerateAndReport();
  return copy;
}

// --- content coding -------------------------------------------------------------------

foundation::Settings qrdocument::encodeContent(const QRCode::Content& content) {
  foundation::Settings coded = foundation::Settings::object();
  if (const std::string* text = content.textValue()) {
    coded["text"] = *text;
  } else {
    coded["data"] = foundation::base64Encode(*content.dataValue());
  }
  return coded;
}

QRCode::Content qrdocument::decodeContent(const foundation::Settings& coded) {
  if (const foundation::Settings* data = foundation::find(coded, "data")) {
    const auto text = foundation::StringValue(*data);
    if (!text) foundation::raise(QRCodeError::invalidContent, "\"data\" is not base64 text");
    auto bytes = foundation::base64Decode(*text);
    if (!bytes) foundation::raise(QRCodeError::invalidContent, "\"data\" is not base64 text");
    return QRCode::Content::data(std::move(*bytes));
  }
  if (const foundation::Settings* textValue = foundation::find(coded, "text")) {
    auto text = foundation::StringValue(*textValue);
    if (!text) foundation::raise(QRCodeError::invalidContent, "\"text\" is not text");
    return QRCode::Content::text(std::move(*text));
  }
  foundation::raise(QRCodeError::invalidContent, "neither \"data\" nor \"text\" is present");
}
