// Filling a 300 x 300 canvas with a 10 000-element path, with and without a shadow.
#include <benchmark/benchmark.h>

#include "platform/graphics/Canvas.hpp"

namespace {

// 2000 squares of 5 elements (move, 3 lines, close) on a 50 x 40 grid, like QR modules.
gfx::Path squares() {
  gfx::Path p;
  p.reserve(10000);
  const double cell = 300.0 / 50;
  for (int r = 0; r < 40; ++r)
    for (int c = 0; c < 50; ++c) p.addRect(gfx::Rect(c * cell + 0.5, r * cell * 1.25 + 0.5, cell - 1, cell - 1));
  return p;
}

// 2000 circles of 6 elements (move, 4 cubics, close) minus the 2000 elements over: 1666
// circles plus 4 squares = 10 000 elements.
gfx::Path circles() {
  gfx::Path p;
  p.reserve(10000);
  const double cell = 300.0 / 41;
  int n = 0;
  for (int r = 0; r < 41 && n < 1666; ++r)
    for (int c = 0; c < 41 && n < 1666; ++c, ++n) p.addEllipse(gfx::Rect(c * cell, r * cell, cell, cell));
  for (int i = 0; i < 4; ++i) p.addRect(gfx::Rect(i, i, 1, 1));
  return p;
}

void fill(benchmark::State& state, const gfx::Path& path, bool shadow) {
  for (auto _ : state) {
    gfx::Canvas canvas = gfx::Canvas::bitmap(300, 300);
    canvas.setFillColor(gfx::Color::sRGB(0, 0, 0, 1));
    if (shadow) canvas.setShadow({1.2, -1.2}, 4, gfx::Color::sRGB(0, 0, 0, 0.8));
    canvas.fillPath(path);
    gfx::Image image = canvas.makeImage();
    benchmark::DoNotOptimize(image.pixels().data());
  }
  state.counters["elements"] = static_cast<double>(path.size());
}

void BM_FillSquares(benchmark::State& state) { fill(state, squares(), false); }
void BM_FillSquaresShadow(benchmark::State& state) { fill(state, squares(), true); }
void BM_FillCircles(benchmark::State& state) { fill(state, circles(), false); }
void BM_FillCirclesShadow(benchmark::State& state) { fill(state, circles(), true); }

// The inner-shadow pattern: a 200 000-unit even-odd frame around a small shape, clipped.
void BM_InnerShadowFrame(benchmark::State& state) {
  gfx::Path shape;
  shape.addEllipse(gfx::Rect(100, 100, 100, 100));
  gfx::Path frame;
  frame.addRect(gfx::Rect(-100000, -100000, 200000, 200000));
  frame.addPath(shape);
  for (auto _ : state) {
    gfx::Canvas canvas = gfx::Canvas::bitmap(300, 300);
    canvas.clipToPath(shape);
    canvas.setShadow({1.2, -1.2}, 4, gfx::Color::sRGB(0, 0, 0, 0.8));
    canvas.fillPath(frame, true);
    gfx::Image image = canvas.makeImage();
    benchmark::DoNotOptimize(image.pixels().data());
  }
}

}  // namespace

BENCHMARK(BM_FillSquares)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FillSquaresShadow)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FillCircles)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FillCirclesShadow)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_InnerShadowFrame)->Unit(benchmark::kMicrosecond);
