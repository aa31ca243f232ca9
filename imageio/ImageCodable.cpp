#include "imageio/ImageCodable.hpp"

#include "imageio/ImageExport.hpp"
#include "imageio/ImageLoad.hpp"
#include "imageio/ImageReadWriteError.hpp"
#include "platform/foundation/Error.hpp"
#include "platform/foundation/Text.hpp"

foundation::Settings CGImageCodable::encode() const {
  const foundation::Bytes png = imageio::encodeImageData(image_, ImageExportType::png(1.0, true));
  return foundation::Settings(foundation::base64Encode(png));
}

CGImageCodable CGImageCodable::decode(const foundation::Settings& value) {
  const auto text = foundation::StringValue(value);
  if (!text) foundation::raise(ImageReadWriteError::codableInvalidData, "not a data value");
  const auto bytes = foundation::base64Decode(*text);
  if (!bytes) foundation::raise(ImageReadWriteError::codableInvalidData, "not base64");
  try {
    return CGImageCodable(imageio::loadImageFromData(*bytes));
  } catch (const foundation::Error& e) {
    foundation::raise(ImageReadWriteError::codableInvalidImage, e.what());
  }
}
