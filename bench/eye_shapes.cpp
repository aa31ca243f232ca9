// Eye and pupil path building: each call copies a template outline (or builds a small
// primitive path); the renderer asks for each path once per drawing.

#include <benchmark/benchmark.h>

#include "QRCode/QRCodeEyeShape.hpp"
#include "QRCode/QRCodePupilShape.hpp"

namespace {

void BM_EyePaths(benchmark::State& state) {
  const auto eyes = QRCodeEyeShapeFactory::shared().all();
  const auto& eye = eyes[static_cast<std::size_t>(state.range(0))];
  state.SetLabel(std::string(eye->name()));
  for (auto _ : state) {
    benchmark::DoNotOptimize(eye->eyePath());
    benchmark::DoNotOptimize(eye->eyeBackgroundPath());
    benchmark::DoNotOptimize(eye->defaultPupil()->pupilPath());
  }
}
BENCHMARK(BM_EyePaths)->DenseRange(0, 6);

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

}  // namespace
