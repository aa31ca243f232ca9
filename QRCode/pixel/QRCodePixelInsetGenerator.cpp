#include "QRCode/pixel/QRCodePixelInsetGenerator.hpp"

#include <algorithm>
#include <array>

#include "QRCode/core/QRCodeBoolMatrix.hpp"
#include "QRCode/core/SplitMix64.hpp"

namespace {

// The triangle factor of a position: rises from 0 at position 0 to 1 at the middle
// (h = n / 2) and falls again towards the far edge (not back to 0 at the last position).
double triangle(std::int64_t position, std::int64_t dimension) {
  const double h = static_cast<double>(dimension) / 2;
  const double p = static_cast<double>(position);
  return p < h ? p / h : 1 - (p - h) / h;
}

template <class Class>
std::shared_ptr<QRCodePixelInsetGenerator> createGenerator() {
  return Class::Create();
}

}  // namespace

double QRCodePixelInsetFixed::insetValueFor(const QRCodeBoolMatrix&, std::int64_t, std::int64_t,
                                            double insetFraction) {
  return insetFraction;
}

std::uint64_t QRCodePixelInsetRandom::randomBelow() {
  SplitMix64 source(insetRandomGenerator_);
  const std::uint64_t k = source.nextBounded((std::uint64_t(1) << 53) + 1);
  insetRandomGenerator_ = source.state;
  return k;
}

double QRCodePixelInsetRandom::randomFraction(double fraction) {
  const std::uint64_t k = randomBelow();
  if (k == (std::uint64_t(1) << 53)) return fraction;
  return static_cast<double>(k) * 0x1p-53 * fraction;
}

double QRCodePixelInsetRandom::insetValueFor(const QRCodeBoolMatrix&, std::int64_t, std::int64_t,
                                             double insetFraction) {
  return randomFraction(insetFraction);
}

double QRCodePixelInsetPunch::insetValueFor(const QRCodeBoolMatrix& matrix, std::int64_t row,
                                            std::int64_t column, double insetFraction) {
  const std::int64_t n = matrix.dimension();
  return std::min(triangle(row, n) * insetFraction, triangle(column, n) * insetFraction);
}

double QRCodePixelInsetHorizontalWave::insetValueFor(const QRCodeBoolMatrix& matrix, std::int64_t,
                                                     std::int64_t column, double insetFraction) {
  return triangle(column, matrix.dimension()) * insetFraction;
}

double QRCodePixelInsetVerticalWave::insetValueFor(const QRCodeBoolMatrix& matrix, std::int64_t row,
                                                   std::int64_t, double insetFraction) {
  return triangle(row, matrix.dimension()) * insetFraction;
}

std::span<const QRCodePixelInset::GeneratorClass> QRCodePixelInset::generators() {
  static const std::array<GeneratorClass, 5> list{{
      {QRCodePixelInsetFixed::Name(), &createGenerator<QRCodePixelInsetFixed>},
      {QRCodePixelInsetRandom::Name(), &createGenerator<QRCodePixelInsetRandom>},
      {QRCodePixelInsetPunch::Name(), &createGenerator<QRCodePixelInsetPunch>},
      {QRCodePixelInsetHorizontalWave::Name(), &createGenerator<QRCodePixelInsetHorizontalWave>},
      {QRCodePixelInsetVerticalWave::Name(), &createGenerator<QRCodePixelInsetVerticalWave>},
  }};
  return list;
}

std::shared_ptr<QRCodePixelInsetGenerator> QRCodePixelInset::generatorNamed(std::string_view name) {
  for (const auto& g : generators())
    if (g.name == name) return g.create();
  return nullptr;
}
