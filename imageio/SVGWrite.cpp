#include "imageio/SVGWrite.hpp"

#include <cmath>
#include <string>

#include "imageio/ImageExport.hpp"
#include "imageio/ImageReadWriteError.hpp"
#include "platform/foundation/Error.hpp"
#include "platform/foundation/Numbers.hpp"

foundation::Bytes imageio::writeSVG(const gfx::Image& image, const ImageExportType& type,
                           const foundation::Settings& extraProperties) {
  const ImageExportType* embedded = type.embeddedImageFormat();
  if (!embedded) foundation::raise(ImageReadWriteError::internalError);
  switch (embedded->kind()) {
    case ImageExportType::Kind::png:
    case ImageExportType::Kind::jpg:
    case ImageExportType::Kind::tiff:
    case ImageExportType::Kind::gif:
      break;
    default:
      foundation::raise(ImageReadWriteError::unsupportedEmbeddedImageType, std::string(embedded->mimeType()));
  }
  const gfx::Size size = type.size().value_or(gfx::Size{double(image.width()), double(image.height())});
  // The document's size must be finite and not negative.
  if (!std::isfinite(size.width) || !std::isfinite(size.height) || size.width < 0 || size.height < 0)
    foundation::raise(ImageReadWriteError::internalError, "SVG size must be finite and not negative");
  const std::string w = foundation::fixedString(size.width, 3);
  const std::string h = foundation::fixedString(size.height, 3);

  const foundation::Bytes data = imageio::encodeImageData(image, *embedded, extraProperties);
  const std::string base64 = foundation::base64Encode(data);

  std::string svg;
  svg.reserve(base64.size() + base64.size() / 64 + 512);
  svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\"";
  svg += " version=\"1.1\" ";
  svg += " width=\"" + w + "\" height=\"" + h + "\" ";
  svg += " viewBox=\"0 0 " + w + " " + h + "\" ";
  svg += " >\n";
  svg += "<image width=\"" + foundation::shortestString(size.width) + "\" height=\"" +
         foundation::shortestString(size.height) + "\" ";
  svg += " xlink:href=\"data:";
  svg += embedded->mimeType();
  svg += ";base64,";
  for (std::size_t i = 0; i < base64.size(); i += 64) {
    if (i) svg += '\n';
    svg.append(base64, i, 64);
  }
  svg += "\" x=\"0\" y=\"0\" ";
  switch (type.fillStyle()) {
    case SVGImageFillStyle::aspectFill: svg += " preserveAspectRatio=\"xMidYMid slice\" "; break;
    case SVGImageFillStyle::aspectFit: svg += " "; break;
    case SVGImageFillStyle::scale: svg += "preserveAspectRatio=\"none\" "; break;
  }
  svg += " />\n";
  svg += "</svg>";
  return foundation::bytesOf(svg);
}
