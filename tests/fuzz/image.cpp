// The image loader over all five formats.

#include "imageio/ImageLoad.hpp"
#include "support/Fuzz.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzAttempt([&] {
    const gfx::Image image = imageio::loadImageFromData(fuzzBytes(data, size), kFuzzMaxImagePixels);
    fuzzRequire(!image.empty() && image.pixels().size() == image.bytesPerRow() * static_cast<std::size_t>(image.height()),
                "a decoded image holds all its pixels");
    if (image.format() != gfx::PixelFormat::rgba) return;
    const auto px = image.pixels();
    for (std::size_t i = 0; i < px.size(); i += 4)
      fuzzRequire(px[i] <= px[i + 3] && px[i + 1] <= px[i + 3] && px[i + 2] <= px[i + 3],
                  "premultiplied colour never exceeds alpha");
  });
  return 0;
}
