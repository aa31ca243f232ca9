#include "imageio/PlatformImageCodable.hpp"

#include <cmath>
#include <optional>
#include <string>

#include "imageio/ImageExport.hpp"
#include "imageio/ImageLoad.hpp"
#include "imageio/ImageReadWriteError.hpp"
#include "imageio/ImageRepresentation.hpp"
#include "imageio/PNG.hpp"
#include "platform/foundation/Numbers.hpp"
#include "platform/foundation/Text.hpp"

namespace {

constexpr std::string_view kPointSizeKeyword = "Point size";

[[noreturn]] void invalidData(std::string text) {
  foundation::raise(PlatformImageCodable::ImageCodingError::InvalidData, std::move(text));
}

bool usablePoints(double v) { return v > 0 && std::isfinite(v); }

// "w h" as written by encode; none for any other text.
std::optional<gfx::Size> parsePointSize(std::string_view text) {
  const std::size_t space = text.find(' ');
  if (space == std::string_view::npos) return std::nullopt;
  const auto w = foundation::parseDouble(text.substr(0, space));
  const auto h = foundation::parseDouble(text.substr(space + 1));
  if (!w || !h || !usablePoints(*w) || !usablePoints(*h)) return std::nullopt;
  return gfx::Size{*w, *h};
}

// The point size a PNG's text chunk records exactly; none for other data.
std::optional<gfx::Size> exactPointSize(const foundation::Bytes& bytes) {
  if (!imageio::isPNGData(bytes)) return std::nullopt;
  for (const auto& [keyword, text] : imageio::readPNGInfo(bytes).text)
    if (keyword == kPointSizeKeyword)
      if (const auto size = parsePointSize(text)) return size;
  return std::nullopt;
}

}  // namespace

foundation::Settings PlatformImageCodable::encode() const {
  const gfx::Image& bitmap = image_.cgImage;
  // Without pixels there is no PNG to write, whatever the point size says.
  if (bitmap.empty())
    foundation::raise(ImageReadWriteError::cannotCreateImageOfType, std::string(ImageExportType::png(1).typeIdentifier()));
  PNGWriteOptions options = imageio::pngExportOptions(72.0 * bitmap.width() / image_.size.width);
  options.verticalDPI = 72.0 * bitmap.height() / image_.size.height;
  options.text.emplace_back(kPointSizeKeyword, foundation::shortestString(image_.size.width) + " " +
                                                   foundation::shortestString(image_.size.height));
  return foundation::Settings(foundation::base64Encode(imageio::writePNG(bitmap, options)));
}

PlatformImageCodable PlatformImageCodable::decode(const foundation::Settings& value) {
  const auto text = foundation::StringValue(value);
  if (!text) invalidData("not a data value");
  const auto bytes = foundation::base64Decode(*text);
  if (!bytes) invalidData("not base64");
  try {
    // The exact point size when this class wrote the data, else the one of the resolution
    // the file records, as loading a platform image gives.
    PlatformImage image = imageio::platformImageOf(imageio::loadImageAndResolutionFromData(*bytes));
    if (const auto size = exactPointSize(*bytes)) image.size = *size;
    return PlatformImageCodable(std::move(image));
  } catch (const foundation::Error& e) {
    invalidData(e.what());
  }
}
