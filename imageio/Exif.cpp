#include "imageio/Exif.hpp"

#include <cstring>
#include <vector>

namespace {

constexpr std::uint16_t kOrientation = 0x0112, kXResolution = 0x011A, kYResolution = 0x011B,
                        kResolutionUnit = 0x0128;
constexpr std::uint16_t kShort = 3, kLong = 4, kRational = 5;

// Reads numbers of the block's byte order; anything past the end reads as none.
class ExifBytes {
 public:
  explicit ExifBytes(std::span<const std::uint8_t> block) : block_(block) {}
  bool bigEndian = false;

  std::optional<std::uint32_t> read(std::size_t at, std::size_t size) const {
    if (at > block_.size() || block_.size() - at < size) return std::nullopt;
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < size; ++i)
      value |= std::uint32_t{block_[at + i]} << (8 * (bigEndian ? size - 1 - i : i));
    return value;
  }

 private:
  std::span<const std::uint8_t> block_;
};

}  // namespace

ExifInfo imageio::readExif(std::span<const std::uint8_t> block) {
  ExifInfo info;
  if (block.size() < 8) return info;
  ExifBytes bytes(block);
  if (std::memcmp(block.data(), "MM\0*", 4) == 0) bytes.bigEndian = true;
  else if (std::memcmp(block.data(), "II*\0", 4) != 0) return info;
  const std::uint32_t directory = *bytes.read(4, 4);
  const auto count = bytes.read(directory, 2);
  if (!count) return info;
  std::optional<double> x, y;
  std::uint32_t unit = 2;  // inches, when the tag is absent
  for (std::uint32_t i = 0; i < *count; ++i) {
    const std::size_t entry = std::size_t{directory} + 2 + 12 * std::size_t{i};
    const auto tag = bytes.read(entry, 2), type = bytes.read(entry + 2, 2), values = bytes.read(entry + 4, 4);
    if (!tag || !type || !values) break;  // the directory is cut off
    if (*values != 1) continue;
    // A short or a long sits in the entry itself; a rational (two longs) at its offset.
    const auto number = [&]() -> std::optional<std::uint32_t> {
      if (*type == kShort) return bytes.read(entry + 8, 2);
      if (*type == kLong) return bytes.read(entry + 8, 4);
      return std::nullopt;
    };
    const auto rational = [&]() -> std::optional<double> {
      const auto offset = *type == kRational ? bytes.read(entry + 8, 4) : std::nullopt;
      const auto numerator = offset ? bytes.read(*offset, 4) : std::nullopt;
      const auto denominator = offset ? bytes.read(std::size_t{*offset} + 4, 4) : std::nullopt;
      if (!numerator || !denominator || *denominator == 0) return std::nullopt;
      return static_cast<double>(*numerator) / *denominator;
    };
    if (*tag == kOrientation) {
      if (const auto value = number(); value && *value >= 1 && *value <= 8) info.orientation = static_cast<int>(*value);
    } else if (*tag == kXResolution) {
      x = rational();
    } else if (*tag == kYResolution) {
      y = rational();
    } else if (*tag == kResolutionUnit) {
      unit = number().value_or(0);
    }
  }
  const double perInch = unit == 2 ? 1 : unit == 3 ? 2.54 : 0;  // 1 is "no unit"
  if (x && y && perInch > 0) info.dpi = gfx::Size{*x * perInch, *y * perInch};
  return info;
}

gfx::Image imageio::uprightImage(const gfx::Image& stored, int orientation) {
  if (orientation < 2 || orientation > 8 || stored.empty()) return stored;
  const int w = stored.width(), h = stored.height();
  const bool sideways = imageio::orientationTurnsSideways(orientation);
  const int outW = sideways ? h : w, outH = sideways ? w : h;
  // The stored pixel shown at (x, y) is (x0 + dxx x + dxy y, y0 + dyx x + dyy y).
  struct Walk {
    int x0, dxx, dxy, y0, dyx, dyy;
  };
  const Walk walks[9] = {{},
                         {},
                         {w - 1, -1, 0, 0, 0, 1},        // mirrored
                         {w - 1, -1, 0, h - 1, 0, -1},   // half round
                         {0, 1, 0, h - 1, 0, -1},        // flipped
                         {0, 0, 1, 0, 1, 0},             // transposed
                         {0, 0, 1, h - 1, -1, 0},        // a quarter clockwise
                         {w - 1, 0, -1, h - 1, -1, 0},   // transversed
                         {w - 1, 0, -1, 0, 1, 0}};       // a quarter anticlockwise
  const Walk& walk = walks[orientation];
  const std::size_t bpp = gfx::bytesPerPixel(stored.format()), inRow = stored.bytesPerRow();
  const std::uint8_t* in = stored.pixels().data();
  std::vector<std::uint8_t> out(static_cast<std::size_t>(outW) * static_cast<std::size_t>(outH) * bpp);
  std::uint8_t* to = out.data();
  const auto pixel = static_cast<std::ptrdiff_t>(bpp), row = static_cast<std::ptrdiff_t>(inRow);
  const std::ptrdiff_t step = walk.dxx * pixel + walk.dyx * row;
  for (int y = 0; y < outH; ++y) {
    std::ptrdiff_t at = (walk.x0 + walk.dxy * y) * pixel + (walk.y0 + walk.dyy * y) * row;
    for (int x = 0; x < outW; ++x, to += bpp, at += step) std::memcpy(to, in + at, bpp);
  }
  return gfx::Image::make(outW, outH, std::move(out), stored.format());
}
