// Eye and pupil path building, as the renderer asks for each path once per drawing: the
// fixed outlines copy a template, the bar, configurable and module-built eyes build theirs;
// and a whole document drawn with a module-built eye.

#include <benchmark/benchmark.h>

#include "QRCode/QRCodeEyeShape.hpp"
#include "QRCode/QRCodePupilShape.hpp"
#include "QRCode/document/QRCodeDocument.hpp"

namespace {

// Every eye of the factory: its ring, its background and its default pupil.
void BM_EyePaths(benchmark::State& state) {
  const auto eyes = QRCodeEyeShapeFactory::shared().all();
  if (static_cast<std::size_t>(state.range(0)) >= eyes.size()) {
    state.SkipWithError("no eye of that index");
    return;
  }
  const auto& eye = eyes[static_cast<std::size_t>(state.range(0))];
  state.SetLabel(std::string(eye->name()));
  for (auto _ : state) {
    benchmark::DoNotOptimize(eye->eyePath());
    benchmark::DoNotOptimize(eye->eyeBackgroundPath());
    benchmark::DoNotOptimize(eye->defaultPupil()->pupilPath());
  }
}
BENCHMARK(BM_EyePaths)->DenseRange(0, 21);

void BM_FlippedUFOEyePath(benchmark::State& state) {
  const QRCodeEyeShapeUFO eye(true);
  for (auto _ : state) benchmark::DoNotOptimize(eye.eyePath());
}
BENCHMARK(BM_FlippedUFOEyePath);

void BM_PupilPath(benchmark::State& state) {
  const auto pupils = QRCodePupilShapeFactory::shared().all();
  const auto& pupil = pupils[static_cast<std::size_t>(state.range(0))];
  state.SetLabel(std::string(pupil->name()));
  for (auto _ : state) benchmark::DoNotOptimize(pupil->pupilPath());
}
BENCHMARK(BM_PupilPath)->DenseRange(0, 15);

void BM_EyeFromRecord(benchmark::State& state) {
  const GeneratorSettingsRecord record = QRCodeEyeShapeSquarePeg().typeAndSettings();
  for (auto _ : state) benchmark::DoNotOptimize(QRCodeEyeShapeFactory::shared().createWithSettings(record));
}
BENCHMARK(BM_EyeFromRecord);

void BM_PupilPreview(benchmark::State& state) {
  const auto pupil = QRCodePupilShapeSeal::Create();
  const gfx::Color black = gfx::Color::sRGB(0, 0, 0);
  for (auto _ : state) benchmark::DoNotOptimize(QRCodePupilShapeFactory::previewImage(128, *pupil, black));
}
BENCHMARK(BM_PupilPreview);

void BM_DocumentWithPixelsEye(benchmark::State& state) {
  QRCodeDocument document("https://vidlumen.example.com/wallpaper/aurora-Zq81mKd?utm_source=app",
                          QRCode::ErrorCorrection::quartile);
  document.design()->shape()->setEye(QRCodeEyeShapePixels::Create());
  for (auto _ : state) benchmark::DoNotOptimize(document.cgImageWithDimension(300));
}
BENCHMARK(BM_DocumentWithPixelsEye)->Unit(benchmark::kMillisecond);

}  // namespace
