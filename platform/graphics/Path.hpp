#pragma once
// A path value: a list of move, line, quad (control, end), cubic (c1, c2, end) and close
// elements. It never simplifies: degenerate curves and repeated points stay as added.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/graphics/AffineTransform.hpp"
#include "platform/graphics/Geometry.hpp"

namespace gfx {

enum class PathElementType { move, line, quad, cubic, close };

struct PathElement {
  PathElementType type;
  // move/line: points[0]; quad: control, end; cubic: c1, c2, end; close: none.
  Point points[3];

  // 1, 1, 2, 3, 0
  int pointCount() const {
    switch (type) {
      case PathElementType::move:
      case PathElementType::line: return 1;
      case PathElementType::quad: return 2;
      case PathElementType::cubic: return 3;
      default: return 0;
    }
  }
  Point endPoint() const;  // the last point (undefined for close: gives points[0])
  friend bool operator==(const PathElement& l, const PathElement& r);
};

class Path {
 public:
  Path() = default;

  // --- building -------------------------------------------------------------------
  // lineTo, quadTo and cubicTo need a current point: on an empty path they do nothing.
  // After close, drawing continues from the start of the closed subpath.
  void moveTo(Point p) {
    append(PathElementType::move, p, {}, {});
    subpathStart_ = p;
    subpathOpen_ = true;
  }
  void lineTo(Point p) {
    if (elements_.empty()) return;
    append(PathElementType::line, p, {}, {});
    subpathOpen_ = true;
  }
  void quadTo(Point control, Point end) {
    if (elements_.empty()) return;
    append(PathElementType::quad, control, end, {});
    subpathOpen_ = true;
  }
  void cubicTo(Point c1, Point c2, Point end) {
    if (elements_.empty()) return;
    append(PathElementType::cubic, c1, c2, end);
    subpathOpen_ = true;
  }
  // Does nothing when no subpath is open.
  void close() {
    if (!subpathOpen_) return;
    append(PathElementType::close, {}, {}, {});
    subpathOpen_ = false;
  }
  void reserve(std::size_t elements) { elements_.reserve(elements); }
  void clear() { elements_.clear(); subpathOpen_ = false; }

  // M minX,minY; L maxX,minY; L maxX,maxY; L minX,maxY; Z
  void addRect(const Rect& r);
  void addRect(const Rect& r, const AffineTransform& t);
  // Move to (maxX, midY), four cubic quarters (k = 0.5522847498) through (midX, maxY),
  // (minX, midY), (midX, minY), close.
  void addEllipse(const Rect& r);
  void addEllipse(const Rect& r, const AffineTransform& t);
  // cw, ch clamped to [0, w/2], [0, h/2] (NaN -> 0); exactly addRect when either is 0;
  // else move (minX+cw, minY) and, corner by corner, a line then a quarter-ellipse
  // cubic, close.
  void addRoundedRect(const Rect& r, double cw, double ch);
  void addRoundedRect(const Rect& r, double cw, double ch, const AffineTransform& t);
  void addPath(const Path& other);
  void addPath(const Path& other, const AffineTransform& t);

  Path transformed(const AffineTransform& t) const;

  // --- reading --------------------------------------------------------------------
  const std::vector<PathElement>& elements() const { return elements_; }
  std::size_t size() const { return elements_.size(); }
  bool empty() const { return elements_.empty(); }
  // The last point added (origin when empty); after close, the start of that subpath.
  Point currentPoint() const;
  // Exact bounds of the drawn outline (curve extrema, not control points); the null
  // rectangle for an empty path.
  Rect bounds() const;
  // Bounds of every point, control points included.
  Rect controlPointBounds() const;
  // Point containment under the non-zero winding rule, or the even-odd rule.
  bool contains(Point p, bool evenOdd = false) const;

  // Parses the short form in which outlines are written:
  //   "M 70,70; L 20,70; Q cx,cy x,y; C x1,y1 x2,y2 x,y; Z."
  // elements separated by ";", an optional final ".", numbers with sign and fraction.
  // Blanks alone also separate elements ("M 5,0 C 7.19,0 8.41,0 9.2,0.8 Z"); "" is the
  // empty path. Returns none for malformed text (a drawing element before any move,
  // missing or extra points, non-finite numbers, relative lower-case commands).
  static std::optional<Path> parse(std::string_view text);
  // The same short form (numbers in shortest round-trip form), for messages and tests.
  std::string description() const;

  friend bool operator==(const Path& l, const Path& r) { return l.elements_ == r.elements_; }

 private:
  // Building is the innermost loop of every shape: the element's fields are written in
  // place (a temporary element copied into the vector stalls on store forwarding), and
  // growing is kept out of line so that the common path carries no call.
  void append(PathElementType type, Point p0, Point p1, Point p2) {
    if (elements_.size() == elements_.capacity()) [[unlikely]]
      grow();
    if (elements_.size() == elements_.capacity()) __builtin_unreachable();
    PathElement& e = elements_.emplace_back();
    e.type = type;
    e.points[0] = p0;
    e.points[1] = p1;
    e.points[2] = p2;
  }
  [[gnu::noinline]] void grow();

  std::vector<PathElement> elements_;
  Point subpathStart_{};
  bool subpathOpen_ = false;
};

// Element by element comparison with a tolerance on every coordinate.
bool approximatelyEqual(const Path& l, const Path& r, double tolerance = 1e-9);

}  // namespace gfx
