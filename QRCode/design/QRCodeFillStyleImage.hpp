#pragma once
// The image fill: a picture stretched over the area of the code, so that the shapes of a
// component show the part of the picture under them. The picture is drawn upright in a
// canvas whose y axis points down (as the exports draw). A fill without a picture paints
// nothing and cannot be archived or written as SVG.

#include <memory>
#include <optional>
#include <string_view>

#include "QRCode/design/QRCodeFillStyleGenerator.hpp"
#include "platform/foundation/Settings.hpp"
#include "platform/graphics/Image.hpp"

class QRCodeFillStyleImage final : public QRCodeFillStyleGenerator {
 public:
  static std::string_view Name() { return "image"; }

  // A fill holding the picture itself (pixels are shared, never copied); none for no
  // picture. An empty image counts as no picture.
  explicit QRCodeFillStyleImage(std::optional<gfx::Image> image) { setImage(std::move(image)); }

  // Shorthand constructor of the family.
  static std::shared_ptr<QRCodeFillStyleImage> make(std::optional<gfx::Image> image) {
    return std::make_shared<QRCodeFillStyleImage>(std::move(image));
  }

  // The picture (the fill-to-image operations of every fill stay available beside it).
  const std::optional<gfx::Image>& image() const { return image_; }
  using QRCodeFillStyleGenerator::image;
  // Replaces or removes the picture; applies to every later paint, SVG text and settings.
  // Not to be called while another thread uses the fill.
  void setImage(std::optional<gfx::Image> image) {
    if (image && image->empty()) image.reset();
    image_ = std::move(image);
  }

  std::string_view name() const override { return Name(); }
  // A fill with the same picture (absent stays absent). Never raises.
  std::shared_ptr<QRCodeFillStyleGenerator> copyStyle() const override;
  // {"imagePNGbase64": the picture as PNG in base64, without line breaks}. Raises
  // QRCodeError::cannotGenerateImageBase64 without a picture and passes the PNG writer's
  // error on.
  foundation::Settings settings() const override;
  // Draws the picture stretched into the rectangle.
  void fillWithCtx(gfx::Canvas& ctx, const gfx::Rect& rect) const override;
  // Draws the picture stretched into rect, clipped to the path (non-zero rule), then the
  // shadow. Without a picture nothing is drawn, not even a shadow.
  void fillWithCtx(gfx::Canvas& ctx, const gfx::Rect& rect, const gfx::Path& path,
                   double expectedPixelSize, const QRCodeShadow* shadow) const override;
  // A <pattern> that embeds the picture as JPEG (base64 in lines of 64 characters) and,
  // with a shadow, the filter after it. Raises QRCodeError::cannotGenerateImage without a
  // picture or when the JPEG cannot be written.
  QRCodeFillStyle::SVGDefinition svgRepresentationWithStyleIdentifier(
      std::string_view styleIdentifier, double expectedPixelSize,
      const QRCodeShadow* shadow) const override;

  // Reads "imagePNGbase64": strict base64 of any image file the loader reads. Every
  // failure raises QRCodeError::cannotCreateGenerator.
  static std::shared_ptr<QRCodeFillStyleImage> CreateWithSettings(const foundation::Settings& settings);

 private:
  std::optional<gfx::Image> image_;
};
