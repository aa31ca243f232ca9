// Gradient and image fills painting a styled code, and decoding images in every format.

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "QRCode/core/KvelGradient.hpp"
#include "QRCode/design/QRCodeDesign.hpp"
#include "QRCode/design/QRCodeFillStyleImage.hpp"
#include "QRCode/design/QRCodeFillStyleLinearGradient.hpp"
#include "QRCode/design/QRCodeFillStyleRadialGradient.hpp"
#include "QRCode/design/QRCodeShadow.hpp"
#include "QRCode/design/QRCodeStyle.hpp"
#include "QRCode/render/QRCodeImageExports.hpp"
#include "imageio/ImageConvert.hpp"
#include "imageio/ImageExport.hpp"
#include "imageio/ImageLoad.hpp"

namespace {

const QRCode& code() {
  static const QRCode qr("https://vidlumen.example.com/wallpaper/waves-dp3YBose?utm_source=app",
                         QRCode::ErrorCorrection::quartile);
  return qr;
}

// A photo-like picture: smooth colours with some detail.
gfx::Image photo(int size) {
  std::vector<std::uint8_t> px;
  px.reserve(static_cast<std::size_t>(size) * size * 4);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x)
      px.insert(px.end(), {static_cast<std::uint8_t>(x * 255 / size), static_cast<std::uint8_t>(y * 255 / size),
                           static_cast<std::uint8_t>(((x / 7) ^ (y / 5)) * 9), 255});
  return gfx::Image::make(size, size, std::move(px));
}

// fill: 0 linear gradient, 1 radial gradient, 2 image; with a drop shadow when shadow.
void BM_RenderWithFill(benchmark::State& state) {
  QRCodeDesign design;
  const KvelGradient gradient({{0.0, qrcolor::sRGB(0.5, 0, 0, 1)}, {0.5, qrcolor::sRGB(0.2, 0.1, 0.3, 1)}, {1.0, qrcolor::sRGB(0, 0, 0.4, 1)}});
  switch (state.range(0)) {
    case 0: design.style()->setOnPixels(QRCodeFillStyleLinearGradient::make(gradient, {0, 0}, {1, 1})); break;
    case 1: design.style()->setOnPixels(QRCodeFillStyleRadialGradient::make(gradient, {0.5, 0.5})); break;
    default: design.style()->setOnPixels(QRCodeFillStyleImage::make(photo(256))); break;
  }
  if (state.range(1)) design.style()->setShadow(std::make_shared<QRCodeShadow>());
  for (auto _ : state) benchmark::DoNotOptimize(qrrender::cgImageWithDimension(code(), 300, design, nullptr));
}
BENCHMARK(BM_RenderWithFill)->ArgsProduct({{0, 1, 2}, {0, 1}})->Unit(benchmark::kMillisecond);

void BM_ImageFillSettingsRoundTrip(benchmark::State& state) {
  const auto fill = QRCodeFillStyleImage::make(photo(static_cast<int>(state.range(0))));
  for (auto _ : state) benchmark::DoNotOptimize(QRCodeFillStyleImage::CreateWithSettings(fill->settings()));
}
BENCHMARK(BM_ImageFillSettingsRoundTrip)->Arg(64)->Arg(512)->Unit(benchmark::kMillisecond);

// format: 0 PNG, 1 JPEG, 2 TIFF, 3 GIF, 4 HEIC; a 512 x 512 picture.
void BM_LoadImage(benchmark::State& state) {
  const gfx::Image picture = photo(512);
  const ImageExportType types[] = {ImageExportType::png(1), ImageExportType::jpg(1, 0.85), ImageExportType::tiff(1, 1),
                                   ImageExportType::gif(), ImageExportType::heic(1, 0.8)};
  const foundation::Bytes data = imageio::encodeImageData(picture, types[state.range(0)]);
  for (auto _ : state) benchmark::DoNotOptimize(imageio::loadImageFromData(data));
  state.SetLabel(std::string(types[state.range(0)].fileExtension()));
}
BENCHMARK(BM_LoadImage)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

void BM_ConvertColorspace(benchmark::State& state) {
  const ConvertColorspace convert(photo(1024));
  for (auto _ : state) benchmark::DoNotOptimize(state.range(0) == 0 ? convert.grayscale() : convert.cmyk());
}
BENCHMARK(BM_ConvertColorspace)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
