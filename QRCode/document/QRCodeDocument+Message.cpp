// The document's content from message formatters and formatted content.

#include <string>
#include <type_traits>
#include <utility>
#include <variant>

#include "QRCode/design/QRCodeMessageFormatters.hpp"
#include "QRCode/document/QRCodeDocument.hpp"
#include "platform/foundation/Text.hpp"

namespace {

// The text of a formatter as text content (an absent text gives empty text).
QRCode::Content textContent(const QRCodeMessageFormatterBase& message) {
  const std::optional<std::string>& text = message.textRef();
  return QRCode::Content::text(text ? *text : std::string());
}

}  // namespace

QRCode::Content QRCodeDocument::FormattedContent::content() const {
  return std::visit(
      [](const auto& value) -> QRCode::Content {
        using T = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<T, Text>) {
          return QRCode::Content::text(value.text);
        } else if constexpr (std::is_same_v<T, Base64>) {
          return QRCode::Content::text(foundation::base64Encode(value.data));
        } else if constexpr (std::is_same_v<T, RawData>) {
          return QRCode::Content::data(value.data);
        } else if constexpr (std::is_same_v<T, Link>) {
          return textContent(QRCodeMessageLink(value.url));
        } else if constexpr (std::is_same_v<T, Location>) {
          return textContent(QRCodeMessageLocation(value.lat, value.longitude));
        } else if constexpr (std::is_same_v<T, Phone>) {
          return textContent(QRCodeMessagePhone(value.phoneNumber));
        } else if constexpr (std::is_same_v<T, SMS>) {
          return textContent(QRCodeMessageSMS(value.mobileNumber, value.message));
        } else {
          static_assert(std::is_same_v<T, Event>);
          return textContent(QRCodeMessageEvent(value.summary, value.location, value.start, value.end));
        }
      },
      value_);
}

std::shared_ptr<QRCodeDocument> QRCodeDocument::withMessage(const QRCodeMessageFormatter& message,
                                                            ErrorCorrection errorCorrection,
                                                            std::shared_ptr<QRCodeEngine> engine) {
  if (const std::optional<std::string> text = message.text())
    return std::make_shared<QRCodeDocument>(std::string_view(*text), errorCorrection, std::move(engine));
  const foundation::Bytes data = message.data();
  return std::make_shared<QRCodeDocument>(std::span<const std::uint8_t>(data), errorCorrection, std::move(engine));
}

std::shared_ptr<QRCodeDocument> QRCodeDocument::withFormattedContent(const FormattedContent& content,
                                                                     ErrorCorrection errorCorrection,
                                                                     std::shared_ptr<QRCodeEngine> engine) {
  // The content is made first and the document generated once from it: the default engine
  // cannot encode an empty placeholder, so a document made empty first would fail.
  const Content formatted = content.content();
  if (const std::string* text = formatted.textValue())
    return std::make_shared<QRCodeDocument>(std::string_view(*text), errorCorrection, std::move(engine));
  return std::make_shared<QRCodeDocument>(std::span<const std::uint8_t>(*formatted.dataValue()), errorCorrection,
                                          std::move(engine));
}

void QRCodeDocument::setMessage(const QRCodeMessageFormatter& message) {
  if (const std::optional<std::string> text = message.text()) {
    setText(*text);
  } else {
    setContent(Content::data(message.data()));
  }
}

void QRCodeDocument::setFormattedContent(const FormattedContent& content, ErrorCorrection errorCorrection) {
  setErrorCorrection(errorCorrection);
  setContent(content.content());
}

void QRCodeDocument::updateWithMessage(const QRCodeMessageFormatter& message, ErrorCorrection errorCorrection) {
  // As updateWithText: a failure changes nothing.
  ++generations_;
  qrcode_.updateWithMessage(message, errorCorrection);
  regenerationError_.reset();
}
