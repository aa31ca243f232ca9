#include "QRCode/core/QRCodeEngineExternal.hpp"

#include <qrcodegen.hpp>

#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/Text.hpp"

namespace {

std::optional<qrcodegen::QrCode::Ecc> eccOfLetter(std::string_view letter) {
  if (letter == "L") return qrcodegen::QrCode::Ecc::LOW;
  if (letter == "M") return qrcodegen::QrCode::Ecc::MEDIUM;
  if (letter == "Q") return qrcodegen::QrCode::Ecc::QUARTILE;
  if (letter == "H") return qrcodegen::QrCode::Ecc::HIGH;
  return std::nullopt;
}

qrcodegen::QrCode::Ecc eccOfLevel(int errorCorrection) {
  const std::optional<qrcodegen::QrCode::Ecc> ecc =
      eccOfLetter(QRCodeErrorCorrectionLetter(errorCorrection));
  if (!ecc) foundation::raise(QRCodeError::cannotGenerateQRCode);
  return *ecc;
}

// The symbol inside a one-module unset border.
QRCodeBoolMatrix matrixOf(const qrcodegen::QrCode& code) {
  const int s = code.getSize();
  if (s <= 0) foundation::raise(QRCodeError::cannotGenerateQRCode);
  const std::int64_t d = s + 2;
  QRCodeBoolMatrix matrix(d);
  bool* cells = matrix.data();
  for (int y = 0; y < s; ++y) {
    bool* row = cells + (y + 1) * d + 1;
    for (int x = 0; x < s; ++x) row[x] = code.getModule(x, y);
  }
  return matrix;
}

}  // namespace

QRCodeBoolMatrix QRCodeEngineExternal::generateWithData(std::span<const std::uint8_t> data,
                                                        int errorCorrection) {
  const qrcodegen::QrCode::Ecc ecc = eccOfLevel(errorCorrection);
  try {
    return matrixOf(
        qrcodegen::QrCode::encodeBinary(std::vector<std::uint8_t>(data.begin(), data.end()), ecc));
  } catch (const qrcodegen::data_too_long&) {
    foundation::raise(QRCodeError::cannotGenerateQRCode);
  } catch (const std::length_error&) {
    foundation::raise(QRCodeError::cannotGenerateQRCode);
  } catch (const std::invalid_argument&) {
    foundation::raise(QRCodeError::cannotGenerateQRCode);
  }
}

QRCodeBoolMatrix QRCodeEngineExternal::generateWithText(std::string_view text,
                                                        int errorCorrection) {
  if (!foundation::isValidUTF8(text))
    foundation::raise(QRCodeError::unableToConvertTextToRequestedEncoding);
  // qrcodegen's text encoder reads a C string; text with NUL inside goes through the byte
  // encoder whole instead of being cut at the first NUL.
  if (text.find('\0') != std::string_view::npos)
    return generateWithData(
        std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()),
        errorCorrection);
  const qrcodegen::QrCode::Ecc ecc = eccOfLevel(errorCorrection);
  const std::string terminated(text);
  try {
    return matrixOf(qrcodegen::QrCode::encodeText(terminated.c_str(), ecc));
  } catch (const qrcodegen::data_too_long&) {
    foundation::raise(QRCodeError::cannotGenerateQRCode);
  } catch (const std::length_error&) {
    foundation::raise(QRCodeError::cannotGenerateQRCode);
  } catch (const std::invalid_argument&) {
    foundation::raise(QRCodeError::cannotGenerateQRCode);
  }
}
