#include "QRCode/core/QRCodeEngineCoreImage.hpp"

#include "platform/foundation/Text.hpp"

std::shared_ptr<QRCodeEngine> QRCodeEngineCoreImage::copyEngine() const {
  return std::make_shared<QRCodeEngineCoreImage>();
}

QRCodeBoolMatrix QRCodeEngineCoreImage::generateWithText(std::string_view text,
                                                         int errorCorrection) {
  if (!foundation::isValidUTF8(text))
    foundation::raise(QRCodeError::unableToConvertTextToRequestedEncoding);
  return generateWithData(
      std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()),
      errorCorrection);
}

QRCodeBoolMatrix QRCodeEngineCoreImage::generateWithData(std::span<const std::uint8_t> data,
                                                         int errorCorrection) {
  filter_.setInputMessage(data);
  // An unknown level leaves the filter without a valid letter, so it gives no output.
  filter_.setInputCorrectionLevel(QRCodeErrorCorrectionLetter(errorCorrection));
  const std::optional<QRCodeGeneratorFilter::GreyImage> image = filter_.outputImage();
  if (!image || image->width <= 0 || image->width != image->height)
    foundation::raise(QRCodeError::cannotGenerateImage);

  // One pixel per module: a cell is set exactly where the grey value is 0.
  const std::int64_t w = image->width;
  QRCodeBoolMatrix matrix(w);
  bool* cells = matrix.data();
  const std::uint8_t* grey = image->pixels.data();
  for (std::size_t i = 0, n = static_cast<std::size_t>(w * w); i < n; ++i) cells[i] = grey[i] == 0;
  return matrix;
}
