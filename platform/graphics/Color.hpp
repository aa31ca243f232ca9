#pragma once
// Colours with a colour space, and their conversion to sRGB.
//
// A Color keeps its components exactly as given (no range check, NaN included); only
// toSRGB() interprets them. Conversions to sRGB are simple closed forms, not ICC colour
// matching; the values 0 and 1 of every channel map exactly as on the platform, values in
// between are approximations:
//   sRGB          identity (components pass unchanged, out-of-range values included)
//   genericRGB    gamma 1.8 decoded to linear light, re-encoded with the sRGB curve
//                 (the primaries are taken as sRGB's)
//   genericGray   gray with gamma 2.2 decoded to linear light, re-encoded with the sRGB
//                 curve, copied to r, g, b
//   extendedGray  gray on the sRGB curve, copied to r, g, b unchanged (extended range kept)
//   linearRGB     linear light re-encoded with the sRGB curve (sign-mirrored beyond 0)
//   genericCMYK   naive: r = (1 - c)(1 - k), g = (1 - m)(1 - k), b = (1 - y)(1 - k)
// Alpha always passes unchanged.

#include <array>
#include <cstddef>
#include <optional>
#include <span>

namespace gfx {

enum class ColorSpace { sRGB, genericRGB, genericGray, extendedGray, linearRGB, genericCMYK };

// Number of components of a colour in the space, alpha included (gray 2, RGB 4, CMYK 5).
std::size_t componentCount(ColorSpace space);

class Color {
 public:
  // Opaque black in sRGB.
  Color() = default;

  static Color sRGB(double r, double g, double b, double a = 1.0);
  static Color genericRGB(double r, double g, double b, double a = 1.0);
  static Color genericGray(double gray, double a = 1.0);
  static Color extendedGray(double gray, double a = 1.0);
  static Color linearRGB(double r, double g, double b, double a = 1.0);
  static Color genericCMYK(double c, double m, double y, double k, double a = 1.0);
  // A colour from a component list (alpha last); none when the count does not match the
  // space.
  static std::optional<Color> make(ColorSpace space, std::span<const double> components);

  ColorSpace space() const { return space_; }
  // The components as given, alpha last.
  std::span<const double> components() const { return {c_.data(), count_}; }
  double alpha() const { return c_[count_ - 1]; }
  // The same colour with another alpha.
  Color withAlpha(double alpha) const;

  // r, g, b, a in sRGB (see the table above).
  std::array<double, 4> toSRGB() const;

  // Same space and equal components (NaN equals NaN here).
  friend bool operator==(const Color& l, const Color& r);

 private:
  ColorSpace space_ = ColorSpace::sRGB;
  std::size_t count_ = 4;
  std::array<double, 5> c_{0, 0, 0, 1, 0};
};

}  // namespace gfx
