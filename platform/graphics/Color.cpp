#include "platform/graphics/Color.hpp"

#include <cmath>

namespace gfx {

namespace {

// Linear light -> sRGB curve, mirrored for negative values (extended range).
double encodeSRGB(double v) {
  if (std::isnan(v)) return v;
  const double m = std::abs(v);
  if (m == 1.0) return v;  // exact, so that white stays white (255, not 254)
  const double e = m <= 0.0031308 ? 12.92 * m : 1.055 * std::pow(m, 1.0 / 2.4) - 0.055;
  return std::copysign(e, v);
}

double decodeGamma(double v, double gamma) {
  if (std::isnan(v)) return v;
  return std::copysign(std::pow(std::abs(v), gamma), v);
}

}  // namespace

std::size_t componentCount(ColorSpace space) {
  switch (space) {
    case ColorSpace::genericGray:
    case ColorSpace::extendedGray: return 2;
    case ColorSpace::genericCMYK: return 5;
    default: return 4;
  }
}

std::optional<Color> Color::make(ColorSpace space, std::span<const double> components) {
  if (components.size() != componentCount(space)) return std::nullopt;
  Color c;
  c.space_ = space;
  c.count_ = components.size();
  c.c_ = {0, 0, 0, 0, 0};
  for (std::size_t i = 0; i < components.size(); ++i) c.c_[i] = components[i];
  return c;
}

Color Color::sRGB(double r, double g, double b, double a) {
  const double v[4] = {r, g, b, a};
  return *make(ColorSpace::sRGB, v);
}
Color Color::genericRGB(double r, double g, double b, double a) {
  const double v[4] = {r, g, b, a};
  return *make(ColorSpace::genericRGB, v);
}
Color Color::linearRGB(double r, double g, double b, double a) {
  const double v[4] = {r, g, b, a};
  return *make(ColorSpace::linearRGB, v);
}
Color Color::genericGray(double gray, double a) {
  const double v[2] = {gray, a};
  return *make(ColorSpace::genericGray, v);
}
Color Color::extendedGray(double gray, double a) {
  const double v[2] = {gray, a};
  return *make(ColorSpace::extendedGray, v);
}
Color Color::genericCMYK(double c, double m, double y, double k, double a) {
  const double v[5] = {c, m, y, k, a};
  return *make(ColorSpace::genericCMYK, v);
}

Color Color::withAlpha(double alpha) const {
  Color c = *this;
  c.c_[count_ - 1] = alpha;
  return c;
}

std::array<double, 4> Color::toSRGB() const {
  const double a = alpha();
  switch (space_) {
    case ColorSpace::sRGB: return {c_[0], c_[1], c_[2], a};
    case ColorSpace::genericRGB:
      return {encodeSRGB(decodeGamma(c_[0], 1.8)), encodeSRGB(decodeGamma(c_[1], 1.8)),
              encodeSRGB(decodeGamma(c_[2], 1.8)), a};
    case ColorSpace::linearRGB:
      return {encodeSRGB(c_[0]), encodeSRGB(c_[1]), encodeSRGB(c_[2]), a};
    case ColorSpace::genericGray: {
      const double g = encodeSRGB(decodeGamma(c_[0], 2.2));
      return {g, g, g, a};
    }
    case ColorSpace::extendedGray: return {c_[0], c_[0], c_[0], a};
    case ColorSpace::genericCMYK: {
      const double k = 1.0 - c_[3];
      return {(1.0 - c_[0]) * k, (1.0 - c_[1]) * k, (1.0 - c_[2]) * k, a};
    }
  }
  return {0, 0, 0, a};
}

bool operator==(const Color& l, const Color& r) {
  if (l.space_ != r.space_ || l.count_ != r.count_) return false;
  for (std::size_t i = 0; i < l.count_; ++i) {
    const double a = l.c_[i], b = r.c_[i];
    if (!(a == b) && !(std::isnan(a) && std::isnan(b))) return false;
  }
  return true;
}

}  // namespace gfx
