#include "platform/graphics/Path.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

#include "platform/foundation/Clamp.hpp"

namespace gfx {
namespace {

constexpr double kEllipseK = 0.5522847498;

// Grows capacity geometrically for `extra` more elements; a plain reserve(size + extra)
// on every call would reallocate on every call.
void makeRoom(std::vector<PathElement>& v, std::size_t extra) {
  const std::size_t needed = v.size() + extra;
  if (needed > v.capacity()) v.reserve(std::max(needed, v.capacity() * 2));
}

// --- bounds ---------------------------------------------------------------------------

struct Extent {
  double x0 = std::numeric_limits<double>::infinity();
  double y0 = std::numeric_limits<double>::infinity();
  double x1 = -std::numeric_limits<double>::infinity();
  double y1 = -std::numeric_limits<double>::infinity();
  bool any = false;

  void add(Point p) {
    any = true;
    x0 = std::min(x0, p.x);
    x1 = std::max(x1, p.x);
    y0 = std::min(y0, p.y);
    y1 = std::max(y1, p.y);
  }
  Rect rect() const { return any ? Rect(x0, y0, x1 - x0, y1 - y0) : Rect::null(); }
};

double cubicAt(double p0, double p1, double p2, double p3, double t) {
  const double u = 1 - t;
  return u * u * u * p0 + 3 * u * u * t * p1 + 3 * u * t * t * p2 + t * t * t * p3;
}

// Parameters in (0, 1) where one coordinate of a cubic has a zero derivative.
int cubicExtrema(double p0, double p1, double p2, double p3, double out[2]) {
  // B'(t)/3 = a t^2 + b t + c
  const double a = -p0 + 3 * p1 - 3 * p2 + p3;
  const double b = 2 * (p0 - 2 * p1 + p2);
  const double c = p1 - p0;
  int n = 0;
  auto keep = [&](double t) {
    if (t > 0 && t < 1) out[n++] = t;
  };
  const double scale = std::max({std::fabs(a), std::fabs(b), std::fabs(c)});
  if (scale == 0) return 0;
  if (std::fabs(a) <= 1e-12 * scale) {
    if (b != 0) keep(-c / b);
    return n;
  }
  const double disc = b * b - 4 * a * c;
  if (disc < 0) return 0;
  const double sq = std::sqrt(disc);
  // The numerically stable pair of roots.
  const double q = -0.5 * (b + (b < 0 ? -sq : sq));
  keep(q / a);
  if (q != 0) keep(c / q);
  return n;
}

void addCubicExtent(Extent& e, Point p0, Point p1, Point p2, Point p3) {
  e.add(p3);
  double ts[2];
  for (int i = 0, n = cubicExtrema(p0.x, p1.x, p2.x, p3.x, ts); i < n; ++i)
    e.add({cubicAt(p0.x, p1.x, p2.x, p3.x, ts[i]), cubicAt(p0.y, p1.y, p2.y, p3.y, ts[i])});
  for (int i = 0, n = cubicExtrema(p0.y, p1.y, p2.y, p3.y, ts); i < n; ++i)
    e.add({cubicAt(p0.x, p1.x, p2.x, p3.x, ts[i]), cubicAt(p0.y, p1.y, p2.y, p3.y, ts[i])});
}

void addQuadExtent(Extent& e, Point p0, Point c, Point p1) {
  e.add(p1);
  auto at = [&](double t) {
    const double u = 1 - t;
    return Point{u * u * p0.x + 2 * u * t * c.x + t * t * p1.x,
                 u * u * p0.y + 2 * u * t * c.y + t * t * p1.y};
  };
  const double dx = p0.x - 2 * c.x + p1.x;
  if (dx != 0) {
    const double t = (p0.x - c.x) / dx;
    if (t > 0 && t < 1) e.add(at(t));
  }
  const double dy = p0.y - 2 * c.y + p1.y;
  if (dy != 0) {
    const double t = (p0.y - c.y) / dy;
    if (t > 0 && t < 1) e.add(at(t));
  }
}

// --- containment ----------------------------------------------------------------------

// Signed crossing of a horizontal ray from p towards +x by the segment a -> b: +1 for an
// upward crossing, -1 for a downward one. Half-open in y so shared vertices count once.
int lineWinding(Point a, Point b, Point p) {
  if (a.y <= p.y) {
    if (b.y > p.y) {
      const double side = (b.x - a.x) * (p.y - a.y) - (p.x - a.x) * (b.y - a.y);
      if (side > 0) return 1;
    }
  } else if (b.y <= p.y) {
    const double side = (b.x - a.x) * (p.y - a.y) - (p.x - a.x) * (b.y - a.y);
    if (side < 0) return -1;
  }
  return 0;
}

// The crossings of a cubic: where p lies outside the hull's box in y, or left of it, the
// curve crosses the ray exactly as its chord does; otherwise the curve is halved.
int cubicWinding(Point p0, Point p1, Point p2, Point p3, Point p, int depth) {
  const double ymin = std::min({p0.y, p1.y, p2.y, p3.y});
  const double ymax = std::max({p0.y, p1.y, p2.y, p3.y});
  if (p.y < ymin || p.y >= ymax) return lineWinding(p0, p3, p);
  const double xmax = std::max({p0.x, p1.x, p2.x, p3.x});
  if (p.x > xmax) return 0;
  const double xmin = std::min({p0.x, p1.x, p2.x, p3.x});
  if (p.x < xmin || depth == 0) return lineWinding(p0, p3, p);
  const Point a{(p0.x + p1.x) / 2, (p0.y + p1.y) / 2};
  const Point b{(p1.x + p2.x) / 2, (p1.y + p2.y) / 2};
  const Point c{(p2.x + p3.x) / 2, (p2.y + p3.y) / 2};
  const Point ab{(a.x + b.x) / 2, (a.y + b.y) / 2};
  const Point bc{(b.x + c.x) / 2, (b.y + c.y) / 2};
  const Point m{(ab.x + bc.x) / 2, (ab.y + bc.y) / 2};
  return cubicWinding(p0, a, ab, m, p, depth - 1) + cubicWinding(m, bc, c, p3, p, depth - 1);
}

// --- parsing --------------------------------------------------------------------------

struct Scanner {
  std::string_view text;
  std::size_t pos = 0;

  bool atEnd() const { return pos >= text.size(); }
  char peek() const { return atEnd() ? '\0' : text[pos]; }
  static bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
  // Skips blanks; returns whether any were skipped.
  bool skipBlanks() {
    const std::size_t start = pos;
    while (!atEnd() && isBlank(text[pos])) ++pos;
    return pos != start;
  }
  static bool isDigit(char c) { return c >= '0' && c <= '9'; }

  // [+-]? (digits [. digits*] | . digits) ([eE] [+-]? digits)?, finite.
  std::optional<double> number() {
    const std::size_t start = pos;
    std::size_t i = pos;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    const std::size_t body = i;
    std::size_t digits = 0;
    while (i < text.size() && isDigit(text[i])) ++i, ++digits;
    // A point belongs to the number only when a digit follows: "70." ends an outline.
    if (i + 1 < text.size() && text[i] == '.' && isDigit(text[i + 1])) {
      ++i;
      while (i < text.size() && isDigit(text[i])) ++i, ++digits;
    }
    if (digits == 0) return std::nullopt;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
      std::size_t j = i + 1;
      if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
      if (j < text.size() && isDigit(text[j])) {
        while (j < text.size() && isDigit(text[j])) ++j;
        i = j;
      } else {
        return std::nullopt;
      }
    }
    double value = 0;
    const auto result = std::from_chars(text.data() + body, text.data() + i, value);
    if (result.ec != std::errc() || result.ptr != text.data() + i || !std::isfinite(value)) {
      pos = start;
      return std::nullopt;
    }
    pos = i;
    return negative ? -value : value;
  }

  // number blanks? "," blanks? number
  std::optional<Point> point() {
    const auto x = number();
    if (!x) return std::nullopt;
    skipBlanks();
    if (peek() != ',') return std::nullopt;
    ++pos;
    skipBlanks();
    const auto y = number();
    if (!y) return std::nullopt;
    return Point{*x, *y};
  }

  // count points; blanks after the command letter are optional, between points required.
  bool points(Point* out, int count) {
    for (int i = 0; i < count; ++i) {
      if (!skipBlanks() && i > 0) return false;
      const auto p = point();
      if (!p) return false;
      out[i] = *p;
    }
    return true;
  }
};

void appendNumber(std::string& out, double v) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
  out.append(buffer, result.ptr);
}

}  // namespace

// --- PathElement ------------------------------------------------------------------------

Point PathElement::endPoint() const {
  const int n = pointCount();
  return n == 0 ? points[0] : points[n - 1];
}

bool operator==(const PathElement& l, const PathElement& r) {
  if (l.type != r.type) return false;
  for (int i = 0, n = l.pointCount(); i < n; ++i) {
    if (!(l.points[i] == r.points[i])) return false;
  }
  return true;
}

// --- building ---------------------------------------------------------------------------

void Path::grow() {
  elements_.reserve(std::max<std::size_t>(16, elements_.capacity() * 2));
}

void Path::addRect(const Rect& r) { addRect(r, AffineTransform::identity()); }

void Path::addRect(const Rect& r, const AffineTransform& t) {
  if (r.isNull()) return;
  makeRoom(elements_, 5);
  const double x0 = r.minX(), x1 = r.maxX(), y0 = r.minY(), y1 = r.maxY();
  moveTo(t.apply(Point{x0, y0}));
  lineTo(t.apply(Point{x1, y0}));
  lineTo(t.apply(Point{x1, y1}));
  lineTo(t.apply(Point{x0, y1}));
  close();
}

void Path::addEllipse(const Rect& r) { addEllipse(r, AffineTransform::identity()); }

void Path::addEllipse(const Rect& r, const AffineTransform& t) {
  if (r.isNull()) return;
  makeRoom(elements_, 6);
  const double x0 = r.minX(), x1 = r.maxX(), y0 = r.minY(), y1 = r.maxY();
  const double mx = r.midX(), my = r.midY();
  const double kx = kEllipseK * r.width() / 2, ky = kEllipseK * r.height() / 2;
  auto at = [&t](double x, double y) { return t.apply(Point{x, y}); };
  moveTo(at(x1, my));
  cubicTo(at(x1, my + ky), at(mx + kx, y1), at(mx, y1));
  cubicTo(at(mx - kx, y1), at(x0, my + ky), at(x0, my));
  cubicTo(at(x0, my - ky), at(mx - kx, y0), at(mx, y0));
  cubicTo(at(mx + kx, y0), at(x1, my - ky), at(x1, my));
  close();
}

void Path::addRoundedRect(const Rect& r, double cw, double ch) {
  addRoundedRect(r, cw, ch, AffineTransform::identity());
}

void Path::addRoundedRect(const Rect& r, double cw, double ch, const AffineTransform& t) {
  if (r.isNull()) return;
  const double w = r.width(), h = r.height();
  cw = foundation::clampedToRange(cw, 0.0, w / 2);
  ch = foundation::clampedToRange(ch, 0.0, h / 2);
  if (cw == 0 || ch == 0) {
    addRect(r, t);
    return;
  }
  makeRoom(elements_, 10);
  const double x0 = r.minX(), x1 = r.maxX(), y0 = r.minY(), y1 = r.maxY();
  const double kx = kEllipseK * cw, ky = kEllipseK * ch;
  auto at = [&t](double x, double y) { return t.apply(Point{x, y}); };
  moveTo(at(x0 + cw, y0));
  lineTo(at(x1 - cw, y0));
  cubicTo(at(x1 - cw + kx, y0), at(x1, y0 + ch - ky), at(x1, y0 + ch));
  lineTo(at(x1, y1 - ch));
  cubicTo(at(x1, y1 - ch + ky), at(x1 - cw + kx, y1), at(x1 - cw, y1));
  lineTo(at(x0 + cw, y1));
  cubicTo(at(x0 + cw - kx, y1), at(x0, y1 - ch + ky), at(x0, y1 - ch));
  lineTo(at(x0, y0 + ch));
  cubicTo(at(x0, y0 + ch - ky), at(x0 + cw - kx, y0), at(x0 + cw, y0));
  close();
}

void Path::addPath(const Path& other) {
  if (other.elements_.empty()) return;
  // Copying the count first makes appending a path to itself safe.
  const std::size_t n = other.elements_.size();
  makeRoom(elements_, n);
  const Point start = other.subpathStart_;
  const bool open = other.subpathOpen_;
  for (std::size_t i = 0; i < n; ++i) elements_.push_back(other.elements_[i]);
  subpathStart_ = start;
  subpathOpen_ = open;
}

void Path::addPath(const Path& other, const AffineTransform& t) {
  if (other.elements_.empty()) return;
  const std::size_t n = other.elements_.size();
  makeRoom(elements_, n);
  const Point start = t.apply(other.subpathStart_);
  const bool open = other.subpathOpen_;
  // Transforming all three point slots (those an element does not use are ignored
  // everywhere) is cheaper than branching on the element kind.
  const PathElement* source = other.elements_.data();
  for (std::size_t i = 0; i < n; ++i) {
    const PathElement& from = source[i];
    PathElement& to = elements_.emplace_back();
    to.type = from.type;
    to.points[0] = t.apply(from.points[0]);
    to.points[1] = t.apply(from.points[1]);
    to.points[2] = t.apply(from.points[2]);
  }
  subpathStart_ = start;
  subpathOpen_ = open;
}

Path Path::transformed(const AffineTransform& t) const {
  Path result = *this;
  for (auto& e : result.elements_) {
    for (int k = 0, count = e.pointCount(); k < count; ++k) e.points[k] = t.apply(e.points[k]);
  }
  result.subpathStart_ = t.apply(subpathStart_);
  return result;
}

// --- reading ----------------------------------------------------------------------------

Point Path::currentPoint() const {
  if (elements_.empty()) return {};
  const PathElement& last = elements_.back();
  return last.type == PathElementType::close ? subpathStart_ : last.endPoint();
}

Rect Path::bounds() const {
  Extent e;
  Point current{}, start{};
  for (const auto& el : elements_) {
    switch (el.type) {
      case PathElementType::move:
        e.add(el.points[0]);
        current = start = el.points[0];
        break;
      case PathElementType::line:
        e.add(current);
        e.add(el.points[0]);
        current = el.points[0];
        break;
      case PathElementType::quad:
        e.add(current);
        addQuadExtent(e, current, el.points[0], el.points[1]);
        current = el.points[1];
        break;
      case PathElementType::cubic:
        e.add(current);
        addCubicExtent(e, current, el.points[0], el.points[1], el.points[2]);
        current = el.points[2];
        break;
      case PathElementType::close:
        current = start;
        break;
    }
  }
  return e.rect();
}

Rect Path::controlPointBounds() const {
  Extent e;
  for (const auto& el : elements_) {
    for (int k = 0, n = el.pointCount(); k < n; ++k) e.add(el.points[k]);
  }
  return e.rect();
}

bool Path::contains(Point p, bool evenOdd) const {
  if (!std::isfinite(p.x) || !std::isfinite(p.y)) return false;
  constexpr int kDepth = 40;
  int winding = 0;
  Point current{}, start{};
  bool open = false;
  for (const auto& el : elements_) {
    switch (el.type) {
      case PathElementType::move:
        // Filling closes every subpath.
        if (open) winding += lineWinding(current, start, p);
        current = start = el.points[0];
        open = true;
        break;
      case PathElementType::line:
        winding += lineWinding(current, el.points[0], p);
        current = el.points[0];
        open = true;
        break;
      case PathElementType::quad: {
        const Point c = el.points[0], e = el.points[1];
        const Point c1{current.x + 2.0 / 3.0 * (c.x - current.x), current.y + 2.0 / 3.0 * (c.y - current.y)};
        const Point c2{e.x + 2.0 / 3.0 * (c.x - e.x), e.y + 2.0 / 3.0 * (c.y - e.y)};
        winding += cubicWinding(current, c1, c2, e, p, kDepth);
        current = e;
        open = true;
        break;
      }
      case PathElementType::cubic:
        winding += cubicWinding(current, el.points[0], el.points[1], el.points[2], p, kDepth);
        current = el.points[2];
        open = true;
        break;
      case PathElementType::close:
        winding += lineWinding(current, start, p);
        current = start;
        open = false;
        break;
    }
  }
  if (open) winding += lineWinding(current, start, p);
  return evenOdd ? (winding & 1) != 0 : winding != 0;
}

// --- text -------------------------------------------------------------------------------

std::optional<Path> Path::parse(std::string_view text) {
  Scanner s{text};
  Path path;
  path.reserve(text.size() / 8 + 1);
  s.skipBlanks();
  bool first = true;
  while (!s.atEnd()) {
    if (!first) {
      // Elements are separated by ";" or by blanks; a final "." ends the text.
      const bool blanks = s.skipBlanks();
      if (s.peek() == ';') {
        ++s.pos;
        s.skipBlanks();
      } else if (s.peek() == '.') {
        ++s.pos;
        s.skipBlanks();
        if (!s.atEnd()) return std::nullopt;
        break;
      } else if (s.atEnd()) {
        break;
      } else if (!blanks) {
        return std::nullopt;
      }
    }
    first = false;
    const char command = s.peek();
    ++s.pos;
    Point pts[3];
    switch (command) {
      case 'M':
        if (!s.points(pts, 1)) return std::nullopt;
        path.moveTo(pts[0]);
        break;
      case 'L':
        if (path.empty() || !s.points(pts, 1)) return std::nullopt;
        path.lineTo(pts[0]);
        break;
      case 'Q':
        if (path.empty() || !s.points(pts, 2)) return std::nullopt;
        path.quadTo(pts[0], pts[1]);
        break;
      case 'C':
        if (path.empty() || !s.points(pts, 3)) return std::nullopt;
        path.cubicTo(pts[0], pts[1], pts[2]);
        break;
      case 'Z':
        if (path.empty()) return std::nullopt;
        path.close();
        break;
      default:
        return std::nullopt;
    }
  }
  return path;
}

std::string Path::description() const {
  std::string out;
  out.reserve(elements_.size() * 24);
  for (const auto& e : elements_) {
    if (!out.empty()) out += "; ";
    switch (e.type) {
      case PathElementType::move: out += 'M'; break;
      case PathElementType::line: out += 'L'; break;
      case PathElementType::quad: out += 'Q'; break;
      case PathElementType::cubic: out += 'C'; break;
      case PathElementType::close: out += 'Z'; break;
    }
    for (int k = 0, n = e.pointCount(); k < n; ++k) {
      out += ' ';
      appendNumber(out, e.points[k].x);
      out += ',';
      appendNumber(out, e.points[k].y);
    }
  }
  if (!out.empty()) out += '.';
  return out;
}

bool approximatelyEqual(const Path& l, const Path& r, double tolerance) {
  const auto& a = l.elements();
  const auto& b = r.elements();
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].type != b[i].type) return false;
    for (int k = 0, n = a[i].pointCount(); k < n; ++k) {
      if (!(std::fabs(a[i].points[k].x - b[i].points[k].x) <= tolerance)) return false;
      if (!(std::fabs(a[i].points[k].y - b[i].points[k].y) <= tolerance)) return false;
    }
  }
  return true;
}

}  // namespace gfx
