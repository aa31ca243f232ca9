#pragma once
// A deterministic random source (the published SplitMix64 step), and the readers that turn
// one settings value into a number or a flag.

#include <cstdint>
#include <optional>

#include "platform/foundation/Settings.hpp"

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

// Settings value readers. Each takes one optional value (null: missing) and answers none
// for a missing value or one that is not a number object (integer, unsigned, float or
// boolean JSON; text never counts).
//   DoubleValue / CGFloatValue: the value as a double (true 1.0, false 0.0).
//   BoolValue: false for zero, true for any other number (NaN included).
//   IntValue: the value truncated to a signed 64-bit integer; NaN, infinity and values
//             outside the range give none.
//   UIntValue: the same for an unsigned 64-bit integer (a negative value gives none).
std::optional<double> DoubleValue(const foundation::Settings* value) noexcept;
std::optional<double> CGFloatValue(const foundation::Settings* value) noexcept;
std::optional<bool> BoolValue(const foundation::Settings* value) noexcept;
std::optional<std::int64_t> IntValue(const foundation::Settings* value) noexcept;
std::optional<std::uint64_t> UIntValue(const foundation::Settings* value) noexcept;

inline std::optional<double> DoubleValue(const foundation::Settings& v) noexcept { return DoubleValue(&v); }
inline std::optional<double> CGFloatValue(const foundation::Settings& v) noexcept { return CGFloatValue(&v); }
inline std::optional<bool> BoolValue(const foundation::Settings& v) noexcept { return BoolValue(&v); }
inline std::optional<std::int64_t> IntValue(const foundation::Settings& v) noexcept { return IntValue(&v); }
inline std::optional<std::uint64_t> UIntValue(const foundation::Settings& v) noexcept { return UIntValue(&v); }
