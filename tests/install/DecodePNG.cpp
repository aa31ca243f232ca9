// decode_png FILE TEXT: reads the PNG with cairo (not with our own reader), decodes it with
// ZXing and zbar, and exits 0 only when both read exactly TEXT.

#include <cairo.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "support/Decode.hpp"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s FILE.png TEXT\n", argv[0]);
    return 2;
  }
  cairo_surface_t* surface = cairo_image_surface_create_from_png(argv[1]);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    std::fprintf(stderr, "%s: not a PNG cairo can read\n", argv[1]);
    cairo_surface_destroy(surface);
    return 1;
  }
  cairo_surface_flush(surface);
  const int width = cairo_image_surface_get_width(surface);
  const int height = cairo_image_surface_get_height(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  // cairo holds native-endian premultiplied ARGB; the decoders take RGBA bytes.
  std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const auto argb = *reinterpret_cast<const std::uint32_t*>(data + static_cast<std::size_t>(y) * stride + 4 * x);
      std::uint8_t* p = &rgba[(static_cast<std::size_t>(y) * width + x) * 4];
      p[0] = static_cast<std::uint8_t>(argb >> 16);
      p[1] = static_cast<std::uint8_t>(argb >> 8);
      p[2] = static_cast<std::uint8_t>(argb);
      p[3] = static_cast<std::uint8_t>(argb >> 24);
    }
  cairo_surface_destroy(surface);

  const std::string expected = argv[2];
  const auto zxing = decodeWithZXing(rgba.data(), width, height, 4, static_cast<std::size_t>(width) * 4);
  const auto zbar = decodeWithZbar(rgba.data(), width, height, 4, static_cast<std::size_t>(width) * 4);
  bool ok = true;
  for (const auto& [name, texts] : {std::pair{"ZXing", zxing}, std::pair{"zbar", zbar}}) {
    const bool read = texts.size() == 1 && texts.front() == expected;
    std::printf("%s read %zu text(s)%s%s\n", name, texts.size(), texts.empty() ? "" : ": ",
                texts.empty() ? "" : texts.front().c_str());
    ok = ok && read;
  }
  return ok ? 0 : 1;
}
