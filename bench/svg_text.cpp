// SVG and text exports: the SVG text of a 300-unit document for a 60-byte URL and a
// version-25 payload, with the default design and with rounded modules and a shadow, beside
// its two parts (building the component paths, writing their path data) so the writer's
// own share shows; the SVG bytes of a version-40 code, with the default design and with
// rounded-path modules; and the two text renderings.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "QRCode/core/QRCodePathHelpers.hpp"
#include "QRCode/document/QRCodeDocument.hpp"
#include "QRCode/eye/QRCodeEyeShapesRounded.hpp"
#include "QRCode/pixel/CommonPixelShapes.hpp"
#include "QRCode/pixel/QRCodePixelInsetGenerator.hpp"
#include "QRCode/pixel/QRCodePixelShapeRoundedPath.hpp"
#include "QRCode/render/QRCodeComponentPaths.hpp"
#include "QRCode/render/QRCodeSVGExport.hpp"
#include "QRCode/render/QRCodeTextRenderings.hpp"

namespace {

constexpr int kSide = 300;

const std::string kURL = "https://vidlumen.example.com/wallpaper/waves-dp3YBose?u=share";

std::string version25Payload() {
  std::string s;
  s.reserve(950);
  for (int i = 0; s.size() < 950; ++i) s += "payload-" + std::to_string(i) + ";";
  s.resize(950);
  return s;
}

const std::string& payload(std::int64_t which) {
  static const std::string large = version25Payload();
  return which == 0 ? kURL : large;
}

std::unique_ptr<QRCodeDocument> makeDocument(std::int64_t which, bool styled) {
  auto document = std::make_unique<QRCodeDocument>(payload(which), QRCode::ErrorCorrection::medium);
  if (styled) {
    auto& design = *document->design();
    design.shape()->setOnPixels(std::make_shared<QRCodePixelShapeRoundedRect>(
        0.7, std::make_shared<QRCodePixelInsetFixed>(), 0.1, 0.0, false));
    design.shape()->setEye(std::make_shared<QRCodeEyeShapeRoundedRect>());
    design.style()->setShadow(std::make_shared<QRCodeShadow>());
  }
  return document;
}

// The whole SVG text. Args: payload (0 URL, 1 version 25), design (0 default, 1 styled).
void BM_SVGText(benchmark::State& state) {
  auto document = makeDocument(state.range(0), state.range(1) != 0);
  std::size_t bytes = 0;
  for (auto _ : state) {
    const std::string text = document->svgWithDimension(kSide);
    bytes = text.size();
    benchmark::DoNotOptimize(text.data());
  }
  state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_SVGText)->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMicrosecond);

// 2300 bytes: only version 40 holds them at level medium.
std::string version40Payload() {
  std::string s;
  s.reserve(2300);
  for (int i = 0; s.size() < 2300; ++i) s += "payload-" + std::to_string(i) + ";";
  s.resize(2300);
  return s;
}

// The SVG bytes (svgData, as saved to a file) of a version-40 code. Args: design (0
// default, 1 rounded-path modules).
void BM_SVGDataVersion40(benchmark::State& state) {
  QRCodeDocument document(version40Payload(), QRCode::ErrorCorrection::medium);
  if (document.cellDimension() != 177 + 2) {
    state.SkipWithError("payload is not version 40");
    return;
  }
  if (state.range(0) != 0) document.design()->shape()->setOnPixels(QRCodePixelShapeRoundedPath::Create());
  std::size_t bytes = 0;
  for (auto _ : state) {
    const foundation::Bytes data = document.svgDataWithDimension(kSide);
    bytes = data.size();
    benchmark::DoNotOptimize(data.data());
  }
  state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_SVGDataVersion40)->Arg(0)->Arg(1)->ArgName("roundedPath")->Unit(benchmark::kMicrosecond);

// Only the paths the writer asks for (pupil, eye, on-pixels), no text.
void BM_SVGPathsOnly(benchmark::State& state) {
  auto document = makeDocument(state.range(0), state.range(1) != 0);
  auto& shape = *document->design()->shape();
  const gfx::Size size{kSide, kSide};
  for (auto _ : state) {
    for (auto component : {QRCodeComponents::pupil(), QRCodeComponents::eye(), QRCodeComponents::onPixels()}) {
      const gfx::Path p = qrrender::path(document->qrcode(), size, component, shape, nullptr, 0);
      benchmark::DoNotOptimize(&p);
    }
  }
}
BENCHMARK(BM_SVGPathsOnly)->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMicrosecond);

// Only the path data text of those paths, built once.
void BM_SVGPathDataOnly(benchmark::State& state) {
  auto document = makeDocument(state.range(0), state.range(1) != 0);
  auto& shape = *document->design()->shape();
  const gfx::Size size{kSide, kSide};
  std::vector<gfx::Path> paths;
  for (auto component : {QRCodeComponents::pupil(), QRCodeComponents::eye(), QRCodeComponents::onPixels()})
    paths.push_back(qrrender::path(document->qrcode(), size, component, shape, nullptr, 0));
  for (auto _ : state) {
    for (const auto& p : paths) {
      const std::string d = qrcore::svgPathData(p);
      benchmark::DoNotOptimize(d.data());
    }
  }
}
BENCHMARK(BM_SVGPathDataOnly)->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMicrosecond);

void BM_AsciiRepresentation(benchmark::State& state) {
  auto document = makeDocument(state.range(0), false);
  for (auto _ : state) {
    const std::string text = document->asciiRepresentation();
    benchmark::DoNotOptimize(text.data());
  }
}
BENCHMARK(BM_AsciiRepresentation)->Arg(0)->Arg(1);

void BM_SmallAsciiRepresentation(benchmark::State& state) {
  auto document = makeDocument(state.range(0), false);
  for (auto _ : state) {
    const std::string text = document->smallAsciiRepresentation();
    benchmark::DoNotOptimize(text.data());
  }
}
BENCHMARK(BM_SmallAsciiRepresentation)->Arg(0)->Arg(1);

}  // namespace
