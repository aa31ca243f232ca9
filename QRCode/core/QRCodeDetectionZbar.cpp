#include "QRCode/core/QRCodeDetectionZbar.hpp"

#include <zbar.h>

#include <memory>

namespace qrdetect {

namespace {

using Scanner = std::unique_ptr<zbar::zbar_image_scanner_t, decltype(&zbar::zbar_image_scanner_destroy)>;
using Image = std::unique_ptr<zbar::zbar_image_t, decltype(&zbar::zbar_image_destroy)>;

}  // namespace

std::vector<ZbarSymbol> readWithZbar(const Plane& binary) {
  std::vector<ZbarSymbol> symbols;
  if (binary.width <= 0 || binary.height <= 0) return symbols;
  const Scanner scanner(zbar::zbar_image_scanner_create(), &zbar::zbar_image_scanner_destroy);
  const Image image(zbar::zbar_image_create(), &zbar::zbar_image_destroy);
  if (!scanner || !image) return symbols;
  zbar::zbar_image_scanner_set_config(scanner.get(), zbar::ZBAR_NONE, zbar::ZBAR_CFG_ENABLE, 0);
  zbar::zbar_image_scanner_set_config(scanner.get(), zbar::ZBAR_QRCODE, zbar::ZBAR_CFG_ENABLE, 1);
  zbar::zbar_image_set_format(image.get(), zbar_fourcc('Y', '8', '0', '0'));
  zbar::zbar_image_set_size(image.get(), static_cast<unsigned>(binary.width), static_cast<unsigned>(binary.height));
  // zbar only reads the pixels; the plane keeps them, so no cleanup handler.
  zbar::zbar_image_set_data(image.get(), binary.pixels.data(), binary.pixels.size(), nullptr);
  if (zbar::zbar_scan_image(scanner.get(), image.get()) <= 0) return symbols;
  for (const zbar::zbar_symbol_t* symbol = zbar::zbar_image_first_symbol(image.get()); symbol;
       symbol = zbar::zbar_symbol_next(symbol)) {
    if (zbar::zbar_symbol_get_type(symbol) != zbar::ZBAR_QRCODE ||
        zbar::zbar_symbol_get_loc_size(symbol) != 4) {
      continue;
    }
    ZbarSymbol read;
    // zbar lists a code's corners from its top-left one against the order read.
    for (unsigned i = 0; i < 4; ++i) {
      const unsigned at = (4 - i) % 4;
      read.corners[i] = gfx::Point{static_cast<double>(zbar::zbar_symbol_get_loc_x(symbol, at)),
                                   static_cast<double>(zbar::zbar_symbol_get_loc_y(symbol, at))};
    }
    const char* data = zbar::zbar_symbol_get_data(symbol);
    read.text.assign(data, zbar::zbar_symbol_get_data_length(symbol));
    symbols.push_back(std::move(read));
  }
  return symbols;
}

}  // namespace qrdetect
