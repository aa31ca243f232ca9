#pragma once
// Plain-text pictures of a QR code model's current matrix, exactly its cells (no margin
// is added; the matrix's own border ring shows as blank). Every line ends with a line
// feed, the last one included; an empty matrix gives the empty text. Computed on every
// call; the design plays no part.

#include <string>

#include "QRCode/core/QRCode.hpp"
#include "QRCode/core/QRCodeBoolMatrix.hpp"

namespace qrrender {

// Two characters per module: "██" (two U+2588) for an on module, two spaces for an off
// one; N lines of 2N characters.
std::string asciiRepresentation(const QRCode& qrcode);
std::string asciiRepresentation(const QRCodeBoolMatrix& matrix);

// Two matrix rows per line, one character per column: U+2588 when both modules are on,
// U+2580 (upper half) when only the top one is, U+2584 (lower half) when only the bottom
// one is, a space when neither is. The last line of an odd N shows the last row alone
// (upper halves and spaces). ceil(N / 2) lines of N characters.
std::string smallAsciiRepresentation(const QRCode& qrcode);
std::string smallAsciiRepresentation(const QRCodeBoolMatrix& matrix);

}  // namespace qrrender
