// The document's archive: its settings dictionary, the JSON forms of it, reading them back
// and the template operations built on them.

#include <string>
#include <utility>

#include "QRCode/core/QRCodeError.hpp"
#include "QRCode/document/QRCodeDocument.hpp"
#include "imageio/ImagePixelBudget.hpp"
#include "platform/foundation/Text.hpp"

namespace {

// True when every key and text inside the value is well-formed UTF-8.
bool holdsOnlyUTF8(const foundation::Settings& value) {
  switch (value.type()) {
    case foundation::Settings::value_t::string:
      return foundation::isValidUTF8(*value.get_ptr<const foundation::Settings::string_t*>());
    case foundation::Settings::value_t::object:
      for (const auto& [key, member] : value.items())
        if (!foundation::isValidUTF8(key) || !holdsOnlyUTF8(member)) return false;
      return true;
    case foundation::Settings::value_t::array:
      for (const auto& member : value)
        if (!holdsOnlyUTF8(member)) return false;
      return true;
    default: return true;
  }
}

// JSON text of the settings; compact when indent < 0. Refuses what JSON cannot carry
// faithfully instead of writing null or replacement characters.
std::string archiveJSON(const foundation::Settings& settings, int indent) {
  if (!holdsOnlyUTF8(settings))
    foundation::raise(QRCodeError::cannotGenerateJSON, "the document holds text that is not UTF-8");
  std::optional<std::string> text = foundation::writeJSON(settings, indent);
  if (!text) foundation::raise(QRCodeError::cannotGenerateJSON, "the document holds a number that is not finite");
  return std::move(*text);
}

// Parses archive JSON: the JSON reader's error for malformed data, the document's own
// error for a top level that is not an object.
foundation::Settings readArchiveJSON(std::span<const std::uint8_t> json) {
  std::optional<foundation::Settings> parsed =
      foundation::readJSON(std::string_view(reinterpret_cast<const char*>(json.data()), json.size()));
  if (!parsed)
    throw foundation::Error(std::string(QRCodeDocument::jsonReaderErrorDomain), 0, "dataCorrupted",
                            "The data is not valid JSON");
  if (!parsed->is_object()) throw QRCodeDocument::unableToDecodeObjectError();
  return std::move(*parsed);
}

}  // namespace

foundation::Error QRCodeDocument::unableToDecodeObjectError() {
  return foundation::Error(std::string(errorDomain), -1, "unableToDecodeObject", "Unable to decode object");
}

// --- writing ----------------------------------------------------------------------------

foundation::Settings QRCodeDocument::settings() const {
  foundation::Settings result = foundation::Settings::object();
  result["correction"] = std::string(QRCode::letter(errorCorrection_));
  result["design"] = design_->settings();
  if (const std::string* text = content_.textValue()) {
    result["text"] = *text;
  } else {
    result["data"] = foundation::base64Encode(*content_.dataValue());
  }
  if (logoTemplate_) result["logoTemplate"] = logoTemplate_->settings();
  return result;
}

foundation::Bytes QRCodeDocument::jsonData() const { return foundation::bytesOf(archiveJSON(settings(), -1)); }

std::string QRCodeDocument::jsonStringFormatted() const { return archiveJSON(settings(), 2); }

// --- reading ----------------------------------------------------------------------------

void QRCodeDocument::loadWithSettings(const foundation::Settings& settings) {
  // Every image the archive carries (image fills, the logo and its mask) draws on one
  // budget: each may be as large as one image may be, but together no larger.
  const ImagePixelBudget imageBudget;
  // 1. Content: readable base64 "data" wins; else "text"; else empty bytes.
  std::optional<foundation::Bytes> bytes;
  if (const auto data = foundation::stringValue(settings, "data")) bytes = foundation::base64Decode(*data);
  if (bytes) {
    setContent(Content::data(std::move(*bytes)));
  } else if (auto text = foundation::stringValue(settings, "text")) {
    setContent(Content::text(std::move(*text)));
  } else {
    setContent(Content::data({}));
  }

  // 2. Level: the first character of a non-empty "correction"; quartile otherwise.
  ErrorCorrection level = ErrorCorrection::quartile;
  if (const auto correction = foundation::stringValue(settings, "correction"); correction && !correction->empty())
    level = QRCode::errorCorrectionFromCharacter((*correction)[0]).value_or(ErrorCorrection::quartile);
  setErrorCorrection(level);

  // 3. Design: an object makes a new design; a reader error keeps the current one.
  if (const foundation::Settings* design = foundation::objectValue(settings, "design")) {
    QRCodeDesignPtr read;
    try {
      read = QRCodeDesign::CreateWithSettings(*design);
    } catch (const foundation::Error&) {
    }
    if (read) setDesign(std::move(read));
  }

  // 4. Logo: only a readable template replaces the current one.
  if (const foundation::Settings* logo = foundation::objectValue(settings, "logoTemplate")) {
    if (QRCodeLogoTemplatePtr read = QRCodeLogoTemplate::CreateWithSettings(*logo)) setLogoTemplate(std::move(read));
  }

  // 5. The final regeneration reports its failure.
  regenerate();
}

void QRCodeDocument::loadWithJsonData(std::span<const std::uint8_t> json) { loadWithSettings(readArchiveJSON(json)); }

std::shared_ptr<QRCodeDocument> QRCodeDocument::CreateWithSettings(const foundation::Settings& settings,
                                                                   std::shared_ptr<QRCodeEngine> engine) {
  // The plain document with the engine installed, but not regenerated: the default engine
  // cannot encode the empty placeholder content, and loading regenerates anyway (its final
  // regeneration raises the engine's error).
  auto document = std::make_shared<QRCodeDocument>();
  document->qrcode_.setEngine(std::move(engine));
  document->loadWithSettings(settings);
  return document;
}

std::shared_ptr<QRCodeDocument> QRCodeDocument::CreateWithJsonData(std::span<const std::uint8_t> json,
                                                                   std::shared_ptr<QRCodeEngine> engine) {
  const foundation::Settings settings = readArchiveJSON(json);
  return CreateWithSettings(settings, std::move(engine));
}

// --- templates --------------------------------------------------------------------------

void QRCodeDocument::applyDesignFrom(const QRCodeDocument& source, bool includeLogoTemplate) {
  QRCodeDesignPtr design = source.design_->copyDesign();
  setDesign(std::move(design));
  if (includeLogoTemplate)
    setLogoTemplate(source.logoTemplate_ ? source.logoTemplate_->copyLogoTemplate() : nullptr);
}

std::shared_ptr<QRCodeDocument> QRCodeDocument::applyingDesignFrom(const QRCodeDocument& source,
                                                                   bool includeLogoTemplate) const {
  std::shared_ptr<QRCodeDocument> copy = copyDocument();
  copy->applyDesignFrom(source, includeLogoTemplate);
  return copy;
}

std::shared_ptr<QRCodeDocument> QRCodeDocument::UsingTemplateWithTemplateJSONData(
    std::span<const std::uint8_t> templateJSON, std::string_view text) {
  std::shared_ptr<QRCodeDocument> document = CreateWithJsonData(templateJSON);
  document->setContent(Content::text(std::string(text)));
  return document;
}

foundation::Bytes QRCodeDocument::PNGUsingTemplateWithTemplateJSONData(std::span<const std::uint8_t> templateJSON,
                                                                       std::string_view text,
                                                                       std::int64_t dimension) {
  return UsingTemplateWithTemplateJSONData(templateJSON, text)->pngDataWithDimension(dimension, 72.0);
}

foundation::Bytes QRCodeDocument::PDFUsingTemplateWithTemplateJSONData(std::span<const std::uint8_t> templateJSON,
                                                                       std::string_view text,
                                                                       std::int64_t dimension, double resolution) {
  return UsingTemplateWithTemplateJSONData(templateJSON, text)->pdfDataWithDimension(dimension, resolution);
}
