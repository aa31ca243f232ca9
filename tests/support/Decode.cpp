#define ZX_USE_UTF8 1
#include "Decode.hpp"

#include <png.h>
#include <zbar.h>

#include <ZXing/DecodeHints.h>
#include <ZXing/ImageView.h>
#include <ZXing/ReadBarcode.h>
#include <ZXing/Result.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "TestFolder.hpp"

namespace {

// Grey copy of the image (RGBA composited over white), tightly packed.
std::vector<std::uint8_t> toGrey(const std::uint8_t* pixels, int width, int height, int channels,
                                 std::size_t stride) {
  std::vector<std::uint8_t> grey;
  if (!pixels || width <= 0 || height <= 0 || (channels != 1 && channels != 4)) return grey;
  grey.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* row = pixels + static_cast<std::size_t>(y) * stride;
    std::uint8_t* out = grey.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    if (channels == 1) {
      std::copy_n(row, width, out);
      continue;
    }
    for (int x = 0; x < width; ++x) {
      const std::uint8_t* p = row + 4 * x;
      const unsigned a = p[3];
      // Luminance of the colour, then composite over white. Premultiplied and straight
      // alpha agree for opaque pixels, which is what the tests draw codes with.
      const unsigned lum = (299u * p[0] + 587u * p[1] + 114u * p[2]) / 1000u;
      const unsigned premultipliedLum = std::min(lum, a);
      out[x] = static_cast<std::uint8_t>(premultipliedLum + (255u - a));
    }
  }
  return grey;
}

void addUnique(std::vector<std::string>& list, std::string text) {
  if (std::find(list.begin(), list.end(), text) == list.end()) list.push_back(std::move(text));
}

void zxingPass(const std::vector<std::uint8_t>& grey, int width, int height,
               std::vector<std::string>& out) {
  ZXing::DecodeHints hints;
  hints.setFormats(ZXing::BarcodeFormat::QRCode);
  hints.setTryHarder(true);
  hints.setTryRotate(true);
  const ZXing::ImageView view(grey.data(), width, height, ZXing::ImageFormat::Lum);
  for (const ZXing::Result& result : ZXing::ReadBarcodes(view, hints)) {
    if (!result.isValid()) continue;
    const auto& bytes = result.bytes();
    addUnique(out, std::string(bytes.begin(), bytes.end()));
  }
}

void zbarPass(const std::vector<std::uint8_t>& grey, int width, int height,
              std::vector<std::string>& out) {
  std::unique_ptr<zbar::zbar_image_scanner_t, decltype(&zbar::zbar_image_scanner_destroy)> scanner(
      zbar::zbar_image_scanner_create(), &zbar::zbar_image_scanner_destroy);
  if (!scanner) return;
  zbar::zbar_image_scanner_set_config(scanner.get(), zbar::ZBAR_NONE, zbar::ZBAR_CFG_ENABLE, 0);
  zbar::zbar_image_scanner_set_config(scanner.get(), zbar::ZBAR_QRCODE, zbar::ZBAR_CFG_ENABLE, 1);
  zbar::zbar_image_scanner_set_config(scanner.get(), zbar::ZBAR_QRCODE, zbar::ZBAR_CFG_BINARY, 1);
  std::unique_ptr<zbar::zbar_image_t, decltype(&zbar::zbar_image_destroy)> image(
      zbar::zbar_image_create(), &zbar::zbar_image_destroy);
  if (!image) return;
  zbar::zbar_image_set_format(image.get(), zbar_fourcc('Y', '8', '0', '0'));
  zbar::zbar_image_set_size(image.get(), static_cast<unsigned>(width), static_cast<unsigned>(height));
  // zbar only reads the buffer; no cleanup handler, the vector owns it.
  zbar::zbar_image_set_data(image.get(), grey.data(), grey.size(), nullptr);
  if (zbar::zbar_scan_image(scanner.get(), image.get()) <= 0) return;
  for (const zbar::zbar_symbol_t* symbol = zbar::zbar_image_first_symbol(image.get()); symbol;
       symbol = zbar::zbar_symbol_next(symbol)) {
    if (zbar::zbar_symbol_get_type(symbol) != zbar::ZBAR_QRCODE) continue;
    const char* data = zbar::zbar_symbol_get_data(symbol);
    const unsigned length = zbar::zbar_symbol_get_data_length(symbol);
    addUnique(out, std::string(data, data + length));
  }
}

template <class Pass>
std::vector<std::string> decodeNormalAndInverted(const std::uint8_t* pixels, int width, int height,
                                                 int channels, std::size_t stride, Pass pass) {
  std::vector<std::string> found;
  std::vector<std::uint8_t> grey = toGrey(pixels, width, height, channels, stride);
  if (grey.empty()) return found;
  pass(grey, width, height, found);
  if (found.empty()) {
    for (auto& v : grey) v = static_cast<std::uint8_t>(255 - v);
    pass(grey, width, height, found);
  }
  return found;
}

}  // namespace

std::vector<std::string> decodeWithZXing(const std::uint8_t* pixels, int width, int height,
                                         int channels, std::size_t stride) {
  return decodeNormalAndInverted(pixels, width, height, channels, stride, zxingPass);
}

std::vector<std::string> decodeWithZbar(const std::uint8_t* pixels, int width, int height,
                                        int channels, std::size_t stride) {
  return decodeNormalAndInverted(pixels, width, height, channels, stride, zbarPass);
}

ModuleImage moduleImage(const std::uint8_t* cells, int dimension, int quietZone,
                        int pixelsPerModule) {
  ModuleImage image;
  if (dimension < 0 || quietZone < 0 || pixelsPerModule <= 0) return image;
  const int modules = dimension + 2 * quietZone;
  image.size = modules * pixelsPerModule;
  const auto size = static_cast<std::size_t>(image.size);
  image.pixels.assign(size * size, 255);
  for (int r = 0; r < dimension; ++r) {
    for (int c = 0; c < dimension; ++c) {
      if (!cells[static_cast<std::size_t>(r) * static_cast<std::size_t>(dimension) +
                 static_cast<std::size_t>(c)])
        continue;
      const std::size_t y0 = static_cast<std::size_t>((r + quietZone) * pixelsPerModule);
      const std::size_t x0 = static_cast<std::size_t>((c + quietZone) * pixelsPerModule);
      for (int dy = 0; dy < pixelsPerModule; ++dy)
        std::fill_n(image.pixels.data() + (y0 + static_cast<std::size_t>(dy)) * size + x0,
                    pixelsPerModule, std::uint8_t{0});
    }
  }
  return image;
}

DecodeResults decodeBoth(const ModuleImage& image) {
  DecodeResults results;
  const auto stride = static_cast<std::size_t>(image.size);
  results.zxing = decodeWithZXing(image.pixels.data(), image.size, image.size, 1, stride);
  results.zbar = decodeWithZbar(image.pixels.data(), image.size, image.size, 1, stride);
  return results;
}

std::vector<std::string> zxingLevels(const ModuleImage& image) {
  ZXing::DecodeHints hints;
  hints.setFormats(ZXing::BarcodeFormat::QRCode);
  const ZXing::ImageView view(image.pixels.data(), image.size, image.size, ZXing::ImageFormat::Lum);
  std::vector<std::string> levels;
  for (const ZXing::Result& result : ZXing::ReadBarcodes(view, hints))
    if (result.isValid()) levels.push_back(result.ecLevel());
  return levels;
}

bool writeGreyPNG(const std::uint8_t* pixels, int width, int height, std::size_t stride,
                  std::string_view name) {
  if (!pixels || width <= 0 || height <= 0) return false;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = PNG_FORMAT_GRAY;
  const int ok = png_image_write_to_file(&image, testsupport::testPath(name).c_str(), 0, pixels,
                                         static_cast<png_int_32>(stride), nullptr);
  png_image_free(&image);
  return ok != 0;
}
