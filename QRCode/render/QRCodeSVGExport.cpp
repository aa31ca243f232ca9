#include "QRCode/render/QRCodeSVGExport.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "QRCode/core/QRCodeColor.hpp"
#include "QRCode/core/QRCodePathHelpers.hpp"
#include "QRCode/core/SVGNumber.hpp"
#include "QRCode/design/QRCodeDesign.hpp"
#include "QRCode/design/QRCodeFillStyleSolid.hpp"
#include "QRCode/design/QRCodeLogoTemplate.hpp"
#include "QRCode/eye/QRCodeEyeShapesRounded.hpp"
#include "QRCode/pixel/CommonPixelShapes.hpp"
#include "QRCode/pixel/QRCodePixelInsetGenerator.hpp"
#include "QRCode/render/QRCodeComponentPaths.hpp"
#include "imageio/ImageExport.hpp"

namespace qrrender {

namespace {

constexpr std::string_view kSVGNamespace = "http://www.w3.org/2000/svg";
constexpr std::string_view kXLinkNamespace = "http://www.w3.org/1999/xlink";

// One document being written into its buffer (std::string for svg, the byte buffer itself
// for svgData, so that the text is built once), with, beside it, the definitions that go
// into <defs> at the end.
//
// Text that a fill hands over may come from the caller's own fill generator; when asked,
// it is checked for UTF-8 as it is written (the rest is the writer's own ASCII, which
// cannot make it valid or invalid), and the result is kept for the end, so that any other
// error is raised as before.
template <class Buffer>
class SVGWriter {
 public:
  SVGWriter(Buffer& out, bool checkFillText, const QRCode& qrcode, double areaSide, double quiet, double pixelSize)
      : out_(out), checkFillText_(checkFillText), qrcode_(qrcode), areaSize_{areaSide, areaSide}, quiet_(quiet),
        pixelSize_(pixelSize) {
    // A code's path data runs to tens of kilobytes; the definitions are few.
    out_.reserve(16384);
    definitions_.reserve(8);
  }

  // Appends the pieces in order.
  void write(std::initializer_list<std::string_view> pieces) {
    std::size_t size = 0;
    for (std::string_view piece : pieces) size += piece.size();
    makeRoom(size);
    for (std::string_view piece : pieces) append(piece);
  }
  // Appends text made by a fill.
  void writeFillText(std::string_view text) {
    checkFillText(text);
    append(text);
  }
  void addDefinition(std::string definition) { definitions_.push_back(std::move(definition)); }
  // Base64 in lines of 64 characters separated by line feeds (none after the last line).
  void writeBase64Lines(const foundation::Bytes& bytes) {
    const std::string encoded = foundation::base64Encode(bytes);
    makeRoom(encoded.size() + encoded.size() / 64 + 1);
    for (std::size_t i = 0; i < encoded.size(); i += 64) {
      if (i > 0) append("\n");
      append(std::string_view(encoded).substr(i, 64));
    }
  }

  gfx::Path componentPath(QRCodeComponents component, QRCodeShape& shape, const QRCodeLogoTemplate* logo) const {
    return path(qrcode_, areaSize_, component, shape, logo, quiet_);
  }

  // `   <path id='{id}' {fill attributes} d="{path data}" />` and the fill's definition,
  // collected unless told otherwise. The fill's error ends the export.
  void pathElement(std::string_view id, QRCodeComponents component, QRCodeShape& shape,
                   const QRCodeLogoTemplate* logo, const QRCodeFillStyleGenerator& fill,
                   std::string_view styleIdentifier, const QRCodeShadow* shadow, bool collectDefinition) {
    const gfx::Path outline = componentPath(component, shape, logo);
    QRCodeFillStyle::SVGDefinition definition =
        fill.svgRepresentationWithStyleIdentifier(styleIdentifier, pixelSize_, shadow);
    checkFillText(definition.styleAttribute());
    write({"   <path id='", id, "' ", definition.styleAttribute(), " d=\""});
    makeRoom(qrcore::svgPathDataLengthBound(outline));
    qrcore::appendSVGPathData(outline, [this](std::string_view piece) {
      makeRoom(piece.size());
      append(piece);
    });
    write({"\" />\n"});
    if (collectDefinition && definition.styleDefinition())
      definitions_.push_back(std::move(*definition.styleDefinition()));
  }

  // `<defs>` with every definition in order (when there are any), then the closing tag.
  // Returns whether the text the fills made is UTF-8 (true when not checked).
  bool finish() {
    if (!definitions_.empty()) {
      std::size_t size = 0;
      for (const auto& d : definitions_) size += d.size();
      makeRoom(size + 32);
      append("<defs>\n");
      const std::size_t start = out_.size();
      for (const auto& d : definitions_) append(d);
      // As one run: the definitions stand side by side, with nothing of the writer's between.
      checkFillText(std::string_view(reinterpret_cast<const char*>(out_.data()) + start, out_.size() - start));
      append("</defs>\n");
    }
    append("</svg>\n");
    return fillTextIsUTF8_;
  }

 private:
  // Grows the buffer geometrically ahead of a large append, so that long path data is
  // copied into it once.
  void makeRoom(std::size_t extra) {
    const std::size_t needed = out_.size() + extra;
    if (needed > out_.capacity()) out_.reserve(std::max(needed, 2 * out_.capacity()));
  }
  void append(std::string_view text) {
    if constexpr (std::is_same_v<Buffer, std::string>) {
      out_.append(text);
    } else {
      // One block copy (a range insert of chars into bytes goes byte by byte).
      const std::size_t at = out_.size();
      out_.resize(at + text.size());
      if (!text.empty()) std::memcpy(out_.data() + at, text.data(), text.size());
    }
  }
  void checkFillText(std::string_view text) {
    if (checkFillText_ && fillTextIsUTF8_ && !foundation::isValidUTF8(text)) fillTextIsUTF8_ = false;
  }

  Buffer& out_;
  bool checkFillText_;
  bool fillTextIsUTF8_ = true;
  const QRCode& qrcode_;
  gfx::Size areaSize_;
  double quiet_;
  double pixelSize_;
  std::vector<std::string> definitions_;
};

// The background corner radius in whole units: cell x fraction truncated toward zero,
// limited to half the dimension (a renderer draws any larger radius like that one); none
// when the fraction is not positive.
std::optional<std::int64_t> cornerRadius(double cell, double fraction, std::int64_t dimension) {
  if (!(fraction > 0)) return std::nullopt;
  const double limit = static_cast<double>(dimension / 2);
  const double r = std::min(cell * fraction, limit);
  if (!(r > 0)) return std::int64_t{0};
  return static_cast<std::int64_t>(r);
}

// The logo's clip path definition and its image element. Left out (without error) when
// the image cannot be encoded as PNG or its rectangle vanishes.
template <class Buffer>
void writeLogo(SVGWriter<Buffer>& writer, const QRCodeLogoTemplate& logo, double side, double quiet) {
  foundation::Bytes png;
  try {
    png = imageio::encodeImageData(logo.image(), ImageExportType::png(1.0));
  } catch (const foundation::Error&) {
    return;
  }
  // The region in the code area's units; not moved by the quiet zone.
  const gfx::Path region = logo.path().transformed(gfx::AffineTransform::scale(side, side));
  const gfx::Rect box = region.bounds();
  if (box.isNull()) return;
  const gfx::Rect target = box.insetBy(logo.inset(), logo.inset());
  if (target.isNull()) return;
  const gfx::Rect image = target.offsetBy(quiet, quiet);

  // The clip path stands where the image stands (moved by the quiet zone like it), so
  // that the image shows only inside the region, as in the bitmap.
  std::string clip = "   <clipPath id=\"logo-mask\">\n      <path d=\"";
  clip.append(qrcore::svgPathData(region.transformed(gfx::AffineTransform::translation(quiet, quiet))));
  clip.append("\" />\n   </clipPath>\n");
  writer.addDefinition(std::move(clip));

  writer.write({" <image x=\"", qrcore::svgNumberString(image.origin.x), "\" y=\"",
                qrcore::svgNumberString(image.origin.y), "\" width=\"", qrcore::svgNumberString(image.size.width),
                "\" height=\"", qrcore::svgNumberString(image.size.height),
                "\"  preserveAspectRatio=\"none\" clip-path=\"url(#logo-mask)\" xlink:href=\"data:image/png;base64,"});
  writer.writeBase64Lines(png);
  writer.write({"\" />"});
}

// Writes the document into out; returns whether the text the fills made is UTF-8 (true
// when checkFillText is false).
template <class Buffer>
bool writeSVG(Buffer& out, bool checkFillText, const QRCode& qrcode, std::int64_t dimension, QRCodeDesign& design,
              const QRCodeLogoTemplate* logoTemplate) {
  if (dimension < 0) foundation::raise(QRCodeError::cannotGenerateImage, "the SVG dimension is negative");
  const std::int64_t modules = qrcode.cellDimension();
  if (modules <= 0) foundation::raise(QRCodeError::cannotGenerateImage, "there is no module matrix to draw");

  // Geometry: the code area is the square less the extra quiet zone on every side.
  const double d = static_cast<double>(dimension);
  const double m = static_cast<double>(modules);
  const double q = static_cast<double>(design.additionalQuietZonePixels());
  const double cell = d / (m + 2 * q);
  const double quiet = q * cell;
  const double side = d - 2 * quiet;
  const double expectedPixelSize = side / m;

  QRCodeShape& shape = *design.shape();
  const QRCodeStyle& style = *design.style();
  const QRCodeShadow* shadow = style.shadow().get();
  SVGWriter<Buffer> writer(out, checkFillText, qrcode, side, quiet, expectedPixelSize);

  // 1. Header (height before width).
  const std::string dimensionText = std::to_string(dimension);
  writer.write({"<svg xmlns=\"", kSVGNamespace, "\" xmlns:xlink=\"", kXLinkNamespace, "\" version=\"1.1\" height=\"",
                dimensionText, "\" width=\"", dimensionText, "\">\n"});

  // 2. Background.
  if (const auto& background = style.background()) {
    QRCodeFillStyle::SVGDefinition definition =
        background->svgRepresentationWithStyleIdentifier("background", expectedPixelSize, nullptr);
    writer.write({"   <rect id='background-shape' "});
    writer.writeFillText(definition.styleAttribute());
    writer.write({" x=\"0\" y=\"0\" width=\"", dimensionText, "\" height=\"", dimensionText, "\""});
    if (const auto r = cornerRadius(cell, style.backgroundFractionalCornerRadius(), dimension)) {
      const std::string radius = std::to_string(*r);
      writer.write({" rx=\"", radius, "px\" ry=\"", radius, "px\""});
    }
    writer.write({" />\n"});
    if (definition.styleDefinition()) writer.addDefinition(std::move(*definition.styleDefinition()));
  }

  if (shape.negatedOnPixelsOnly()) {
    // 3. The negated on-pixels, over a plain-square background colour when one is set.
    if (const auto& colour = style.onPixelsBackground()) {
      auto squares = std::make_shared<QRCodePixelShapeSquare>(std::make_shared<QRCodePixelInsetFixed>(), 0.0, 0.0, false);
      QRCodeShape plain(squares, nullptr, false, std::make_shared<QRCodeEyeShapeSquare>(), nullptr);
      const QRCodeFillStyleSolid fill(*colour);
      writer.pathElement("on-pixels-background-shape", QRCodeComponents::negatedOnPixels(), plain, logoTemplate, fill,
                         "on-pixels-background-color", nullptr, false);
    }
    writer.pathElement("on-pixels-shape", QRCodeComponents::negatedOnPixels(), shape, logoTemplate, *style.onPixels(),
                       "on-pixels", shadow, true);
  } else {
    // 4. The design's layers.
    if (const auto& colour = style.eyeBackground()) {
      const gfx::Path outline = writer.componentPath(QRCodeComponents::eyeBackground(), shape, nullptr);
      writer.write({"   <path id='eye-background-shape' fill=\"", qrcolor::hexString(*colour), "\" fill-opacity=\"",
                    qrcore::svgNumberString(colour->alpha()), "\" d=\"", qrcore::svgPathData(outline), "\" />\n"});
    }
    writer.pathElement("pupil-shape", QRCodeComponents::pupil(), shape, nullptr, *style.actualPupilStyle(),
                       "pupil-fill", shadow, true);
    writer.pathElement("eye-shape", QRCodeComponents::eye(), shape, nullptr, *style.actualEyeStyle(),
                       "eye-outer-fill", shadow, true);
    // The off-pixel layers as the renderer draws them: only when the off-pixels are drawn
    // (shape and fill both set), and never shadowed.
    if (shape.offPixels() && style.offPixels()) {
      if (const auto& colour = style.offPixelsBackground()) {
        const QRCodeFillStyleSolid fill(*colour);
        writer.pathElement("off-pixels-background-shape", QRCodeComponents::offPixelsBackground(), shape,
                           logoTemplate, fill, "off-pixels-background-color", nullptr, false);
      }
      writer.pathElement("off-pixels-shape", QRCodeComponents::offPixels(), shape, logoTemplate, *style.offPixels(),
                         "off-pixels", nullptr, true);
    }
    // The on-pixel background casts the shadow, as in the renderer; its definition is then
    // the shadow filter, which the element refers to, so it is collected.
    if (const auto& colour = style.onPixelsBackground()) {
      const QRCodeFillStyleSolid fill(*colour);
      writer.pathElement("on-pixels-background-shape", QRCodeComponents::onPixelsBackground(), shape, logoTemplate,
                         fill, "on-pixels-background-color", shadow, true);
    }
    writer.pathElement("on-pixels-shape", QRCodeComponents::onPixels(), shape, logoTemplate, *style.onPixels(),
                       "on-pixels", shadow, true);
  }

  // 5. Logo.
  if (logoTemplate) writeLogo(writer, *logoTemplate, side, quiet);

  // 6, 7. Definitions and the end.
  return writer.finish();
}

}  // namespace

std::string svg(const QRCode& qrcode, std::int64_t dimension, QRCodeDesign& design,
                const QRCodeLogoTemplate* logoTemplate) {
  std::string text;
  writeSVG(text, false, qrcode, dimension, design, logoTemplate);
  return text;
}

foundation::Bytes svgData(const QRCode& qrcode, std::int64_t dimension, QRCodeDesign& design,
                          const QRCodeLogoTemplate* logoTemplate) {
  // The bytes are written directly; only the fills' text, which a caller's own fill
  // generator may have made, needs the UTF-8 check.
  foundation::Bytes data;
  if (!writeSVG(data, true, qrcode, dimension, design, logoTemplate))
    foundation::raise(QRCodeError::unableToConvertTextToRequestedEncoding, "the SVG text is not UTF-8");
  return data;
}

}  // namespace qrrender
