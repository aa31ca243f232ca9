#pragma once
// Encoding a bitmap image into the bytes of an image file: PNG, JPEG, TIFF, HEIC, GIF,
// a one-page PDF, or an SVG document that embeds the image.

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "imageio/PNG.hpp"
#include "platform/foundation/Text.hpp"
#include "platform/graphics/Geometry.hpp"
#include "platform/graphics/Image.hpp"

// How an image embedded in an SVG document fills the document's box.
enum class SVGImageFillStyle { aspectFill = 0, aspectFit = 1, scale = 2 };

// An export format with its options. The scale turns into dots per inch: dpi = 72 x scale.
class ImageExportType {
 public:
  enum class Kind { png, jpg, tiff, pdf, heic, svg, gif };

  static ImageExportType png(double scale, bool excludeGPSData = false);
  static ImageExportType jpg(double scale, std::optional<double> compression = std::nullopt,
                             bool excludeGPSData = false);
  static ImageExportType tiff(double scale, std::optional<double> compression = std::nullopt,
                              bool excludeGPSData = false);
  static ImageExportType pdf(gfx::Size pageSize);
  static ImageExportType heic(double scale, std::optional<double> compression = std::nullopt,
                              bool excludeGPSData = false);
  static ImageExportType svg(std::optional<gfx::Size> size, SVGImageFillStyle fillStyle,
                             const ImageExportType& embeddedImageFormat);
  static ImageExportType gif();

  Kind kind() const { return kind_; }
  double scale() const { return scale_; }
  std::optional<double> compression() const { return compression_; }
  bool excludeGPSData() const { return excludeGPSData_; }
  // pdf: the page size in points; svg: the document size when one was given.
  std::optional<gfx::Size> size() const { return size_; }
  SVGImageFillStyle fillStyle() const { return fillStyle_; }
  // svg only: the format of the embedded image (none for the other kinds).
  const ImageExportType* embeddedImageFormat() const { return embedded_.get(); }

  // "image/png", "image/jpeg", "image/tiff", "application/pdf", "image/heic",
  // "image/svg+xml", "image/gif".
  std::string_view mimeType() const;
  // "png", "jpg", "tiff", "pdf", "heic", "svg", "gif".
  std::string_view fileExtension() const;
  // The type identifier reported with cannotCreateImageOfType: "public.png",
  // "public.jpeg", "public.tiff", "com.adobe.pdf", "public.heic", "public.svg-image",
  // "com.compuserve.gif".
  std::string_view typeIdentifier() const;

 private:
  explicit ImageExportType(Kind kind) : kind_(kind) {}
  Kind kind_;
  double scale_ = 1;
  std::optional<double> compression_;
  bool excludeGPSData_ = false;
  std::optional<gfx::Size> size_;
  SVGImageFillStyle fillStyle_ = SVGImageFillStyle::aspectFit;
  std::shared_ptr<const ImageExportType> embedded_;
};

// The PNG writer's settings used by encodeImageData for the given resolution. The
// compression level, filters and strategy were chosen by measuring size against time on
// rendered QR codes (bench/render.cpp).
PNGWriteOptions pngExportOptions(double dpi);

// Encodes the image in the given format. Throws ImageReadWriteError:
//   invalidDPI                     png, jpg, tiff, heic: 72 x scale is not greater than 0
//                                  (or not finite);
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
//   pdf   one page of the given size in points (at most 14400 a side), the image drawn
//         upright over the whole page.
// No GPS data is ever written, so excludeGPSData holds for every format.
foundation::Bytes encodeImageData(const gfx::Image& image, const ImageExportType& type);
