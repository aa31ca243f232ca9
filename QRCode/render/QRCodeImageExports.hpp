#pragma once
// Bitmap, PNG, JPEG, TIFF, PDF and platform-image exports of a QR code model's current
// matrix with a design and an optional logo. Every bitmap form starts from cgImage, which
// draws through the renderer into a bitmap canvas whose origin is the top-left corner.
//
// Sizes are pixels: a width or height is truncated toward zero (100.7 x 100.2 gives a
// 100 x 100 bitmap, drawn into the rectangle 100.7 x 100.2). dpi only sets the recorded
// resolution (encoded files) or the point size (platform image: pixels x 72 / dpi).
//
// Errors (foundation::Error):
//   QRCodeError::cannotGenerateImage      a size that is not finite or truncates to less
//                                         than 1 or more than 32767 pixels; a PDF
//                                         resolution that is not finite and positive, or
//                                         a page over gfx::Canvas::maxPDFPageSide points;
//                                         a platform image dpi that is not finite and
//                                         positive;
//   ImageReadWriteError::invalidDPI       the view image with a dpi that is not finite and
//                                         positive, or too small for a finite point size
//                                         (before the bitmap is made);
//   ImageReadWriteError::invalidDPI       PNG, JPEG, TIFF with dpi <= 0 or not finite
//                                         (after the bitmap is made);
//   ImageReadWriteError::cannotCreateImageOfType   the encoder failed.

#include <cstdint>
#include <string>

#include "QRCode/core/QRCode.hpp"
#include "imageio/PlatformImage.hpp"
#include "imageio/ViewImage.hpp"
#include "platform/foundation/Text.hpp"
#include "platform/graphics/Geometry.hpp"
#include "platform/graphics/Image.hpp"

class QRCodeDesign;
class QRCodeLogoTemplate;

namespace qrrender {

// --- bitmaps ---------------------------------------------------------------------------
gfx::Image cgImage(const QRCode& qrcode, gfx::Size size, QRCodeDesign& design,
                   const QRCodeLogoTemplate* logoTemplate);
gfx::Image cgImageWithDimension(const QRCode& qrcode, std::int64_t dimension, QRCodeDesign& design,
                                const QRCodeLogoTemplate* logoTemplate);

// --- encoded bitmaps -------------------------------------------------------------------
foundation::Bytes pngData(const QRCode& qrcode, gfx::Size size, double dpi, QRCodeDesign& design,
                          const QRCodeLogoTemplate* logoTemplate);
foundation::Bytes pngDataWithDimension(const QRCode& qrcode, std::int64_t dimension, double dpi,
                                       QRCodeDesign& design, const QRCodeLogoTemplate* logoTemplate);
// compression: +infinity asks for no particular quality; any other value is the quality,
// clamped to 0...1 by the writer (NaN counts as 0).
foundation::Bytes jpegData(const QRCode& qrcode, gfx::Size size, double dpi, QRCodeDesign& design,
                           const QRCodeLogoTemplate* logoTemplate, double compression);
foundation::Bytes jpegDataWithDimension(const QRCode& qrcode, std::int64_t dimension, double dpi,
                                        QRCodeDesign& design, const QRCodeLogoTemplate* logoTemplate,
                                        double compression);
foundation::Bytes tiffData(const QRCode& qrcode, gfx::Size size, double dpi, QRCodeDesign& design,
                           const QRCodeLogoTemplate* logoTemplate, double compression);
foundation::Bytes tiffDataWithDimension(const QRCode& qrcode, std::int64_t dimension, double dpi,
                                        QRCodeDesign& design, const QRCodeLogoTemplate* logoTemplate,
                                        double compression);

// --- PDF -------------------------------------------------------------------------------
// One page whose media box is the size scaled by 72 / pdfResolution, in points, drawn
// with its origin at the top-left corner. A page under one point or over
// gfx::Canvas::maxPDFPageSide a side fails with QRCodeError::cannotGenerateImage.
foundation::Bytes pdfData(const QRCode& qrcode, gfx::Size size, double pdfResolution, QRCodeDesign& design,
                          const QRCodeLogoTemplate* logoTemplate);
foundation::Bytes pdfDataWithDimension(const QRCode& qrcode, std::int64_t dimension, double pdfResolution,
                                       QRCodeDesign& design, const QRCodeLogoTemplate* logoTemplate);

// --- platform image --------------------------------------------------------------------
// The image of the size in pixels, with the point size scaled by 72 / dpi; a dpi that is
// not finite and positive, or that would make the point size infinite, fails with
// QRCodeError::cannotGenerateImage.
PlatformImage nsImage(const QRCode& qrcode, gfx::Size size, double dpi, QRCodeDesign& design,
                      const QRCodeLogoTemplate* logoTemplate);

// --- view image ------------------------------------------------------------------------
// The image of the declarative views: the bitmap of the size in pixels, shown at the scale
// dpi / 72, upright, with the caller's accessibility label. The scale is checked first
// (ViewImage::checkScale), then the size.
ViewImage swiftUIImage(const QRCode& qrcode, gfx::Size size, double dpi, QRCodeDesign& design,
                       const QRCodeLogoTemplate* logoTemplate, std::string label);

}  // namespace qrrender
