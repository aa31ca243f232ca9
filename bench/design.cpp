// Design archiving, logo masking and document regeneration.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "QRCode/core/QRCodeColor.hpp"
#include "QRCode/core/QRCodeEngineExternal.hpp"
#include "QRCode/design/QRCodeDesign.hpp"
#include "QRCode/design/QRCodeFillStyleSolid.hpp"
#include "QRCode/design/QRCodeLogoTemplate.hpp"
#include "QRCode/document/QRCodeDocument.hpp"

namespace {

std::shared_ptr<QRCodeDesign> styledDesign() {
  auto design = QRCodeDesign::make(qrcolor::sRGB(0.1, 0.2, 0.5, 1), qrcolor::sRGB(1, 1, 1, 1));
  design->style()->setEye(QRCodeFillStyleSolid::withGray(0.2));
  design->style()->setShadow(std::make_shared<QRCodeShadow>());
  design->style()->setEyeBackground(qrcolor::sRGB(1, 0, 0, 1));
  design->setAdditionalQuietZonePixels(2);
  return design;
}

void BM_DesignJSONRoundTrip(benchmark::State& state) {
  const auto design = styledDesign();
  for (auto _ : state) {
    const auto json = design->jsonData();
    benchmark::DoNotOptimize(QRCodeDesign::CreateWithJsonData(json));
  }
}
BENCHMARK(BM_DesignJSONRoundTrip);

void BM_DesignCopy(benchmark::State& state) {
  const auto design = styledDesign();
  for (auto _ : state) benchmark::DoNotOptimize(design->copyDesign());
}
BENCHMARK(BM_DesignCopy);

// A matrix of the given dimension with every module set (179 is a version-40 symbol with
// its border).
std::shared_ptr<const QRCodeBoolMatrix> fullMatrix(std::int64_t n) {
  return std::make_shared<const QRCodeBoolMatrix>(QRCodeBoolMatrix(n).flipped());
}

void BM_LogoMaskSquare(benchmark::State& state) {
  const auto matrix = fullMatrix(state.range(0));
  const auto logo = QRCodeLogoTemplate::SquareCenterWithImage(gfx::Image::filled(8, 8, {255, 0, 0, 255}), 0);
  for (auto _ : state) benchmark::DoNotOptimize(logo->applyingMask(matrix, 600));
}
BENCHMARK(BM_LogoMaskSquare)->Arg(23)->Arg(179)->Unit(benchmark::kMicrosecond);

void BM_LogoMaskCircle(benchmark::State& state) {
  const auto matrix = fullMatrix(state.range(0));
  const auto logo = QRCodeLogoTemplate::CircleCenterWithImage(gfx::Image::filled(8, 8, {255, 0, 0, 255}), 0);
  for (auto _ : state) benchmark::DoNotOptimize(logo->applyingMask(matrix, 600));
}
BENCHMARK(BM_LogoMaskCircle)->Arg(23)->Arg(179)->Unit(benchmark::kMicrosecond);

void BM_LogoMaskImage(benchmark::State& state) {
  const auto matrix = fullMatrix(state.range(0));
  const QRCodeLogoTemplate logo(gfx::Image::filled(8, 8), gfx::Image::filled(512, 512, {0, 0, 0, 255}));
  for (auto _ : state) benchmark::DoNotOptimize(logo.applyingMask(matrix, 600));
}
BENCHMARK(BM_LogoMaskImage)->Arg(23)->Arg(179)->Unit(benchmark::kMicrosecond);

void BM_DocumentSetText(benchmark::State& state) {
  QRCodeDocument doc("https://vidlumen.example/wallpaper/waves-dp3YBose", QRCode::ErrorCorrection::medium);
  const std::string a = "https://vidlumen.example/wallpaper/waves-dp3YBose?utm_source=share";
  const std::string b = "https://vidlumen.example/wallpaper/ocean-Xk2P9q1z?utm_source=share";
  bool flip = false;
  for (auto _ : state) {
    doc.setUtf8String((flip = !flip) ? a : b);
    benchmark::DoNotOptimize(doc.boolMatrix());
  }
}
BENCHMARK(BM_DocumentSetText)->Unit(benchmark::kMicrosecond);

}  // namespace
