#include "QRCode/core/QRCodeGeneratorFilter.hpp"

#include <qrencode.h>

#include <algorithm>
#include <climits>
#include <memory>

namespace {

std::optional<QRecLevel> levelOfLetter(std::string_view letter) {
  if (letter == "L") return QR_ECLEVEL_L;
  if (letter == "M") return QR_ECLEVEL_M;
  if (letter == "Q") return QR_ECLEVEL_Q;
  if (letter == "H") return QR_ECLEVEL_H;
  return std::nullopt;
}

struct QRcodeDeleter {
  void operator()(QRcode* code) const { QRcode_free(code); }
};

}  // namespace

std::optional<QRCodeGeneratorFilter::GreyImage> QRCodeGeneratorFilter::outputImage() const {
  const std::optional<QRecLevel> level = levelOfLetter(level_);
  if (!level || message_.empty() || message_.size() > static_cast<std::size_t>(INT_MAX))
    return std::nullopt;
  // Version 0: the smallest version that holds the data; the whole message in 8-bit mode.
  std::unique_ptr<QRcode, QRcodeDeleter> code(
      QRcode_encodeData(static_cast<int>(message_.size()), message_.data(), 0, *level));
  if (!code || code->width <= 0) return std::nullopt;

  const int symbol = code->width;
  GreyImage image;
  image.width = image.height = symbol + 2;
  const auto w = static_cast<std::size_t>(image.width);
  image.pixels.assign(w * w, 255);
  const unsigned char* modules = code->data;
  for (int y = 0; y < symbol; ++y) {
    std::uint8_t* row = image.pixels.data() + (static_cast<std::size_t>(y) + 1) * w + 1;
    const unsigned char* in = modules + static_cast<std::size_t>(y) * static_cast<std::size_t>(symbol);
    for (int x = 0; x < symbol; ++x) row[x] = (in[x] & 1) ? 0 : 255;
  }
  return image;
}
