#pragma once
// A deterministic random source (the published SplitMix64 step).

#include <cstdint>

__extension__ typedef unsigned __int128 SplitMix64UInt128;

class SplitMix64 {
 public:
  std::uint64_t state;

  constexpr explicit SplitMix64(std::uint64_t seed) noexcept : state(seed) {}

  // The next value; advances state.
  constexpr std::uint64_t next() noexcept {
    state += 0x9E3779B97F4A7C15ull;
    std::uint64_t z = state;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }

  // A value in [0, upperBound) by multiply-high with rejection. An upper bound of 0 gives 0
  // without drawing.
  constexpr std::uint64_t nextBounded(std::uint64_t upperBound) noexcept {
    if (upperBound == 0) return 0;
    SplitMix64UInt128 m = static_cast<SplitMix64UInt128>(next()) * upperBound;
    auto low = static_cast<std::uint64_t>(m);
    if (low < upperBound) {
      const std::uint64_t t = (0 - upperBound) % upperBound;
      while (low < t) {
        m = static_cast<SplitMix64UInt128>(next()) * upperBound;
        low = static_cast<std::uint64_t>(m);
      }
    }
    return static_cast<std::uint64_t>(m >> 64);
  }

  // A double in the closed range [0, upperBound] (upperBound finite, not below 0): a draw r
  // in [0, 2^53]; 2^53 gives upperBound exactly, else r * 2^-53 * upperBound.
  constexpr double nextClosed(double upperBound) noexcept {
    constexpr std::uint64_t twoTo53 = std::uint64_t(1) << 53;
    const std::uint64_t r = nextBounded(twoTo53 + 1);
    if (r == twoTo53) return upperBound;
    return static_cast<double>(r) * 0x1p-53 * upperBound;
  }
};
