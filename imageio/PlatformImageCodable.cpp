#include "imageio/PlatformImageCodable.hpp"

#include <cmath>
#include <optional>
#include <string>

#include "imageio/ImageExport.hpp"
#include "imageio/ImageLoad.hpp"
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

// The point size the data records: the text chunk, else pHYs, else the pixel size.
gfx::Size recordedPointSize(const foundation::Bytes& bytes, const gfx::Image& bitmap) {
  const gfx::Size pixels{double(bitmap.width()), double(bitmap.height())};
  if (!imageio::isPNGData(bytes)) return pixels;
  const PNGInfo info = imageio::readPNGInfo(bytes);
  for (const auto& [keyword, text] : info.text)
    if (keyword == kPointSizeKeyword)
      if (const auto size = parsePointSize(text)) return *size;
  if (info.dpiX && info.dpiY && usablePoints(*info.dpiX) && usablePoints(*info.dpiY))
    return gfx::Size{pixels.width * 72.0 / *info.dpiX, pixels.height * 72.0 / *info.dpiY};
  return pixels;
}

}  // namespace

foundation::Settings PlatformImageCodable::encode() const {
  const gfx::Image& bitmap = image_.cgImage;
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
    gfx::Image bitmap = imageio::loadImageFromData(*bytes);
    const gfx::Size size = recordedPointSize(*bytes, bitmap);
    return PlatformImageCodable(PlatformImage{std::move(bitmap), size});
  } catch (const foundation::Error& e) {
    invalidData(e.what());
  }
}
