// The bar and configurable pupils and the pixel-shape eye: building their paths, as the
// renderer asks for them once per drawing, and a whole document drawn with the eye and
// pupil linked to its pixel shape.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "QRCode/QRCodeEyeShape.hpp"
#include "QRCode/QRCodePixelShape.hpp"
#include "QRCode/QRCodePupilShape.hpp"
#include "QRCode/document/QRCodeDocument.hpp"

namespace {

const std::vector<std::string>& pupilNames() {
  static const std::vector<std::string> names = {
      "barsHorizontal", "barsHorizontalSquare", "barsVertical", "barsVerticalSquare", "edges",
      "pixels",         "corneredPixels",       "shield",       "ufo",                "usePixelShape"};
  return names;
}

void BM_ConfigurablePupilPath(benchmark::State& state) {
  const auto pupil = QRCodePupilShapeFactory::shared().named(pupilNames()[static_cast<std::size_t>(state.range(0))]);
  state.SetLabel(std::string(pupil->name()));
  for (auto _ : state) benchmark::DoNotOptimize(pupil->pupilPath());
}
BENCHMARK(BM_ConfigurablePupilPath)->DenseRange(0, 9);

void BM_UsePixelShapeEyePath(benchmark::State& state) {
  const char* names[] = {"square", "circle", "roundedPath", "blob"};
  const auto pixels = QRCodePixelShapeFactory::shared().named(names[state.range(0)]);
  QRCodeEyeShapeUsePixelShape eye;
  QRCodePupilShapeUsePixelShape pupil;
  eye.setPixelShape(pixels);
  pupil.setPixelShape(pixels);
  state.SetLabel(names[state.range(0)]);
  for (auto _ : state) {
    benchmark::DoNotOptimize(eye.eyePath());
    benchmark::DoNotOptimize(pupil.pupilPath());
  }
}
BENCHMARK(BM_UsePixelShapeEyePath)->DenseRange(0, 3);

void BM_UsePixelShapeDocument(benchmark::State& state) {
  QRCodeDocument document("https://vidlumen.example.com/wallpaper/dunes-K2p9wQ?utm_source=app",
                          QRCode::ErrorCorrection::quartile);
  document.modifyDesign([](QRCodeDesignPtr& design) {
    design->shape()->setOnPixels(QRCodePixelShapeFactory::shared().named("roundedPath"));
    design->shape()->setEye(std::make_shared<QRCodeEyeShapeUsePixelShape>());
    design->shape()->setPupil(std::make_shared<QRCodePupilShapeUsePixelShape>());
  });
  for (auto _ : state) benchmark::DoNotOptimize(document.cgImageWithDimension(512));
}
BENCHMARK(BM_UsePixelShapeDocument);

}  // namespace
