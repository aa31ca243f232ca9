// The worst inputs the readers accept, at each bound, and how long they take: pixels per
// image and per document, progressive JPEG scans, gradient pins, logo path elements.
// Each should finish well under a second.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "QRCode/core/KvelGradient.hpp"
#include "QRCode/core/QRCodeColor.hpp"
#include "QRCode/core/QRCodeEngineExternal.hpp"
#include "QRCode/core/QRCodePathHelpers.hpp"
#include "QRCode/design/QRCodeDesign.hpp"
#include "QRCode/design/QRCodeFillStyleLinearGradient.hpp"
#include "QRCode/design/QRCodeLogoTemplate.hpp"
#include "QRCode/design/QRCodeStyle.hpp"
#include "QRCode/document/QRCodeDocument.hpp"
#include "QRCode/render/QRCodeImageExports.hpp"
#include "QRCode/render/QRCodeSVGExport.hpp"
#include "imageio/ImageLoad.hpp"
#include "imageio/ImagePixelBudget.hpp"
#include "imageio/JPEGRead.hpp"
#include "support/JPEGFiles.hpp"

namespace {

// A 35-byte GIF whose screen is 32767 x 2048 (67 106 816 pixels, just under the
// per-image limit of 64 Mi pixels): the largest image a tiny file makes.
foundation::Bytes largestGIF() {
  return {'G', 'I', 'F', '8', '9', 'a', 0xFF, 0x7F, 0x00, 0x08, 0x80, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0,
          0,   0x2C, 0,   0,   0,   0,   1,    0,    1,    0,    0,    2, 2, 0x44, 1,    0,    0x3B};
}

void BM_LargestImage(benchmark::State& state) {
  const foundation::Bytes gif = largestGIF();
  for (auto _ : state) benchmark::DoNotOptimize(imageio::loadImageFromData(gif));
  state.SetLabel("32767 x 2048 GIF, limit " + std::to_string(kDefaultMaxImagePixels) + " pixels");
}
BENCHMARK(BM_LargestImage)->Unit(benchmark::kMillisecond)->Iterations(3);

// An archive carrying the largest image seven times (five image fills, the logo and its
// mask): the document's budget admits one of them.
void BM_ArchiveOfSevenLargestImages(benchmark::State& state) {
  const std::string image = foundation::base64Encode(largestGIF());
  const foundation::Settings fill = {{"type", "image"}, {"settings", {{"imagePNGbase64", image}}}};
  foundation::Settings logo = QRCodeLogoTemplate(gfx::Image::filled(2, 2), std::nullopt, true).settings();
  logo["image"] = image;
  logo["maskImage"] = image;
  const foundation::Settings style = {{"onPixels", fill}, {"offPixels", fill}, {"eye", fill}, {"pupil", fill},
                                      {"background", fill}};
  const foundation::Settings archive = {
      {"text", "budget"}, {"design", {{"style", style}}}, {"logoTemplate", logo}};
  const auto engine = std::make_shared<QRCodeEngineExternal>();
  for (auto _ : state) benchmark::DoNotOptimize(QRCodeDocument::CreateWithSettings(archive, engine));
  state.SetLabel("budget " + std::to_string(ImagePixelBudget::kDocumentPixels) + " pixels per document");
}
BENCHMARK(BM_ArchiveOfSevenLargestImages)->Unit(benchmark::kMillisecond)->Iterations(3);

// A grey 4096 x 4096 progressive JPEG of 127 scans (the DC, then every AC coefficient
// alone, shifted by a bit and refined): 127 x 16 Mi pixels, just under the limit of 2^31
// pixels over all scans.
foundation::Bytes mostScansJPEG() {
  return testsupport::progressiveGreyJPEG(4096, 1, [](int x, int y) { return static_cast<std::uint8_t>((x ^ y) * 7); });
}

void BM_MostScansJPEG(benchmark::State& state) {
  const foundation::Bytes jpeg = mostScansJPEG();
  for (auto _ : state) benchmark::DoNotOptimize(imageio::loadImageFromData(jpeg));
  state.SetLabel("127 scans of 4096 x 4096; limits " + std::to_string(kMaxJPEGScans) + " scans, " +
                 std::to_string(kMaxJPEGScanPixels) + " pixels over all scans");
}
BENCHMARK(BM_MostScansJPEG)->Unit(benchmark::kMillisecond)->Iterations(3);

const QRCode& version40() {
  static const QRCode code(std::string(2900, 'a'), QRCode::ErrorCorrection::low, std::make_shared<QRCodeEngineExternal>());
  return code;
}

// A design whose on-pixels are a gradient of the most pins, read from its string, drawn as
// a 200-pixel bitmap and as SVG.
void BM_GradientOfMostPins(benchmark::State& state) {
  std::string text;
  // Appended piece by piece: g++ 12's -Wrestrict misreads `"..." + std::string` at -O2.
  for (std::size_t i = 0; i < KvelGradient::maxPins; ++i) {
    if (i) text += '|';
    text += std::to_string(static_cast<double>(i) / (KvelGradient::maxPins - 1));
    text += i % 2 ? ":1,0,0,1" : ":0,0,1,1";
  }
  const foundation::Settings settings = {
      {"style", {{"onPixels", {{"type", "lineargradient"}, {"settings", {{"gradient", text}}}}}}}};
  for (auto _ : state) {
    const auto design = QRCodeDesign::CreateWithSettings(settings);
    benchmark::DoNotOptimize(qrrender::cgImageWithDimension(version40(), 200, *design, nullptr));
    benchmark::DoNotOptimize(qrrender::svg(version40(), 200, *design, nullptr));
  }
  state.SetLabel(std::to_string(KvelGradient::maxPins) + " pins");
}
BENCHMARK(BM_GradientOfMostPins)->Unit(benchmark::kMillisecond);

// The mask of a logo path of the most elements, a zigzag over the whole symbol, on a
// version-40 matrix (177 modules): every module centre is tested against every element.
void BM_LogoPathOfMostElements(benchmark::State& state) {
  const std::size_t n = QRCodeLogoTemplate::maxPathElements;
  gfx::Path path;
  path.moveTo({0, 0});
  for (std::size_t i = 2; i < n; ++i)
    path.lineTo({static_cast<double>(i % 2), static_cast<double>(i) / static_cast<double>(n)});
  path.close();
  foundation::Settings settings = QRCodeLogoTemplate::SquareCenterWithImage(gfx::Image::filled(2, 2), 0)->settings();
  settings["relativeMaskPath"] = foundation::base64Encode(CGPathCodable::encodePath(path));
  const auto matrix = version40().boolMatrix();
  for (auto _ : state) {
    const auto logo = QRCodeLogoTemplate::CreateWithSettings(settings);
    benchmark::DoNotOptimize(logo->applyingMask(matrix, 177));  // made
    benchmark::DoNotOptimize(logo->applyingMask(matrix, 177));  // remembered
  }
  state.SetLabel(std::to_string(n) + " elements, 177 x 177 modules");
}
BENCHMARK(BM_LogoPathOfMostElements)->Unit(benchmark::kMillisecond);

}  // namespace
