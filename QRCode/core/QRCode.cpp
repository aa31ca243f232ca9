#include "QRCode/core/QRCode.hpp"

#include "QRCode/core/QRCodeEngineCoreImage.hpp"
#include "QRCode/core/QRCodeEngineExternal.hpp"

namespace {

int levelValue(QRCode::ErrorCorrection level) { return QRCode::rawValue(level); }

}  // namespace

std::shared_ptr<QRCodeEngine> QRCode::QRCodeDefaultEngine() {
  return std::make_shared<QRCodeEngineCoreImage>();
}

std::vector<std::shared_ptr<QRCodeEngine>> QRCode::QRCodeAvailableEngines() {
  std::vector<std::shared_ptr<QRCodeEngine>> engines;
  engines.reserve(2);
  engines.push_back(std::make_shared<QRCodeEngineCoreImage>());
  engines.push_back(std::make_shared<QRCodeEngineExternal>());
  return engines;
}

QRCode::QRCode()
    : engine_(QRCodeDefaultEngine()), current_(std::make_shared<const QRCodeBoolMatrix>()) {}

QRCode::QRCode(const QRCode& other)
    : engine_(qrcore::engineForCopy(other.engine_)),
      current_(other.current_),
      currentErrorCorrection_(other.currentErrorCorrection_) {}

QRCode& QRCode::operator=(const QRCode& other) {
  if (this == &other) return *this;
  engine_ = qrcore::engineForCopy(other.engine_);
  current_ = other.current_;
  currentErrorCorrection_ = other.currentErrorCorrection_;
  return *this;
}

QRCode::QRCode(std::shared_ptr<QRCodeEngine> engine) : QRCode() {
  if (engine) engine_ = std::move(engine);
  updateWithData({}, ErrorCorrection::quartile);
}

QRCode::QRCode(std::span<const std::uint8_t> data, ErrorCorrection errorCorrection,
               std::shared_ptr<QRCodeEngine> engine)
    : QRCode() {
  if (engine) engine_ = std::move(engine);
  updateWithData(data, errorCorrection);
}

QRCode::QRCode(std::string_view utf8String, ErrorCorrection errorCorrection,
               std::shared_ptr<QRCodeEngine> engine)
    : QRCode() {
  if (engine) engine_ = std::move(engine);
  updateWithText(utf8String, errorCorrection);
}

QRCode::QRCode(const QRCodeMessageFormatter& message, ErrorCorrection errorCorrection,
               std::shared_ptr<QRCodeEngine> engine)
    : QRCode() {
  if (engine) engine_ = std::move(engine);
  updateWithMessage(message, errorCorrection);
}

void QRCode::store(QRCodeBoolMatrix&& matrix, ErrorCorrection errorCorrection) {
  current_ = std::make_shared<const QRCodeBoolMatrix>(std::move(matrix));
  currentErrorCorrection_ = errorCorrection;
}

void QRCode::updateWithData(std::span<const std::uint8_t> data, ErrorCorrection errorCorrection) {
  store(engine_->generateWithData(data, levelValue(errorCorrection)), errorCorrection);
}

void QRCode::updateWithText(std::string_view text, ErrorCorrection errorCorrection) {
  store(engine_->generateWithText(text, levelValue(errorCorrection)), errorCorrection);
}

void QRCode::updateWithMessage(const QRCodeMessageFormatter& message,
                               ErrorCorrection errorCorrection) {
  const foundation::Bytes bytes = message.data();
  updateWithData(bytes, errorCorrection);
}

void QRCode::update(const Content& content, ErrorCorrection errorCorrection) {
  if (const std::string* text = content.textValue())
    updateWithText(*text, errorCorrection);
  else
    updateWithData(*content.dataValue(), errorCorrection);
}

void QRCode::setEngine(std::shared_ptr<QRCodeEngine> engine) {
  engine_ = engine ? std::move(engine) : QRCodeDefaultEngine();
}

bool QRCode::canGenerateQRCodeWithData(std::span<const std::uint8_t> data,
                                       ErrorCorrection errorCorrection,
                                       std::shared_ptr<QRCodeEngine> engine) {
  try {
    QRCode code(data, errorCorrection, std::move(engine));
    return true;
  } catch (const foundation::Error&) {
    return false;
  }
}

bool QRCode::canGenerateQRCodeWithText(std::string_view text, ErrorCorrection errorCorrection,
                                       std::shared_ptr<QRCodeEngine> engine) {
  try {
    QRCode code(text, errorCorrection, std::move(engine));
    return true;
  } catch (const foundation::Error&) {
    return false;
  }
}
