#pragma once
// The SVG export of a QR code model's current matrix with a design and an optional logo:
// one SVG 1.1 document of dimension x dimension output units.
//
// The document holds, in order: the background rectangle (when the style has a
// background fill), one path element per drawn component (the negated on-pixels alone, or
// eye background, pupils, eyes, off-pixel background, off-pixels, on-pixel background and
// on-pixels), the logo image (base64 PNG, clipped by the logo's region), and a <defs>
// element with what the fills refer to (gradients, patterns, shadow filters) and the
// logo's clip path. Every path comes from the component path builder on the code area
// (the square less the design's extra quiet zone); every fill writes its own attributes
// and definitions, asked with the side of one module as the expected pixel size.
//
// The picture is the renderer's: the off-pixel layers are written only when the shape has
// off-pixels and the style fills them; the shadow falls on the eyes, pupils, on-pixels and
// the on-pixel background, never on the background, the eye background or the off-pixel
// layers.
//
// Numbers are written with svgNumberString (at most three fraction digits); the dimension
// and the background corner radius as integers. The corner radius is cell x
// backgroundFractionalCornerRadius truncated toward zero, limited to half the dimension
// (renderers draw a larger one the same way).
//
// Errors (foundation::Error):
//   the error of a fill whose SVG text cannot be made (RGBAComponentsError, ...);
//   RGBAComponentsError::unableToConvertToRGBA   an eye-background colour without sRGB form;
//   QRCodeError::cannotGenerateImage             a negative dimension, or an empty matrix;
//   QRCodeError::unableToConvertTextToRequestedEncoding   svgData: text that is not UTF-8.
// A logo image that cannot be encoded as PNG (or whose rectangle vanishes under its inset)
// is left out without error.

#include <cstdint>
#include <string>

#include "QRCode/core/QRCode.hpp"
#include "platform/foundation/Text.hpp"

class QRCodeDesign;
class QRCodeLogoTemplate;

namespace qrrender {

// The SVG text. The design is not const only because the path builder links a
// use-pixel-shape eye or pupil to the on-pixel shape; nothing is changed otherwise.
std::string svg(const QRCode& qrcode, std::int64_t dimension, QRCodeDesign& design,
                const QRCodeLogoTemplate* logoTemplate);
// The same text as UTF-8 bytes.
foundation::Bytes svgData(const QRCode& qrcode, std::int64_t dimension, QRCodeDesign& design,
                          const QRCodeLogoTemplate* logoTemplate);

// The names of the exported forms (svgWithDimension:design:logoTemplate:error: and
// svgDataWithDimension:design:logoTemplate:error:); foundation::attempt gives their
// non-throwing behaviour.
inline std::string svgWithDimension(const QRCode& qrcode, std::int64_t dimension, QRCodeDesign& design,
                                    const QRCodeLogoTemplate* logoTemplate) {
  return svg(qrcode, dimension, design, logoTemplate);
}
inline foundation::Bytes svgDataWithDimension(const QRCode& qrcode, std::int64_t dimension, QRCodeDesign& design,
                                              const QRCodeLogoTemplate* logoTemplate) {
  return svgData(qrcode, dimension, design, logoTemplate);
}

}  // namespace qrrender
