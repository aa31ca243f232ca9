#pragma once
// An image file format with its export options, as encodeImageData takes it.

#include <memory>
#include <optional>
#include <string_view>

#include "platform/graphics/Geometry.hpp"

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
  // The type of a type identifier: "public.png", "public.jpeg", "public.tiff",
  // "public.heic" and "com.compuserve.gif" with the scale, compression and excludeGPSData
  // each takes, and "public.svg-image" (an SVG of the image's pixel size, aspect fit,
  // embedding a PNG at the scale). Any other identifier fails with
  // ImageReadWriteError::cannotCreateImageOfType carrying it.
  static ImageExportType withTypeIdentifier(std::string_view typeIdentifier, double scale,
                                            std::optional<double> compression = std::nullopt,
                                            bool excludeGPSData = false);

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
