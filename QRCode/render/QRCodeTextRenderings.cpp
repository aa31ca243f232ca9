#include "QRCode/render/QRCodeTextRenderings.hpp"

#include <cstddef>
#include <string_view>

namespace qrrender {

namespace {

// UTF-8 forms of the block characters.
constexpr std::string_view kFullBlock = "\u2588";
constexpr std::string_view kUpperHalf = "\u2580";
constexpr std::string_view kLowerHalf = "\u2584";
constexpr std::string_view kTwoFullBlocks = "\u2588\u2588";
constexpr std::string_view kTwoSpaces = "  ";

}  // namespace

std::string asciiRepresentation(const QRCodeBoolMatrix& matrix) {
  const std::int64_t n = matrix.dimension();
  std::string text;
  if (n <= 0) return text;
  const auto side = static_cast<std::size_t>(n);
  text.reserve(side * (side * kTwoFullBlocks.size() + 1));
  const bool* cell = matrix.data();
  for (std::size_t r = 0; r < side; ++r) {
    for (std::size_t c = 0; c < side; ++c, ++cell) text.append(*cell ? kTwoFullBlocks : kTwoSpaces);
    text.push_back('\n');
  }
  return text;
}

std::string smallAsciiRepresentation(const QRCodeBoolMatrix& matrix) {
  const std::int64_t n = matrix.dimension();
  std::string text;
  if (n <= 0) return text;
  const auto side = static_cast<std::size_t>(n);
  text.reserve((side + 1) / 2 * (side * kFullBlock.size() + 1));
  const bool* cells = matrix.data();
  for (std::size_t r = 0; r < side; r += 2) {
    const bool* top = cells + r * side;
    // The last line of an odd dimension has no bottom row: it reads as all off.
    const bool* bottom = r + 1 < side ? top + side : nullptr;
    for (std::size_t c = 0; c < side; ++c) {
      const bool t = top[c];
      const bool b = bottom && bottom[c];
      if (t && b) text.append(kFullBlock);
      else if (t) text.append(kUpperHalf);
      else if (b) text.append(kLowerHalf);
      else text.push_back(' ');
    }
    text.push_back('\n');
  }
  return text;
}

std::string asciiRepresentation(const QRCode& qrcode) { return asciiRepresentation(*qrcode.boolMatrix()); }

std::string smallAsciiRepresentation(const QRCode& qrcode) { return smallAsciiRepresentation(*qrcode.boolMatrix()); }

}  // namespace qrrender
