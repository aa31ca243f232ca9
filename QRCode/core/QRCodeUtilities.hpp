#pragma once
// Small utilities of the QR library: a file location that does not overwrite an existing
// file, range limiting, square sizes, scaling of points and sizes, evenness tests and the
// joint use of several optional values.

#include <cmath>
#include <concepts>
#include <filesystem>
#include <functional>
#include <limits>
#include <optional>
#include <string_view>
#include <type_traits>

#include "platform/graphics/Geometry.hpp"

// --- unique file locations -------------------------------------------------------------------

namespace qrcore {
// A location in the folder where no file exists yet: folder/fileName when that is free,
// else folder/<base>-2.<extension>, folder/<base>-3.<extension> and so on, where base is the
// name without its extension and extension is the text after its last "." (a name without
// one gives "<name>-2." and so on). Symbolic links count by their targets, and a location
// whose existence cannot be checked counts as free. The location is not reserved: another
// process may create the file in between.
std::filesystem::path uniqueFileURL(const std::filesystem::path& folder,
                                    std::string_view fileName);
}  // namespace qrcore

// --- ranges and limiting ---------------------------------------------------------------------

// a...b
template <class T>
struct ClosedRange {
  T lowerBound;
  T upperBound;
};
// a..<b
template <class T>
struct HalfOpenRange {
  T lowerBound;
  T upperBound;
};
// ..<b
template <class T>
struct PartialRangeUpTo {
  T upperBound;
};
// ...b
template <class T>
struct PartialRangeThrough {
  T upperBound;
};
// a...
template <class T>
struct PartialRangeFrom {
  T lowerBound;
};

namespace qrcode_detail {

// The largest value below b: b - 1 for integers (b itself at the type's minimum, where
// nothing lies below), the next floating value towards -infinity for floating values.
template <class T>
constexpr T largestBelow(T b) noexcept {
  if constexpr (std::floating_point<T>) {
    return std::nextafter(b, -std::numeric_limits<T>::infinity());
  } else {
    static_assert(std::integral<T>, "a half-open range needs integer or floating bounds");
    return b == std::numeric_limits<T>::min() ? b : static_cast<T>(b - 1);
  }
}

// max(v, a) and min(v, b) as value limits: a NaN value stays NaN.
template <class T>
constexpr T atLeast(const T& v, const T& a) {
  return v < a ? a : v;
}
template <class T>
constexpr T atMost(const T& v, const T& b) {
  return b < v ? b : v;
}

}  // namespace qrcode_detail

// The value limited to the range: min(max(v, a), b) for a...b, with b replaced by the
// largest value below it for a..<b and ..<b. A NaN value stays NaN.
template <class T>
constexpr T clamped(const T& v, const ClosedRange<T>& range) {
  return qrcode_detail::atMost(qrcode_detail::atLeast(v, range.lowerBound), range.upperBound);
}
template <class T>
constexpr T clamped(const T& v, const HalfOpenRange<T>& range) {
  return qrcode_detail::atMost(qrcode_detail::atLeast(v, range.lowerBound),
                               qrcode_detail::largestBelow(range.upperBound));
}
template <class T>
constexpr T clamped(const T& v, const PartialRangeUpTo<T>& range) {
  return qrcode_detail::atMost(v, qrcode_detail::largestBelow(range.upperBound));
}
template <class T>
constexpr T clamped(const T& v, const PartialRangeThrough<T>& range) {
  return qrcode_detail::atMost(v, range.upperBound);
}
template <class T>
constexpr T clamped(const T& v, const PartialRangeFrom<T>& range) {
  return qrcode_detail::atLeast(v, range.lowerBound);
}

// In-place forms of clamped().
template <class T, class Range>
  requires requires(const T& v, const Range& range) {
    { clamped(v, range) } -> std::convertible_to<T>;
  }
constexpr void clamp(T& v, const Range& range) {
  v = clamped(v, range);
}

// max(v, 0) then min(that, 1).
template <std::floating_point T>
constexpr T unitClamped(T v) noexcept {
  return clamped(v, ClosedRange<T>{T(0), T(1)});
}
template <std::floating_point T>
constexpr void unitClamp(T& v) noexcept {
  v = unitClamped(v);
}

// --- sizes and points ------------------------------------------------------------------------

// The size (n, n).
constexpr gfx::Size squareSize(double n) noexcept { return gfx::Size{n, n}; }
template <std::integral T>
constexpr gfx::Size squareSize(T n) noexcept {
  return squareSize(static_cast<double>(n));
}

// Both coordinates multiplied by the factor.
constexpr gfx::Point scaled(const gfx::Point& p, double factor) noexcept {
  return gfx::Point{p.x * factor, p.y * factor};
}
constexpr gfx::Size scaled(const gfx::Size& s, double factor) noexcept {
  return gfx::Size{s.width * factor, s.height * factor};
}

// --- evenness ---------------------------------------------------------------------------------

// True when v % 2 (truncating) is 0.
template <std::integral T>
constexpr bool isEven(T v) noexcept {
  return v % 2 == 0;
}
// True when v % 2 (truncating) is 1: a negative odd value (remainder -1) is not odd here.
template <std::integral T>
constexpr bool isOdd(T v) noexcept {
  return v % 2 == 1;
}

// --- optionals --------------------------------------------------------------------------------

// f(values...) when every value is present, otherwise none.
template <class A, class F>
constexpr auto ifAllPresent(const std::optional<A>& a, F&& f)
    -> std::optional<std::invoke_result_t<F, const A&>> {
  if (!a) return std::nullopt;
  return std::invoke(std::forward<F>(f), *a);
}
template <class A, class B, class F>
constexpr auto ifAllPresent(const std::optional<A>& a, const std::optional<B>& b, F&& f)
    -> std::optional<std::invoke_result_t<F, const A&, const B&>> {
  if (!a || !b) return std::nullopt;
  return std::invoke(std::forward<F>(f), *a, *b);
}
template <class A, class B, class C, class F>
constexpr auto ifAllPresent(const std::optional<A>& a, const std::optional<B>& b,
                            const std::optional<C>& c, F&& f)
    -> std::optional<std::invoke_result_t<F, const A&, const B&, const C&>> {
  if (!a || !b || !c) return std::nullopt;
  return std::invoke(std::forward<F>(f), *a, *b, *c);
}
