#include "QRCode/core/QRCodePathHelpers.hpp"

#include <cmath>
#include <stdexcept>

#include "QRCode/core/SVGNumber.hpp"

using gfx::Path;
using gfx::PathElement;
using gfx::PathElementType;
using gfx::Point;

Path qrcore::builtInOutline(std::string_view text) {
  auto path = Path::parse(text);
  if (!path) throw std::logic_error("built-in outline does not parse: " + std::string(text));
  return std::move(*path);
}

Path qrcore::roundedRect(const gfx::Rect& rect, QRCode::Corners corners, double radius) {
  const double x0 = rect.minX(), y0 = rect.minY(), x1 = rect.maxX(), y1 = rect.maxY();
  const double rTL = corners.contains(QRCode::Corners::topLeft) ? radius : 0;
  const double rTR = corners.contains(QRCode::Corners::topRight) ? radius : 0;
  const double rBL = corners.contains(QRCode::Corners::bottomLeft) ? radius : 0;
  const double rBR = corners.contains(QRCode::Corners::bottomRight) ? radius : 0;

  Path path;
  path.reserve(10);
  path.moveTo({x0 + rTL, y0});
  // (x1, y0): topRight
  if (rTR == 0) {
    path.lineTo({x1, y0});
  } else {
    path.lineTo({x1 - rTR, y0});
    path.cubicTo({x1, y0}, {x1, y0 + rTR}, {x1, y0 + rTR});
  }
  // (x1, y1): bottomLeft
  if (rBL == 0) {
    path.lineTo({x1, y1});
  } else {
    path.lineTo({x1, y1 - rBL});
    path.cubicTo({x1, y1}, {x1 - rBL, y1}, {x1 - rBL, y1});
  }
  // (x0, y1): bottomRight
  if (rBR == 0) {
    path.lineTo({x0, y1});
  } else {
    path.lineTo({x0 + rBR, y1});
    path.cubicTo({x0, y1}, {x0, y1 - rBR}, {x0, y1 - rBR});
  }
  // (x0, y0): topLeft
  if (rTL == 0) {
    path.lineTo({x0, y0});
  } else {
    path.lineTo({x0, y0 + rTL});
    path.cubicTo({x0, y0}, {x0 + rTL, y0}, {x0 + rTL, y0});
  }
  path.close();
  return path;
}

Path qrcore::hexagonLeafPath(const gfx::Rect& rect, bool rounded, double r) {
  const double x0 = rect.minX(), xm = rect.midX(), x1 = rect.maxX();
  const double y0 = rect.minY(), ym = rect.midY(), y1 = rect.maxY();
  Path path;
  if (!rounded || r == 0) {
    path.reserve(7);
    path.moveTo({x0, y0});
    path.lineTo({xm, y0});
    path.lineTo({x1, ym});
    path.lineTo({x1, y1});
    path.lineTo({xm, y1});
    path.lineTo({x0, ym});
    path.lineTo({x0, y0});
    return path;
  }
  path.reserve(13);
  path.moveTo({x0 + r, y0});
  path.lineTo({xm - r, y0});
  path.cubicTo({xm, y0}, {xm + r, y0 + r}, {xm + r, y0 + r});
  path.lineTo({x1 - r, ym - r});
  path.cubicTo({x1, ym}, {x1, ym + r}, {x1, ym + r});
  path.lineTo({x1, y1 - r});
  path.cubicTo({x1, y1}, {x1 - r, y1}, {x1 - r, y1});
  path.lineTo({xm + r, y1});
  path.cubicTo({xm, y1}, {xm - r, y1 - r}, {xm - r, y1 - r});
  path.lineTo({x0 + r, ym + r});
  path.cubicTo({x0, ym}, {x0, ym - r}, {x0, ym - r});
  path.lineTo({x0, y0 + r});
  path.cubicTo({x0, y0}, {x0 + r, y0}, {x0 + r, y0});
  return path;
}

// --- SVG path data ----------------------------------------------------------------------

namespace {

char* writePair(char* out, Point p, char separator) {
  out = qrcore::writeSVGNumber(out, p.x);
  *out++ = separator;
  return qrcore::writeSVGNumber(out, p.y);
}

// Writes one element's text at out, which has room for kMaxElementLength characters.
char* writeCommand(char* out, const PathElement& e) {
  switch (e.type) {
    case PathElementType::move:
      *out++ = 'M';
      return writePair(out, e.points[0], ' ');
    case PathElementType::line:
      *out++ = 'L';
      return writePair(out, e.points[0], ' ');
    case PathElementType::quad:
      *out++ = 'Q';
      out = writePair(out, e.points[0], ',');
      *out++ = ' ';
      return writePair(out, e.points[1], ',');
    case PathElementType::cubic:
      *out++ = 'C';
      out = writePair(out, e.points[0], ',');
      *out++ = ' ';
      out = writePair(out, e.points[1], ',');
      *out++ = ' ';
      return writePair(out, e.points[2], ',');
    default:
      *out++ = 'Z';
      return out;
  }
}

// A command letter, six numbers with a separator after each.
constexpr std::size_t kMaxElementLength = 1 + 6 * (qrcore::kMaxSVGNumberLength + 1);

}  // namespace

std::string qrcore::svgPathCommand(const PathElement& element) {
  char text[kMaxElementLength];
  return std::string(text, writeCommand(text, element));
}

char* qrcore::detail::writeSVGPathData(const Path& path, std::size_t& next, char* begin, char* end) {
  static_assert(kSVGPathChunkLength >= kMaxElementLength);
  const std::span<const PathElement> elements = path.elements();
  char* out = begin;
  for (; next < elements.size() && static_cast<std::size_t>(end - out) >= kMaxElementLength; ++next) {
    out = writeCommand(out, elements[next]);
    *out++ = ' ';
  }
  return out;
}

std::size_t qrcore::svgPathDataLengthBound(const Path& path) {
  // A number is at most a sign, seven integer digits, a point and three fraction digits,
  // with a separator after it; a cubic, the longest element, adds its letter to six.
  return path.size() * (1 + 6 * 13);
}

std::string qrcore::svgPathData(const Path& path) {
  std::string out;
  out.reserve(svgPathDataLengthBound(path));
  appendSVGPathData(path, [&](std::string_view piece) { out.append(piece); });
  return out;
}

// --- path element JSON ------------------------------------------------------------------

namespace {

using foundation::Settings;

int kindOf(PathElementType type) {
  switch (type) {
    case PathElementType::move: return 0;
    case PathElementType::line: return 1;
    case PathElementType::quad: return 2;
    case PathElementType::cubic: return 3;
    case PathElementType::close: return 4;
  }
  return 4;
}

// Integral values as JSON integers, others as floats; non-finite values are an error.
Settings coordinate(double v) {
  if (!std::isfinite(v))
    foundation::raise(PathCodingError::invalidValue, "non-finite path coordinate");
  if (v == std::trunc(v) && std::fabs(v) < 9007199254740992.0)
    return Settings(static_cast<std::int64_t>(v));
  return Settings(v);
}

// A JSON number that is not a boolean, as a double (path JSON has no boolean numbers).
std::optional<double> plainNumber(const Settings& v) {
  if (v.is_boolean()) return std::nullopt;
  return foundation::DoubleValue(v);
}

std::string at(std::size_t index) { return "element " + std::to_string(index); }

Point readPoint(const Settings& v, std::size_t index) {
  if (!v.is_array() || v.size() < 2)
    foundation::raise(PathCodingError::typeMismatch, at(index) + ": a point is not [x, y]");
  const std::optional<double> x = plainNumber(v[0]);
  const std::optional<double> y = plainNumber(v[1]);
  if (!x || !y)
    foundation::raise(PathCodingError::typeMismatch, at(index) + ": a coordinate is not a number");
  return {*x, *y};
}

}  // namespace

Settings qrcore::pathElementJSON(const Path& path) {
  Settings array = Settings::array();
  array.get_ref<Settings::array_t&>().reserve(path.size());
  for (const PathElement& e : path.elements()) {
    Settings object = Settings::object();
    const int kind = kindOf(e.type);
    object["type"] = kind;
    if (kind != 4) {
      Settings points = Settings::array();
      const int count = kind == 2 ? 2 : kind == 3 ? 3 : 1;
      for (int i = 0; i < count; ++i)
        points.push_back(Settings::array({coordinate(e.points[i].x), coordinate(e.points[i].y)}));
      object["points"] = std::move(points);
    }
    array.push_back(std::move(object));
  }
  return array;
}

Path qrcore::pathFromElementJSON(const Settings& json) {
  if (!json.is_array())
    foundation::raise(PathCodingError::dataCorrupted, "path element JSON is not an array");
  Path path;
  path.reserve(json.size());
  std::size_t index = 0;
  for (const Settings& element : json) {
    if (!element.is_object())
      foundation::raise(PathCodingError::typeMismatch, at(index) + " is not an object");
    const Settings* type = foundation::find(element, "type");
    if (!type || type->is_null())
      foundation::raise(PathCodingError::keyNotFound, at(index) + " has no \"type\"");
    const std::optional<double> kindValue = plainNumber(*type);
    if (!kindValue || *kindValue != std::trunc(*kindValue))
      foundation::raise(PathCodingError::typeMismatch, at(index) + ": \"type\" is not an integer");
    // A whole number beyond the 64-bit range is an unknown kind like any other.
    const std::int64_t kind = std::fabs(*kindValue) < 9.2e18 ? static_cast<std::int64_t>(*kindValue) : -1;

    Point points[3];
    std::size_t pointCount = 0;
    const Settings* list = foundation::find(element, "points");
    if (list && !list->is_null()) {
      if (!list->is_array())
        foundation::raise(PathCodingError::typeMismatch, at(index) + ": \"points\" is not an array");
      for (const Settings& p : *list) {
        const Point point = readPoint(p, index);
        if (pointCount < 3) points[pointCount] = point;
        ++pointCount;
      }
    }
    const std::size_t needed = kind == 0 || kind == 1 ? 1 : kind == 2 ? 2 : kind == 3 ? 3 : 0;
    if (pointCount < needed)
      foundation::raise(PathCodingError::dataCorrupted,
                        at(index) + " of type " + std::to_string(kind) + " needs " +
                            std::to_string(needed) + " points");
    switch (kind) {
      case 0: path.moveTo(points[0]); break;
      case 1: path.lineTo(points[0]); break;
      case 2: path.quadTo(points[0], points[1]); break;
      case 3: path.cubicTo(points[0], points[1], points[2]); break;
      case 4: path.close(); break;
      default: break;  // unknown kinds add nothing
    }
    ++index;
  }
  return path;
}

foundation::Bytes CGPathCodable::encodePath(const Path& path) {
  const std::optional<std::string> text = foundation::writeJSON(qrcore::pathElementJSON(path), 2);
  if (!text) foundation::raise(PathCodingError::invalidValue, "path element JSON cannot be written");
  return foundation::bytesOf(*text);
}

Path CGPathCodable::decodePath(std::span<const std::uint8_t> json) {
  const std::optional<Settings> value = foundation::readJSON(
      std::string_view(reinterpret_cast<const char*>(json.data()), json.size()));
  if (!value) foundation::raise(PathCodingError::dataCorrupted, "path element JSON is malformed");
  return qrcore::pathFromElementJSON(*value);
}

Settings CGPathCodable::encode() const {
  return Settings(foundation::base64Encode(encodePath(path)));
}

CGPathCodable CGPathCodable::decode(const Settings& value) {
  const std::optional<std::string> text = foundation::StringValue(value);
  if (!text) foundation::raise(PathCodingError::typeMismatch, "path value is not base64 text");
  const std::optional<foundation::Bytes> bytes = foundation::base64Decode(*text);
  if (!bytes) foundation::raise(PathCodingError::dataCorrupted, "path value is not valid base64");
  return CGPathCodable(decodePath(*bytes));
}

Path qrcore::bezierPathFromCGPath(const Path& path) {
  constexpr double twoThirds = 0.6666666666666666;
  Path result;
  result.reserve(path.size());
  for (const PathElement& e : path.elements()) {
    switch (e.type) {
      case PathElementType::move: result.moveTo(e.points[0]); break;
      case PathElementType::line: result.lineTo(e.points[0]); break;
      case PathElementType::cubic: result.cubicTo(e.points[0], e.points[1], e.points[2]); break;
      case PathElementType::close: result.close(); break;
      case PathElementType::quad: {
        const Point p = result.currentPoint();
        const Point q = e.points[0];
        const Point end = e.points[1];
        const Point c1{p.x + (q.x - p.x) * twoThirds, p.y + (q.y - p.y) * twoThirds};
        const Point c2{end.x + (q.x - end.x) * twoThirds, end.y + (q.y - end.y) * twoThirds};
        result.cubicTo(c1, c2, end);
        break;
      }
    }
  }
  return result;
}
