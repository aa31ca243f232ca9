#pragma once
// The QR library's error enumeration. A case's value is its position; no case carries
// a message of its own (a raise may add explanatory text).
//
//   foundation::raise(QRCodeError::cannotGenerateImage);
//   catch (const foundation::Error& e) { if (e.is(QRCodeError::cannotGenerateImage)) ... }

#include <array>
#include <string_view>

#include "platform/foundation/Error.hpp"

enum class QRCodeError {
  cannotGenerateQRCode,
  unableToConvertTextToRequestedEncoding,
  cannotGenerateImage,
  noGeneratorSet,
  noImageSet,
  cannotCreateGenerator,
  unsupportedGeneratorName,
  unsupportedColor,
  invalidURL,
  invalidContent,
  cannotGenerateJSON,
  cannotGenerateImageBase64,
  invalidHexColorString,
};

template <>
struct foundation::ErrorTraits<QRCodeError> {
  static constexpr std::string_view domain = "QRCodeError";
  static constexpr std::array<std::string_view, 13> cases{
      "cannotGenerateQRCode",    "unableToConvertTextToRequestedEncoding",
      "cannotGenerateImage",     "noGeneratorSet",
      "noImageSet",              "cannotCreateGenerator",
      "unsupportedGeneratorName", "unsupportedColor",
      "invalidURL",              "invalidContent",
      "cannotGenerateJSON",      "cannotGenerateImageBase64",
      "invalidHexColorString",
  };
};

// The case name, as printed where an error is shown ("cannotGenerateImage").
inline std::string_view caseName(QRCodeError error) { return foundation::Error::caseName(error); }
