#pragma once
// Encoding a bitmap image into the bytes of an image file: PNG, JPEG, TIFF, HEIC, GIF,
// a one-page PDF, or an SVG document that embeds the image.

#include <string_view>

#include "imageio/ImageExportType.hpp"
#include "imageio/PNG.hpp"
#include "platform/foundation/Settings.hpp"
#include "platform/foundation/Text.hpp"
#include "platform/graphics/Image.hpp"

namespace imageio {
// The PNG writer's settings used by encodeImageData for the given resolution. The
// compression level, filters and strategy were chosen by measuring size against time on
// rendered QR codes (bench/render.cpp).
PNGWriteOptions pngExportOptions(double dpi);
}  // namespace imageio

// The keys of the extra properties that encodeImageData understands (the names of the
// platform's image destination properties). Other keys are passed over, and so is a
// value of the wrong kind.
namespace ImageProperty {
// The resolution across and down, in dots per inch (numbers); 72 x scale by default.
inline constexpr std::string_view dpiWidth = "DPIWidth";
inline constexpr std::string_view dpiHeight = "DPIHeight";
// The quality of jpg and heic, clamped to 0...1 (a number); for tiff any value asks for
// its lossless compression. By default the type's compression.
inline constexpr std::string_view lossyCompressionQuality = "kCGImageDestinationLossyCompressionQuality";
// Whether to leave out GPS data (a boolean); no writer records any, so it always holds.
inline constexpr std::string_view excludeGPS = "kCGImageMetadataShouldExcludeGPS";
}  // namespace ImageProperty

namespace imageio {
// Encodes the image in the given format. The png, jpg, tiff and heic writers take the
// properties computed from the type with the extra properties merged over them: a key in
// both takes the extra value. svg hands the extra properties to its embedded image; gif
// and pdf pass them over. Throws ImageReadWriteError:
//   invalidDPI                     png, jpg, tiff, heic: the resolution, 72 x scale or
//                                  the extra one, is not greater than 0 (or not finite);
//   cannotCreateImageOfType(id)    the encoder cannot be set up or writes no bytes;
//   cannotCreatePDFContext         pdf: the page size is not usable or the PDF fails;
//   unsupportedEmbeddedImageType   svg: the embedded format is pdf, heic or svg;
//   internalError                  svg: a size that is not finite or is negative.
// Per format:
//   png   resolution in pHYs; an opaque image whose pixels are all grey is written as a
//         grey PNG (the same pixels, a quarter of the data);
//   jpg   transparent pixels composited onto white (JPEG has no alpha); the quality is
//         the compression clamped to 0...1 (NaN counts as 0), libjpeg's default without
//         one; the resolution in the JFIF header (whole dots per inch);
//   tiff  premultiplied RGBA (associated alpha); lossless LZW when a compression is
//         given, uncompressed otherwise; the resolution in inches;
//   heic  HEVC at the clamped quality; the resolution in an Exif block;
//   gif   colours kept exactly up to 255 (else median-cut), alpha below one half
//         transparent; 72 dpi (GIF records none);
//   pdf   one page of the given size in points (at most gfx::Canvas::maxPDFPageSide a
//         side), the image drawn upright over the whole page.
// No GPS data is ever written, so excludeGPSData holds for every format.
foundation::Bytes encodeImageData(const gfx::Image& image, const ImageExportType& type,
                                  const foundation::Settings& extraProperties = {});

// The bytes encodeImageData gives for ImageExportType::png(scale) and the image that
// Canvas::makeImage makes of these pixels, written from the pixels themselves without
// making that image. Fails as encodeImageData does for png.
foundation::Bytes encodePNGData(const gfx::SurfacePixels& pixels, double scale);
}  // namespace imageio
