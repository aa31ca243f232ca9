#pragma once
// The image module's error enumeration. cannotCreateImageOfType carries the type
// identifier, unsupportedEmbeddedImageType the MIME type and cannotLoadImageNamed the name
// as the error's text; the other cases carry no text of their own.

#include <array>
#include <string_view>

#include "platform/foundation/Error.hpp"

enum class ImageReadWriteError {
  cannotCreateImageOfType,
  unsupportedEmbeddedImageType,
  cannotLoadImageNamed,
  unableToDecodeImage,
  invalidDPI,
  cannotCreatePDFContext,
  cannotCreateCGImage,
  codableInvalidData,
  codableInvalidImage,
  cannotConvertCGImageToPlatformImage,
  internalError,
  cannotConvertColorspace,
};

template <>
struct foundation::ErrorTraits<ImageReadWriteError> {
  static constexpr std::string_view domain = "ImageReadWriteError";
  static constexpr std::array<std::string_view, 12> cases{
      "cannotCreateImageOfType",
      "unsupportedEmbeddedImageType",
      "cannotLoadImageNamed",
      "unableToDecodeImage",
      "invalidDPI",
      "cannotCreatePDFContext",
      "cannotCreateCGImage",
      "codableInvalidData",
      "codableInvalidImage",
      "cannotConvertCGImageToPlatformImage",
      "internalError",
      "cannotConvertColorspace",
  };
};
