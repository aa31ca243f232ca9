// generatePathFrom for every pixel shape over the common generator, on the matrices of a
// version-10 and a version-40 code (with their one-module border), drawn at 1000 x 1000.

#include <benchmark/benchmark.h>

#include <string>

#include "QRCode/QRCodePixelShape.hpp"
#include "QRCode/core/QRCodeBoolMatrix.hpp"
#include "QRCode/core/QRCodeEngineExternal.hpp"

namespace {

// Byte-mode text long enough for the version at level L: 250 bytes fill version 10,
// 2900 bytes version 40.
const QRCodeBoolMatrix& versionMatrix(int version) {
  static const QRCodeBoolMatrix v10 = [] {
    QRCodeEngineExternal engine;
    std::string text;
    for (int i = 0; i < 250; ++i) text += static_cast<char>('a' + (i * 7) % 26);
    return engine.generateWithText(text, 0);
  }();
  static const QRCodeBoolMatrix v40 = [] {
    QRCodeEngineExternal engine;
    std::string text;
    for (int i = 0; i < 2900; ++i) text += static_cast<char>('a' + (i * 7) % 26);
    return engine.generateWithText(text, 0);
  }();
  return version == 10 ? v10 : v40;
}

void generatePath(benchmark::State& state, const std::string& name, int version) {
  const QRCodeBoolMatrix& matrix = versionMatrix(version);
  const std::int64_t expected = 17 + 4 * version + 2;
  if (matrix.dimension() != expected) {
    state.SkipWithError(("unexpected dimension " + std::to_string(matrix.dimension())).c_str());
    return;
  }
  auto shape = QRCodePixelShapeFactory::shared().named(name);
  std::size_t elements = 0;
  for (auto _ : state) {
    gfx::Path path = shape->generatePathFrom(matrix, gfx::Size{1000, 1000});
    elements = path.size();
    benchmark::DoNotOptimize(path);
  }
  state.counters["modules"] = static_cast<double>(matrix.setCount());
  state.counters["elements"] = static_cast<double>(elements);
}

const int registered = [] {
  for (const auto& name : QRCodePixelShapeFactory::shared().availableGeneratorNames())
    for (int version : {10, 40})
      benchmark::RegisterBenchmark(("generatePathFrom/" + name + "/v" + std::to_string(version)).c_str(),
                                   [name, version](benchmark::State& s) { generatePath(s, name, version); })
          ->Unit(benchmark::kMicrosecond);
  return 0;
}();

}  // namespace
