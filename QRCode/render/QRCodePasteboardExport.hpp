#pragma once
// Puts a QR code model's current matrix, drawn with a design and an optional logo, on a
// pasteboard in four forms, written in this order after the pasteboard is cleared:
//   1. PDF   (Pasteboard::typePDF)   one page of size x 72 / dpi points;
//   2. TIFF  (Pasteboard::typeTIFF)  a size-pixel bitmap, no compression asked, dpi recorded;
//   3. PNG   (Pasteboard::typePNG)   a size-pixel bitmap, dpi recorded;
//   4. SVG   (Pasteboard::typeSVG)   the SVG text (UTF-8) of the integer dimension: the
//                                    width truncated toward zero in the size form, the
//                                    dimension itself in the dimension form.
// The forms are independent: one that cannot be made (a size no bitmap can have, a dpi
// of zero or less, a width outside the integer range for the SVG, a fill whose SVG text
// fails) is left out, its error dropped, and the next one is tried. Nothing is reported;
// when every form fails the pasteboard is left empty.
//
// A pasteboard that cannot be cleared has no clipboard behind it (a headless process, a
// toolkit not initialised): that raises PasteboardError::unavailable before any form is
// made. Runs on the thread the pasteboard asks for (the GTK main thread for the GTK
// clipboard).

#include <cstdint>

#include "QRCode/core/QRCode.hpp"
#include "platform/foundation/Pasteboard.hpp"
#include "platform/graphics/Geometry.hpp"

class QRCodeDesign;
class QRCodeLogoTemplate;

namespace qrrender {

// Clears the pasteboard; raises PasteboardError::unavailable when it cannot be reached.
void clearPasteboard(foundation::Pasteboard& pasteboard);

void addToPasteboard(const QRCode& qrcode, gfx::Size size, double dpi, QRCodeDesign& design,
                     const QRCodeLogoTemplate* logoTemplate, foundation::Pasteboard& pasteboard);
void addToPasteboardWithDimension(const QRCode& qrcode, std::int64_t dimension, double dpi, QRCodeDesign& design,
                                  const QRCodeLogoTemplate* logoTemplate, foundation::Pasteboard& pasteboard);

}  // namespace qrrender
