#pragma once
// A platform image kept inside an archived document: coded as one data value, which in a
// settings dictionary is its base64 text. The data is a PNG of the bitmap whose pHYs
// chunk records the resolution of the point size (for other readers) and whose
// "Point size" text chunk holds the point size exactly ("150.0 150.0"), so that reading it
// back gives the same pixels and the same point size.

#include <array>
#include <string_view>

#include "imageio/PlatformImage.hpp"
#include "platform/foundation/Error.hpp"
#include "platform/foundation/Settings.hpp"

class PlatformImageCodable {
 public:
  enum class ImageCodingError { InvalidData, UnableToConvertImageToPNG };

  explicit PlatformImageCodable(PlatformImage image) : image_(std::move(image)) {}

  const PlatformImage& image() const { return image_; }

  // The base64 text of the PNG (no line breaks). The PNG writer's errors pass unchanged:
  // ImageReadWriteError::invalidDPI for a point size that is not finite and positive,
  // ImageReadWriteError::cannotCreateImageOfType for an image without pixels.
  foundation::Settings encode() const;

  // Reads the value back; ImageCodingError::InvalidData when it is not base64 text or its
  // bytes hold no image. Image data written elsewhere reads too: its point size follows
  // the resolution the file records, else it equals the pixel size (as
  // loadPlatformImageFromData gives).
  static PlatformImageCodable decode(const foundation::Settings& value);

 private:
  PlatformImage image_;
};

template <>
struct foundation::ErrorTraits<PlatformImageCodable::ImageCodingError> {
  static constexpr std::string_view domain = "PlatformImageCodable.ImageCodingError";
  static constexpr std::array<std::string_view, 2> cases{"InvalidData", "UnableToConvertImageToPNG"};
};
