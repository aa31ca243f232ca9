// QR detection in images: one code at both accuracies, three codes in one larger image,
// and images with nothing to find (blank, noise), grey and rgba.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "QRCode/QRCode+Core.hpp"
#include "platform/graphics/Image.hpp"
#include "support/Decode.hpp"

namespace {

const std::string kLink = "https://vidlumen.app/wallpaper/northern-lights?utm_source=qr";

ModuleImage codeImage(const std::string& text, int pixelsPerModule) {
  const QRCode code(text, QRCode::ErrorCorrection::quartile,
                    std::make_shared<QRCodeEngineExternal>());
  return matrixImage(*code.boolMatrix(), 4, pixelsPerModule);
}

gfx::Image grey(const ModuleImage& m) {
  return gfx::Image::make(m.size, m.size, m.pixels, gfx::PixelFormat::gray);
}

gfx::Image rgba(const ModuleImage& m) {
  std::vector<std::uint8_t> px(m.pixels.size() * 4);
  for (std::size_t i = 0; i < m.pixels.size(); ++i) {
    px[4 * i] = px[4 * i + 1] = px[4 * i + 2] = m.pixels[i];
    px[4 * i + 3] = 255;
  }
  return gfx::Image::make(m.size, m.size, std::move(px));
}

void run(benchmark::State& state, const gfx::Image& image, QRCode::DetectionAccuracy accuracy,
         std::size_t expected) {
  for (auto _ : state) {
    auto features = QRCode::DetectQRCodes(image, accuracy);
    if (features.size() != expected) {
      state.SkipWithError("unexpected number of codes");
      break;
    }
    benchmark::DoNotOptimize(features);
  }
  state.counters["pixels"] = static_cast<double>(image.width()) * image.height();
}

void BM_OneCodeGrey(benchmark::State& state) {
  static const gfx::Image image = grey(codeImage(kLink, 8));
  run(state, image, static_cast<QRCode::DetectionAccuracy>(state.range(0)), 1);
}
BENCHMARK(BM_OneCodeGrey)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_OneCodeRGBA(benchmark::State& state) {
  static const gfx::Image image = rgba(codeImage(kLink, 8));
  run(state, image, static_cast<QRCode::DetectionAccuracy>(state.range(0)), 1);
}
BENCHMARK(BM_OneCodeRGBA)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_ThreeCodes(benchmark::State& state) {
  static const gfx::Image image = [] {
    const int w = 1500, h = 600;
    std::vector<std::uint8_t> px(static_cast<std::size_t>(w) * h, 255);
    int x = 20;
    for (const char* text : {"first", "second code", "third: https://vidlumen.app/"}) {
      const ModuleImage m = codeImage(text, 6);
      for (int y = 0; y < m.size; ++y)
        for (int c = 0; c < m.size; ++c)
          px[static_cast<std::size_t>(y + 40) * w + x + c] =
              m.pixels[static_cast<std::size_t>(y) * m.size + c];
      x += m.size + 40;
    }
    return gfx::Image::make(w, h, std::move(px), gfx::PixelFormat::gray);
  }();
  run(state, image, static_cast<QRCode::DetectionAccuracy>(state.range(0)), 3);
}
BENCHMARK(BM_ThreeCodes)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_BlankRGBA1000(benchmark::State& state) {
  static const gfx::Image image = gfx::Image::filled(1000, 1000, {255, 255, 255, 255});
  run(state, image, static_cast<QRCode::DetectionAccuracy>(state.range(0)), 0);
}
BENCHMARK(BM_BlankRGBA1000)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_NoiseGrey1000(benchmark::State& state) {
  static const gfx::Image image = [] {
    SplitMix64 rng(7);
    std::vector<std::uint8_t> px(1000 * 1000);
    for (auto& v : px) v = static_cast<std::uint8_t>(rng.next() >> 56);
    return gfx::Image::make(1000, 1000, std::move(px), gfx::PixelFormat::gray);
  }();
  run(state, image, static_cast<QRCode::DetectionAccuracy>(state.range(0)), 0);
}
BENCHMARK(BM_NoiseGrey1000)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
