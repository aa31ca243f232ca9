#pragma once
// A bitmap image kept inside an archived document: coded as one data value, which in a
// settings dictionary is its base64 text, holding the image as PNG at scale 1.

#include "platform/foundation/Settings.hpp"
#include "platform/graphics/Image.hpp"

class CGImageCodable {
 public:
  explicit CGImageCodable(gfx::Image image) : image_(std::move(image)) {}

  const gfx::Image& image() const { return image_; }

  // The base64 text of the PNG (no line breaks). The PNG writer's error passes unchanged.
  foundation::Settings encode() const;

  // Reads the value back: ImageReadWriteError::codableInvalidData when it is not base64
  // text, ImageReadWriteError::codableInvalidImage when the bytes are no image.
  static CGImageCodable decode(const foundation::Settings& value);

 private:
  gfx::Image image_;
};
