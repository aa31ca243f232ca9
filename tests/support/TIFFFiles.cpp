#include "support/TIFFFiles.hpp"

#include <tiffio.h>

#include <algorithm>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "support/TestFolder.hpp"

namespace testsupport {

foundation::Bytes cmykAlpha16TIFF(bool planar) {
  const std::string path = testsupport::testPath("cmyka16.tif").string();
  TIFF* tiff = TIFFOpen(path.c_str(), "w");
  const std::uint32_t side = 8192, planes = planar ? 5 : 1, perPixel = 6 - planes;
  for (const auto& [tag, value] : std::initializer_list<std::pair<ttag_t, std::uint32_t>>{
           {TIFFTAG_IMAGEWIDTH, side}, {TIFFTAG_IMAGELENGTH, side}, {TIFFTAG_BITSPERSAMPLE, 16}, {TIFFTAG_SAMPLESPERPIXEL, 5},
           {TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_SEPARATED}, {TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE},
           {TIFFTAG_PLANARCONFIG, planar ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG},
           {TIFFTAG_ROWSPERSTRIP, planar ? side : 16}, {TIFFTAG_ZIPQUALITY, 1}})
    TIFFSetField(tiff, tag, value);
  const std::uint16_t associated = EXTRASAMPLE_ASSOCALPHA;
  TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, &associated);
  std::vector<std::uint16_t> row(side * perPixel);
  for (std::uint32_t plane = 0; plane < planes; ++plane)
    for (std::uint32_t y = 0; y < side; ++y) {
      for (std::uint32_t x = 0; x < side * perPixel; ++x) {
        const auto sample = [&](std::uint32_t s) { return ((x / perPixel % 97) * 673 + (y % 89) * 211 + s * 4099) & 0xFFFF; };
        row[x] = static_cast<std::uint16_t>(std::min(sample(planar ? plane : x % perPixel), sample(4)));  // inks <= alpha
      }
      TIFFWriteScanline(tiff, row.data(), y, static_cast<std::uint16_t>(plane));
    }
  TIFFClose(tiff);
  std::ifstream in(path, std::ios::binary);
  return foundation::Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace testsupport
