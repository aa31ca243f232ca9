#define ZX_USE_UTF8 1
#include "QRCode/core/QRCodeDetection.hpp"

#include <ZXing/BarcodeFormat.h>
#include <ZXing/Content.h>
#include <ZXing/DecodeHints.h>
#include <ZXing/ImageView.h>
#include <ZXing/ReadBarcode.h>
#include <ZXing/Result.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <span>
#include <vector>

#include "imageio/ImageLoad.hpp"
#include "platform/graphics/Image.hpp"

namespace {

// The luminance of every pixel, tightly packed, with alpha composited over white. A grey
// image is used in place (no copy); rgba and cmyk images are converted into `storage`.
struct LumaView {
  const std::uint8_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  std::size_t stride = 0;
};

LumaView lumaOf(const gfx::Image& image, std::vector<std::uint8_t>& storage) {
  LumaView view;
  view.width = image.width();
  view.height = image.height();
  if (image.format() == gfx::PixelFormat::gray) {
    view.pixels = image.pixels().data();
    view.stride = image.bytesPerRow();
    return view;
  }
  const gfx::Image rgba = image.toRGBA();
  const std::size_t w = static_cast<std::size_t>(view.width);
  storage.resize(w * static_cast<std::size_t>(view.height));
  const std::span<const std::uint8_t> src = rgba.pixels();
  const std::uint8_t* p = src.data();
  std::uint8_t* out = storage.data();
  for (std::size_t i = 0, n = storage.size(); i < n; ++i, p += 4) {
    // Rec. 601 weights on the premultiplied colour, then "plus (1 - alpha) of white".
    // Premultiplied components never exceed alpha, so neither does their weighted mean;
    // the min() only guards against malformed pixels.
    const unsigned a = p[3];
    const unsigned lum = (299u * p[0] + 587u * p[1] + 114u * p[2] + 500u) / 1000u;
    out[i] = static_cast<std::uint8_t>(std::min(lum, a) + (255u - a));
  }
  view.pixels = storage.data();
  view.stride = w;
  return view;
}

ZXing::DecodeHints hintsFor(QRCode::DetectionAccuracy accuracy) {
  ZXing::DecodeHints hints;
  hints.setFormats(ZXing::BarcodeFormat::QRCode);
  const bool high = accuracy == QRCode::DetectionAccuracy::high;
  hints.setTryHarder(high);
  hints.setTryRotate(high);
  hints.setTryDownscale(true);
  return hints;
}

gfx::Point pointOf(const ZXing::PointI& p) {
  return gfx::Point{static_cast<double>(p.x), static_cast<double>(p.y)};
}

QRCodeFeature featureOf(const ZXing::Result& result) {
  QRCodeFeature feature;
  const ZXing::Position& position = result.position();
  feature.topLeft = pointOf(position.topLeft());
  feature.topRight = pointOf(position.topRight());
  feature.bottomLeft = pointOf(position.bottomLeft());
  feature.bottomRight = pointOf(position.bottomRight());
  const auto [minX, maxX] = std::minmax({feature.topLeft.x, feature.topRight.x,
                                         feature.bottomLeft.x, feature.bottomRight.x});
  const auto [minY, maxY] = std::minmax({feature.topLeft.y, feature.topRight.y,
                                         feature.bottomLeft.y, feature.bottomRight.y});
  feature.bounds = gfx::Rect(minX, minY, maxX - minX, maxY - minY);
  if (result.contentType() != ZXing::ContentType::Binary) feature.messageString = result.text();
  return feature;
}

// True when the centre of the candidate lies within a code found already: the same code
// seen by the second (inverted) pass.
bool alreadyFound(const std::vector<QRCodeFeature>& found, const QRCodeFeature& candidate) {
  const gfx::Point centre{(candidate.topLeft.x + candidate.bottomRight.x) / 2,
                          (candidate.topLeft.y + candidate.bottomRight.y) / 2};
  return std::any_of(found.begin(), found.end(), [&](const QRCodeFeature& f) {
    const gfx::Rect& b = f.bounds;
    return centre.x >= b.minX() && centre.x <= b.maxX() && centre.y >= b.minY() &&
           centre.y <= b.maxY();
  });
}

void readInto(const std::uint8_t* pixels, int width, int height, std::size_t stride,
              const ZXing::DecodeHints& hints, std::vector<QRCodeFeature>& found) {
  const ZXing::ImageView view(pixels, width, height, ZXing::ImageFormat::Lum,
                              static_cast<int>(stride));
  const ZXing::Results results = ZXing::ReadBarcodes(view, hints);
  for (const ZXing::Result& result : results) {
    if (!result.isValid() || result.format() != ZXing::BarcodeFormat::QRCode) continue;
    QRCodeFeature feature = featureOf(result);
    if (!alreadyFound(found, feature)) found.push_back(std::move(feature));
  }
}

// Images carry no orientation of their own: pixels are read as stored, row 0 at the top.
std::vector<QRCodeFeature> detect(const gfx::Image& image, QRCode::DetectionAccuracy accuracy) {
  std::vector<QRCodeFeature> found;
  if (image.empty() || image.width() <= 0 || image.height() <= 0) return found;
  std::vector<std::uint8_t> storage;
  const LumaView luma = lumaOf(image, storage);
  const ZXing::DecodeHints hints = hintsFor(accuracy);

  // Dark codes on light ground first, then light codes on dark ground.
  readInto(luma.pixels, luma.width, luma.height, luma.stride, hints, found);

  std::vector<std::uint8_t> inverted(static_cast<std::size_t>(luma.width) *
                                     static_cast<std::size_t>(luma.height));
  const std::size_t w = static_cast<std::size_t>(luma.width);
  for (int y = 0; y < luma.height; ++y) {
    const std::uint8_t* row = luma.pixels + static_cast<std::size_t>(y) * luma.stride;
    std::uint8_t* out = inverted.data() + static_cast<std::size_t>(y) * w;
    for (std::size_t x = 0; x < w; ++x) out[x] = static_cast<std::uint8_t>(255u - row[x]);
  }
  readInto(inverted.data(), luma.width, luma.height, w, hints, found);
  return found;
}

}  // namespace

std::vector<QRCodeFeature> QRCode::DetectQRCodes(const gfx::Image& image,
                                                 DetectionAccuracy accuracy) {
  // Detection never fails: anything the decoder or the allocator throws means "nothing
  // found".
  try {
    return detect(image, accuracy);
  } catch (const std::exception&) {
    return {};
  }
}

std::vector<std::string> QRCode::DetectQRStrings(const gfx::Image& image,
                                                 DetectionAccuracy accuracy) {
  std::vector<QRCodeFeature> features = DetectQRCodes(image, accuracy);
  std::vector<std::string> texts;
  texts.reserve(features.size());
  for (QRCodeFeature& feature : features) {
    if (feature.messageString) texts.push_back(std::move(*feature.messageString));
  }
  return texts;
}

std::vector<QRCodeFeature> QRCode::DetectQRCodesIn(std::span<const std::uint8_t> imageFileData) {
  gfx::Image image;
  try {
    image = imageio::loadImageFromData(imageFileData);
  } catch (const std::exception&) {
    return {};
  }
  return DetectQRCodes(image, DetectionAccuracy::high);
}
