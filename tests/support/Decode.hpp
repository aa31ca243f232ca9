#pragma once
// Real QR decoders for tests: ZXing and zbar over an image in memory. Both convert to grey
// first and also try the inverted image, so light-on-dark codes decode too. They answer
// every distinct text found (empty when nothing decodes).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// pixels: height rows of stride bytes; channels 1 (grey) or 4 (RGBA; alpha is composited
// over white, premultiplied or straight).
std::vector<std::string> decodeWithZXing(const std::uint8_t* pixels, int width, int height,
                                         int channels, std::size_t stride);
std::vector<std::string> decodeWithZbar(const std::uint8_t* pixels, int width, int height,
                                        int channels, std::size_t stride);

// A grey image, dark 0 and light 255, width = height = size, size bytes per row.
struct ModuleImage {
  int size = 0;
  std::vector<std::uint8_t> pixels;
};

// The image of a square module grid (cells row-major, non-zero = dark) with quietZone
// light modules around it and pixelsPerModule pixels per module.
ModuleImage moduleImage(const std::uint8_t* cells, int dimension, int quietZone = 4,
                        int pixelsPerModule = 4);

// The same for any matrix type with dimension() and value(row, col) (QRCodeBoolMatrix).
template <class Matrix>
ModuleImage matrixImage(const Matrix& matrix, int quietZone = 4, int pixelsPerModule = 4) {
  const int d = static_cast<int>(matrix.dimension());
  std::vector<std::uint8_t> cells(static_cast<std::size_t>(d) * static_cast<std::size_t>(d));
  for (int r = 0; r < d; ++r)
    for (int c = 0; c < d; ++c)
      cells[static_cast<std::size_t>(r) * static_cast<std::size_t>(d) + static_cast<std::size_t>(c)] =
          matrix.value(r, c) ? 1 : 0;
  return moduleImage(cells.data(), d, quietZone, pixelsPerModule);
}

// Both decoders over a module image.
struct DecodeResults {
  std::vector<std::string> zxing;
  std::vector<std::string> zbar;
};
DecodeResults decodeBoth(const ModuleImage& image);

// The error-correction level ("L", "M", "Q" or "H") that ZXing reads from each code it
// decodes in a module image.
std::vector<std::string> zxingLevels(const ModuleImage& image);

// Writes a grey image as a PNG file of that name in the running test's own folder (see
// TestFolder.hpp), for looking at results; false on failure.
bool writeGreyPNG(const std::uint8_t* pixels, int width, int height, std::size_t stride,
                  std::string_view name);
inline bool writeGreyPNG(const ModuleImage& image, std::string_view name) {
  return writeGreyPNG(image.pixels.data(), image.size, image.size,
                      static_cast<std::size_t>(image.size), name);
}
