#pragma once
// Path helpers shared by the shape generators and the exports: the rectangle with a chosen
// set of rounded corners, the hexagon-leaf outline, SVG path data, the path element JSON
// (and its base64 wrapper CGPathCodable), and conversion of quadratic curves to cubics.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "QRCode/core/QRCodeCorners.hpp"
#include "platform/foundation/Error.hpp"
#include "platform/foundation/Settings.hpp"
#include "platform/foundation/Text.hpp"
#include "platform/graphics/Path.hpp"

// Errors of the path element JSON reader and writer; the text says what went wrong.
enum class PathCodingError {
  dataCorrupted,  // not JSON, or not an array of objects
  typeMismatch,   // a member of the wrong kind ("type" not integral, a point not [x, y])
  keyNotFound,    // an element without "type"
  invalidValue,   // writing: a non-finite coordinate
};
template <>
struct foundation::ErrorTraits<PathCodingError> {
  static constexpr std::string_view domain = "PathCodingError";
  static constexpr std::array<std::string_view, 4> cases{"dataCorrupted", "typeMismatch",
                                                         "keyNotFound", "invalidValue"};
};

namespace qrcore {
// The path of a built-in outline pasted in the short form (see gfx::Path::parse). Such an
// outline is a constant of this library: one that does not parse is a programming error
// and throws std::logic_error naming the text (at the first use of the shape, so every
// test that draws it fails).
gfx::Path builtInOutline(std::string_view text);

// A rectangle whose corners in the set are rounded by radius (each corner curve runs from
// one radius before the corner to one radius after it, with the corner as first control
// point and the end point as second). Corner members map to: topLeft (minX, minY),
// topRight (maxX, minY), bottomLeft (maxX, maxY), bottomRight (minX, maxY). The radius is
// used unchanged. Move, then per corner a line (and a cubic when rounded), then close.
gfx::Path roundedRect(const gfx::Rect& rect, QRCode::Corners corners, double radius);

// The hexagon-leaf outline through (minX, minY), (midX, minY), (maxX, midY), (maxX, maxY),
// (midX, maxY), (minX, midY); with rounded and radius > 0 every vertex is rounded by
// radius. No close element.
gfx::Path hexagonLeafPath(const gfx::Rect& rect, bool rounded, double radius);

// One element's SVG text: "Mx y", "Lx y", "Qcx,cy ex,ey", "Cc1x,c1y c2x,c2y ex,ey", "Z".
std::string svgPathCommand(const gfx::PathElement& element);
// Every element's text followed by one blank (so non-empty data ends with a blank).
std::string svgPathData(const gfx::Path& path);

// The longest that text can be when every coordinate is below 2^22 in magnitude (as in
// any drawn code), for reserving room ahead; reckoned from the element count alone.
std::size_t svgPathDataLengthBound(const gfx::Path& path);

namespace detail {
inline constexpr std::size_t kSVGPathChunkLength = 16384;
// Writes the data of the elements from `next` on into [begin, end), which holds at least
// kSVGPathChunkLength characters, while the next one surely fits; advances `next` and
// returns the end of what was written.
char* writeSVGPathData(const gfx::Path& path, std::size_t& next, char* begin, char* end);
}  // namespace detail

// Hands the same text to append(std::string_view) in pieces of a few kilobytes, so that a
// writer puts it straight into its own buffer.
template <class Append>
void appendSVGPathData(const gfx::Path& path, Append&& append) {
  char chunk[detail::kSVGPathChunkLength];
  for (std::size_t next = 0; next < path.size();)
    append(std::string_view(chunk, detail::writeSVGPathData(path, next, chunk, chunk + sizeof chunk)));
}

// The path as a JSON array of {"type": 0...4, "points": [[x, y], ...]} objects (no
// "points" for close), integral coordinates written as integers.
foundation::Settings pathElementJSON(const gfx::Path& path);
// Builds a path from such an array: kinds 0 to 4 as written, any other kind skipped, extra
// points ignored, other keys ignored. Raises PathCodingError for anything else (an element
// of kind 0 to 3 with too few points included).
gfx::Path pathFromElementJSON(const foundation::Settings& json);
}  // namespace qrcore

// The path element JSON as pretty-printed text, and back; CGPathCodable wraps it as one
// binary value, written in JSON documents as base64 text.
class CGPathCodable {
 public:
  gfx::Path path;

  CGPathCodable() = default;
  explicit CGPathCodable(gfx::Path p) : path(std::move(p)) {}

  // Pretty-printed path element JSON (raises PathCodingError::invalidValue for a
  // non-finite coordinate).
  static foundation::Bytes encodePath(const gfx::Path& path);
  // Raises PathCodingError for malformed JSON or elements.
  static gfx::Path decodePath(std::span<const std::uint8_t> json);

  // The wrapper as one JSON value: the base64 text of encodePath(path).
  foundation::Settings encode() const;
  // Reads that value back: a base64 text of path element JSON (raises PathCodingError).
  static CGPathCodable decode(const foundation::Settings& value);
};

namespace qrcore {
// The path with every quadratic curve raised to a cubic from the current point p:
// c1 = p + (q - p) * 2/3, c2 = e + (q - e) * 2/3; every other element unchanged.
gfx::Path bezierPathFromCGPath(const gfx::Path& path);
}  // namespace qrcore
