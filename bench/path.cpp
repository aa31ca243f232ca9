// Path building, the hot loop of the library: 100 000 rounded rectangles under transforms.

#include <benchmark/benchmark.h>

#include <numbers>
#include <vector>

#include "platform/graphics/Path.hpp"

namespace {

constexpr int kRects = 100000;
constexpr int kColumns = 400;

gfx::AffineTransform cellTransform(int i) {
  const double x = (i % kColumns) * 10.0, y = (i / kColumns) * 10.0;
  return gfx::AffineTransform::translation(x, y).rotatedBy((i % 7) * std::numbers::pi / 14).scaledBy(0.9, 0.9);
}

void reportRate(benchmark::State& state, std::size_t elementsPerPath) {
  state.counters["elements"] = benchmark::Counter(
      static_cast<double>(elementsPerPath) * static_cast<double>(state.iterations()),
      benchmark::Counter::kIsRate);
}

// Each rounded rectangle added directly under its transform, with the count reserved.
void BM_RoundedRectsReserved(benchmark::State& state) {
  std::size_t elements = 0;
  for (auto _ : state) {
    gfx::Path path;
    path.reserve(static_cast<std::size_t>(kRects) * 10);
    for (int i = 0; i < kRects; ++i) path.addRoundedRect(gfx::Rect(0, 0, 10, 10), 3, 2, cellTransform(i));
    elements = path.size();
    benchmark::DoNotOptimize(path.elements().data());
  }
  reportRate(state, elements);
}
BENCHMARK(BM_RoundedRectsReserved)->Unit(benchmark::kMillisecond);

// The same without reserving: only the vector's own growth.
void BM_RoundedRectsGrowing(benchmark::State& state) {
  std::size_t elements = 0;
  for (auto _ : state) {
    gfx::Path path;
    for (int i = 0; i < kRects; ++i) path.addRoundedRect(gfx::Rect(0, 0, 10, 10), 3, 2, cellTransform(i));
    elements = path.size();
    benchmark::DoNotOptimize(path.elements().data());
  }
  reportRate(state, elements);
}
BENCHMARK(BM_RoundedRectsGrowing)->Unit(benchmark::kMillisecond);

// A template shape placed by addPath under each transform, as pixel shapes are placed.
void BM_RoundedRectTemplateAddPath(benchmark::State& state) {
  gfx::Path shape;
  shape.addRoundedRect(gfx::Rect(0, 0, 10, 10), 3, 2);
  std::size_t elements = 0;
  for (auto _ : state) {
    gfx::Path path;
    path.reserve(static_cast<std::size_t>(kRects) * shape.size());
    for (int i = 0; i < kRects; ++i) path.addPath(shape, cellTransform(i));
    elements = path.size();
    benchmark::DoNotOptimize(path.elements().data());
  }
  reportRate(state, elements);
}
BENCHMARK(BM_RoundedRectTemplateAddPath)->Unit(benchmark::kMillisecond);

// One path cleared and rebuilt, so its storage stays warm: the cost of building alone,
// without the page faults of fresh memory.
void BM_RoundedRectsReusedPath(benchmark::State& state) {
  gfx::Path path;
  path.reserve(static_cast<std::size_t>(kRects) * 10);
  std::vector<gfx::AffineTransform> transforms;
  transforms.reserve(kRects);
  for (int i = 0; i < kRects; ++i) transforms.push_back(cellTransform(i));
  for (auto _ : state) {
    path.clear();
    for (int i = 0; i < kRects; ++i) path.addRoundedRect(gfx::Rect(0, 0, 10, 10), 3, 2, transforms[static_cast<std::size_t>(i)]);
    benchmark::DoNotOptimize(path.elements().data());
  }
  reportRate(state, path.size());
}
BENCHMARK(BM_RoundedRectsReusedPath)->Unit(benchmark::kMillisecond);

// Reading the built path back: exact bounds over every element.
void BM_RoundedRectsBounds(benchmark::State& state) {
  gfx::Path path;
  for (int i = 0; i < kRects; ++i) path.addRoundedRect(gfx::Rect(0, 0, 10, 10), 3, 2, cellTransform(i));
  for (auto _ : state) benchmark::DoNotOptimize(path.bounds());
  reportRate(state, path.size());
}
BENCHMARK(BM_RoundedRectsBounds)->Unit(benchmark::kMillisecond);

}  // namespace
