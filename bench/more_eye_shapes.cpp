// The bar, CRT, circle, outline, module-built, shield and UFO eyes: building their ring,
// background and default pupil, as the renderer asks for them once per drawing, and a
// whole document drawn with a module-built eye.

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "QRCode/QRCodeEyeShape.hpp"
#include "QRCode/QRCodePupilShape.hpp"
#include "QRCode/document/QRCodeDocument.hpp"

namespace {

const std::vector<std::string>& eyeNames() {
  static const std::vector<std::string> names = {
      "barsHorizontal", "barsVertical", "crt",    "circle", "leaf",  "teardrop", "fireball",
      "peacock",        "pinch",        "corneredPixels", "edges", "pixels", "shield", "ufo"};
  return names;
}

void BM_MoreEyePaths(benchmark::State& state) {
  const auto eye = QRCodeEyeShapeFactory::shared().named(eyeNames()[static_cast<std::size_t>(state.range(0))]);
  state.SetLabel(std::string(eye->name()));
  for (auto _ : state) {
    benchmark::DoNotOptimize(eye->eyePath());
    benchmark::DoNotOptimize(eye->eyeBackgroundPath());
    benchmark::DoNotOptimize(eye->defaultPupil()->pupilPath());
  }
}
BENCHMARK(BM_MoreEyePaths)->DenseRange(0, 13);

void BM_FlippedUFOEyePath(benchmark::State& state) {
  const QRCodeEyeShapeUFO eye(true);
  for (auto _ : state) benchmark::DoNotOptimize(eye.eyePath());
}
BENCHMARK(BM_FlippedUFOEyePath);

void BM_DocumentWithPixelsEye(benchmark::State& state) {
  QRCodeDocument document("https://vidlumen.example.com/wallpaper/aurora-Zq81mKd?utm_source=app",
                          QRCode::ErrorCorrection::quartile);
  document.design()->shape()->setEye(QRCodeEyeShapePixels::Create());
  for (auto _ : state) benchmark::DoNotOptimize(document.cgImageWithDimension(300));
}
BENCHMARK(BM_DocumentWithPixelsEye)->Unit(benchmark::kMillisecond);

}  // namespace
