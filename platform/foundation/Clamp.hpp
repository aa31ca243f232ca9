#pragma once
// NaN-safe limits for numbers that come from outside (settings, colours, options). Unlike
// std::clamp, a NaN never passes through: it gives the lower bound. Test for NaN and
// infinity with std::isnan and std::isfinite.

namespace foundation {

// value limited to lower...upper (lower <= upper); NaN gives lower.
constexpr double clampedToRange(double value, double lower, double upper) noexcept {
  if (!(value > lower)) return lower;  // also NaN
  return value > upper ? upper : value;
}

// value limited to 0...1; NaN gives 0.
constexpr double clampedFraction(double value) noexcept { return clampedToRange(value, 0.0, 1.0); }

}  // namespace foundation
