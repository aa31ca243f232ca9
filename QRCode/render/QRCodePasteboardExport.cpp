#include "QRCode/render/QRCodePasteboardExport.hpp"

#include <cmath>
#include <exception>
#include <limits>
#include <optional>
#include <string_view>
#include <utility>

#include "QRCode/render/QRCodeImageExports.hpp"
#include "QRCode/render/QRCodeSVGExport.hpp"
#include "platform/foundation/Error.hpp"

namespace qrrender {

namespace {

// Runs one form's maker and writes its bytes under the type; a form that fails is left
// out and its error dropped.
template <class Make>
void writeForm(foundation::Pasteboard& pasteboard, std::string_view type, Make&& make) {
  std::optional<foundation::Bytes> bytes;
  try {
    bytes = std::forward<Make>(make)();
  } catch (const std::exception&) {
    return;
  }
  pasteboard.setData(std::move(*bytes), type);
}

// The integer dimension of the size form's SVG: the width truncated toward zero; none for
// a width outside the integer range.
std::optional<std::int64_t> truncatedDimension(double width) {
  constexpr double limit = 9223372036854775808.0;  // 2^63
  if (!std::isfinite(width) || width <= -limit || width >= limit) return std::nullopt;
  return static_cast<std::int64_t>(width);
}

void writeForms(const QRCode& qrcode, gfx::Size size, std::optional<std::int64_t> svgDimension, double dpi,
                QRCodeDesign& design, const QRCodeLogoTemplate* logoTemplate, foundation::Pasteboard& pasteboard) {
  clearPasteboard(pasteboard);
  writeForm(pasteboard, foundation::Pasteboard::typePDF,
            [&] { return pdfData(qrcode, size, dpi, design, logoTemplate); });
  // Each bitmap form makes its own bitmap.
  writeForm(pasteboard, foundation::Pasteboard::typeTIFF, [&] {
    return tiffData(qrcode, size, dpi, design, logoTemplate, std::numeric_limits<double>::infinity());
  });
  writeForm(pasteboard, foundation::Pasteboard::typePNG,
            [&] { return pngData(qrcode, size, dpi, design, logoTemplate); });
  if (svgDimension)
    writeForm(pasteboard, foundation::Pasteboard::typeSVG,
              [&] { return svgData(qrcode, *svgDimension, design, logoTemplate); });
}

}  // namespace

void clearPasteboard(foundation::Pasteboard& pasteboard) {
  if (!pasteboard.clearContents())
    foundation::raise(foundation::PasteboardError::unavailable,
                      "the pasteboard \"" + pasteboard.name() + "\" has no clipboard to write to");
}

void addToPasteboard(const QRCode& qrcode, gfx::Size size, double dpi, QRCodeDesign& design,
                     const QRCodeLogoTemplate* logoTemplate, foundation::Pasteboard& pasteboard) {
  writeForms(qrcode, size, truncatedDimension(size.width), dpi, design, logoTemplate, pasteboard);
}

void addToPasteboardWithDimension(const QRCode& qrcode, std::int64_t dimension, double dpi, QRCodeDesign& design,
                                  const QRCodeLogoTemplate* logoTemplate, foundation::Pasteboard& pasteboard) {
  const double d = static_cast<double>(dimension);
  writeForms(qrcode, gfx::Size{d, d}, dimension, dpi, design, logoTemplate, pasteboard);
}

}  // namespace qrrender
