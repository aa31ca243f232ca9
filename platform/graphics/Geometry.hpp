#pragma once
// Points, sizes and rectangles with the platform's semantics: a rectangle may have a
// negative size and is standardised before any min/mid/max or set operation; the null
// rectangle (origin at +infinity) stands for "no rectangle", as the result of an inset
// that swallows it or of an empty intersection.

#include <algorithm>
#include <cmath>
#include <limits>

namespace gfx {

struct Point {
  double x = 0, y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
  double width = 0, height = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
  Point origin;
  Size size;

  constexpr Rect() = default;
  constexpr Rect(Point o, Size s) : origin(o), size(s) {}
  constexpr Rect(double x, double y, double w, double h) : origin{x, y}, size{w, h} {}

  static constexpr Rect null() {
    constexpr double inf = std::numeric_limits<double>::infinity();
    return Rect(inf, inf, 0, 0);
  }
  bool isNull() const { return std::isinf(origin.x) || std::isinf(origin.y); }
  bool isEmpty() const { return isNull() || size.width == 0 || size.height == 0; }

  Rect standardized() const {
    Rect r = *this;
    if (r.size.width < 0) { r.origin.x += r.size.width; r.size.width = -r.size.width; }
    if (r.size.height < 0) { r.origin.y += r.size.height; r.size.height = -r.size.height; }
    return r;
  }
  double minX() const { return std::min(origin.x, origin.x + size.width); }
  double maxX() const { return std::max(origin.x, origin.x + size.width); }
  double minY() const { return std::min(origin.y, origin.y + size.height); }
  double maxY() const { return std::max(origin.y, origin.y + size.height); }
  double midX() const { return origin.x + size.width / 2; }
  double midY() const { return origin.y + size.height / 2; }
  double width() const { return std::abs(size.width); }
  double height() const { return std::abs(size.height); }
  Point mid() const { return {midX(), midY()}; }

  // Insets each side by dx and dy (negative values grow it); gives the null rectangle
  // when the result would have a negative width or height.
  Rect insetBy(double dx, double dy) const {
    if (isNull()) return *this;
    Rect r = standardized();
    r.origin.x += dx;
    r.origin.y += dy;
    r.size.width -= 2 * dx;
    r.size.height -= 2 * dy;
    if (!(r.size.width >= 0) || !(r.size.height >= 0)) return null();
    return r;
  }
  Rect offsetBy(double dx, double dy) const {
    if (isNull()) return *this;
    return Rect(origin.x + dx, origin.y + dy, size.width, size.height);
  }
  Rect intersection(const Rect& o) const {
    if (isNull() || o.isNull()) return null();
    const double x0 = std::max(minX(), o.minX()), x1 = std::min(maxX(), o.maxX());
    const double y0 = std::max(minY(), o.minY()), y1 = std::min(maxY(), o.maxY());
    if (x1 < x0 || y1 < y0) return null();
    return Rect(x0, y0, x1 - x0, y1 - y0);
  }
  Rect unionWith(const Rect& o) const {
    if (isNull()) return o.standardized();
    if (o.isNull()) return standardized();
    const double x0 = std::min(minX(), o.minX()), x1 = std::max(maxX(), o.maxX());
    const double y0 = std::min(minY(), o.minY()), y1 = std::max(maxY(), o.maxY());
    return Rect(x0, y0, x1 - x0, y1 - y0);
  }
  bool intersects(const Rect& o) const { return !intersection(o).isNull(); }
  // Half-open: the min edges are inside, the max edges are not.
  bool contains(Point p) const {
    return !isNull() && p.x >= minX() && p.x < maxX() && p.y >= minY() && p.y < maxY();
  }
  bool contains(const Rect& o) const {
    return !isNull() && !o.isNull() && o.minX() >= minX() && o.maxX() <= maxX() &&
           o.minY() >= minY() && o.maxY() <= maxY();
  }
  // The smallest rectangle with integral edges that contains this one.
  Rect integral() const {
    if (isNull()) return *this;
    const double x0 = std::floor(minX()), y0 = std::floor(minY());
    return Rect(x0, y0, std::ceil(maxX()) - x0, std::ceil(maxY()) - y0);
  }

  friend bool operator==(const Rect&, const Rect&) = default;
};

}  // namespace gfx
