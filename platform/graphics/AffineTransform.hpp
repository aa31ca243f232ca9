#pragma once
// Affine transform {a, b, c, d, tx, ty}: x' = a*x + c*y + tx, y' = b*x + d*y + ty.
// translatedBy/scaledBy/rotatedBy put the new step in front (points get it first, then
// this transform); t1.concatenating(t2) applies t1 first, then t2. Positive angles turn
// +x towards +y.

#include <cmath>

#include "platform/graphics/Geometry.hpp"

namespace gfx {

struct AffineTransform {
  double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;

  static constexpr AffineTransform identity() { return {}; }
  static constexpr AffineTransform translation(double x, double y) { return {1, 0, 0, 1, x, y}; }
  static constexpr AffineTransform scale(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }
  static AffineTransform rotation(double angle) {
    const double s = std::sin(angle), co = std::cos(angle);
    return {co, s, -s, co, 0, 0};
  }

  bool isIdentity() const { return a == 1 && b == 0 && c == 0 && d == 1 && tx == 0 && ty == 0; }

  // this first, then other.
  constexpr AffineTransform concatenating(const AffineTransform& o) const {
    return {a * o.a + b * o.c,           a * o.b + b * o.d,
            c * o.a + d * o.c,           c * o.b + d * o.d,
            tx * o.a + ty * o.c + o.tx,  tx * o.b + ty * o.d + o.ty};
  }
  constexpr AffineTransform translatedBy(double x, double y) const {
    return translation(x, y).concatenating(*this);
  }
  constexpr AffineTransform scaledBy(double sx, double sy) const {
    return scale(sx, sy).concatenating(*this);
  }
  AffineTransform rotatedBy(double angle) const { return rotation(angle).concatenating(*this); }

  // The inverse, or the transform itself when it cannot be inverted.
  AffineTransform inverted() const {
    const double det = a * d - b * c;
    if (det == 0 || !std::isfinite(det)) return *this;
    return {d / det, -b / det, -c / det, a / det, (c * ty - d * tx) / det, (b * tx - a * ty) / det};
  }

  constexpr Point apply(Point p) const { return {a * p.x + c * p.y + tx, b * p.x + d * p.y + ty}; }
  constexpr Size apply(Size s) const { return {a * s.width + c * s.height, b * s.width + d * s.height}; }
  // The bounding box of the transformed rectangle.
  Rect apply(const Rect& r) const {
    if (r.isNull()) return r;
    const Point p[4] = {apply(Point{r.minX(), r.minY()}), apply(Point{r.maxX(), r.minY()}),
                        apply(Point{r.maxX(), r.maxY()}), apply(Point{r.minX(), r.maxY()})};
    double x0 = p[0].x, x1 = p[0].x, y0 = p[0].y, y1 = p[0].y;
    for (const auto& q : p) {
      x0 = std::min(x0, q.x); x1 = std::max(x1, q.x);
      y0 = std::min(y0, q.y); y1 = std::max(y1, q.y);
    }
    return Rect(x0, y0, x1 - x0, y1 - y0);
  }

  friend constexpr bool operator==(const AffineTransform&, const AffineTransform&) = default;
};

}  // namespace gfx
