#pragma once
// Geometric properties of eye-space paths, shared by the eye and pupil tests.

#include <cmath>
#include <cstddef>
#include <vector>

#include "platform/graphics/AffineTransform.hpp"
#include "platform/graphics/Geometry.hpp"
#include "platform/graphics/Path.hpp"

namespace eyetest {

struct Subpath {
  gfx::Point start;
  gfx::Point last;         // the last point drawn before a close element (or the end)
  bool closed = false;     // ends with a close element
  std::size_t elements = 0;
  double signedArea = 0;   // of the outline flattened to a polygon (y down: > 0 clockwise)
};

inline gfx::Point cubicAt(gfx::Point p0, gfx::Point p1, gfx::Point p2, gfx::Point p3, double t) {
  const double u = 1 - t;
  const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
  return {a * p0.x + b * p1.x + c * p2.x + d * p3.x, a * p0.y + b * p1.y + c * p2.y + d * p3.y};
}

// The subpaths of a path, each with its start, last point, close flag and the signed area
// of its outline (curves sampled finely).
inline std::vector<Subpath> subpathsOf(const gfx::Path& path) {
  std::vector<Subpath> result;
  std::vector<gfx::Point> polygon;
  auto finish = [&] {
    if (result.empty() || polygon.size() < 3) return;
    double area = 0;
    for (std::size_t i = 0; i < polygon.size(); ++i) {
      const gfx::Point& a = polygon[i];
      const gfx::Point& b = polygon[(i + 1) % polygon.size()];
      area += a.x * b.y - b.x * a.y;
    }
    result.back().signedArea = area / 2;
  };
  gfx::Point current;
  for (const gfx::PathElement& e : path.elements()) {
    switch (e.type) {
      case gfx::PathElementType::move:
        finish();
        polygon.clear();
        result.push_back({e.points[0], e.points[0], false, 1, 0});
        polygon.push_back(e.points[0]);
        current = e.points[0];
        break;
      case gfx::PathElementType::line:
        polygon.push_back(e.points[0]);
        current = e.points[0];
        break;
      case gfx::PathElementType::quad:
        polygon.push_back(e.points[1]);
        current = e.points[1];
        break;
      case gfx::PathElementType::cubic:
        for (int k = 1; k <= 32; ++k)
          polygon.push_back(cubicAt(current, e.points[0], e.points[1], e.points[2], k / 32.0));
        current = e.points[2];
        break;
      case gfx::PathElementType::close:
        if (!result.empty()) result.back().closed = true;
        break;
    }
    if (!result.empty() && e.type != gfx::PathElementType::move) {
      ++result.back().elements;
      if (e.type != gfx::PathElementType::close) result.back().last = current;
    }
  }
  finish();
  return result;
}

inline bool near(gfx::Point a, gfx::Point b, double tolerance = 1e-9) {
  return std::abs(a.x - b.x) <= tolerance && std::abs(a.y - b.y) <= tolerance;
}

// The bounds lie within lo...hi on both axes.
inline bool boundsWithin(const gfx::Path& path, double lo, double hi, double tolerance = 1e-9) {
  const gfx::Rect b = path.bounds();
  return !b.isNull() && b.minX() >= lo - tolerance && b.minY() >= lo - tolerance &&
         b.maxX() <= hi + tolerance && b.maxY() <= hi + tolerance;
}

// The bounds are exactly lo...hi on both axes.
inline bool boundsSpan(const gfx::Path& path, double lo, double hi, double tolerance = 1e-6) {
  const gfx::Rect b = path.bounds();
  return !b.isNull() && std::abs(b.minX() - lo) <= tolerance && std::abs(b.minY() - lo) <= tolerance &&
         std::abs(b.maxX() - hi) <= tolerance && std::abs(b.maxY() - hi) <= tolerance;
}

// Filled under the non-zero and under the even-odd rule.
inline bool filledBoth(const gfx::Path& path, gfx::Point p) {
  return path.contains(p, false) && path.contains(p, true);
}
inline bool emptyBoth(const gfx::Path& path, gfx::Point p) {
  return !path.contains(p, false) && !path.contains(p, true);
}

// The mirroring the renderer applies to an eye background before placing it:
// (x, y) -> (x, 90 - y).
inline gfx::Path mirroredTopToBottom(const gfx::Path& path) {
  return path.transformed(gfx::AffineTransform{1, 0, 0, -1, 0, 90});
}

// The end point of every element (close elements excluded).
inline std::vector<gfx::Point> endPoints(const gfx::Path& path) {
  std::vector<gfx::Point> points;
  for (const gfx::PathElement& e : path.elements())
    if (e.type != gfx::PathElementType::close) points.push_back(e.endPoint());
  return points;
}

inline bool passesThrough(const gfx::Path& path, gfx::Point p) {
  for (const gfx::Point& q : endPoints(path))
    if (near(p, q)) return true;
  return false;
}

}  // namespace eyetest
