// QR detection in images: one code at both accuracies, three codes in one larger image,
// images with nothing to find (blank, noise), grey and rgba, and pictures of many codes (a
// label sheet, a grid of touching codes, a version-40 code at one pixel per module) beside
// zbar on the same pictures.

#include <benchmark/benchmark.h>

#include <algorithm>
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

// zbar (both polarities, as the tests' decoder reads) over the same picture, for comparison.
void runZbar(benchmark::State& state, const gfx::Image& image, std::size_t expected) {
  for (auto _ : state) {
    auto texts = decodeWithZbar(image.pixels().data(), image.width(), image.height(), 1, image.bytesPerRow());
    if (texts.size() != expected) {
      state.SkipWithError("unexpected number of codes");
      break;
    }
    benchmark::DoNotOptimize(texts);
  }
}

// Version-2 codes at `ppm` pixels per module, `pitchX` x `pitchY` apart in `columns` columns
// (touching when the pitch is their size), each with a line of letter-like marks under it
// when `marks`.
gfx::Image codeSheet(int count, int columns, int ppm, int width, int height, int pitchX, int pitchY, bool marks) {
  std::vector<std::uint8_t> px(static_cast<std::size_t>(width) * height, 255);
  SplitMix64 rng(11);
  for (int i = 0; i < count; ++i) {
    const QRCode code("Label " + std::to_string(100 + i) + ": vidlumen", QRCode::ErrorCorrection::medium,
                      std::make_shared<QRCodeEngineExternal>());
    const ModuleImage m = matrixImage(*code.boolMatrix(), 3, ppm);
    const int x0 = (i % columns) * pitchX, y0 = (i / columns) * pitchY;
    for (int y = 0; y < m.size; ++y)
      std::copy_n(m.pixels.data() + static_cast<std::size_t>(y) * m.size, m.size,
                  px.data() + static_cast<std::size_t>(y0 + y) * width + x0);
    for (int cell = 0; marks && cell < 12 * 15; ++cell)
      if (rng.next() & 1)
        for (int k = 0; k < 9; ++k)
          px[static_cast<std::size_t>(y0 + m.size + 6 + cell % 15 / 3 * 3 + k / 3) * width + x0 + 8 +
             cell / 15 * 12 + cell % 3 * 3 + k % 3] = 0;
  }
  return gfx::Image::make(width, height, std::move(px), gfx::PixelFormat::gray);
}

// A label sheet: A4 at 300 dpi, 100 codes at 4 pixels per module with marks like text under each.
const gfx::Image& labelSheet() {
  static const gfx::Image image = codeSheet(100, 10, 4, 2480, 3508, 248, 350, true);
  return image;
}
// Nine codes at 5 pixels per module, touching.
const gfx::Image& grid3x3() {
  static const gfx::Image image = codeSheet(9, 3, 5, 3 * 165, 3 * 165, 165, 165, false);
  return image;
}
// A version-40 code at one pixel per module, quiet zone of four.
const gfx::Image& version40() {
  static const gfx::Image image = grey(matrixImage(
      *QRCode(std::string(2900, 'v'), QRCode::ErrorCorrection::low, std::make_shared<QRCodeEngineExternal>())
           .boolMatrix(),
      3, 1));
  return image;
}

void BM_LabelSheet(benchmark::State& state) {
  run(state, labelSheet(), static_cast<QRCode::DetectionAccuracy>(state.range(0)), 100);
}
BENCHMARK(BM_LabelSheet)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
void BM_LabelSheetZbar(benchmark::State& state) { runZbar(state, labelSheet(), 100); }
BENCHMARK(BM_LabelSheetZbar)->Unit(benchmark::kMillisecond);

void BM_Grid3x3(benchmark::State& state) {
  run(state, grid3x3(), static_cast<QRCode::DetectionAccuracy>(state.range(0)), 9);
}
BENCHMARK(BM_Grid3x3)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
void BM_Grid3x3Zbar(benchmark::State& state) { runZbar(state, grid3x3(), 9); }
BENCHMARK(BM_Grid3x3Zbar)->Unit(benchmark::kMillisecond);

void BM_Version40OnePixel(benchmark::State& state) {
  run(state, version40(), static_cast<QRCode::DetectionAccuracy>(state.range(0)), 1);
}
BENCHMARK(BM_Version40OnePixel)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
void BM_Version40OnePixelZbar(benchmark::State& state) { runZbar(state, version40(), 1); }
BENCHMARK(BM_Version40OnePixelZbar)->Unit(benchmark::kMillisecond);

}  // namespace
