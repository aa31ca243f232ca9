// The document's SVG, text and pasteboard exports: each hands the core QRCode object, the
// design and the logo template to the SVG writer, the text renderings or the pasteboard
// export.

#include "QRCode/document/QRCodeDocument.hpp"
#include "QRCode/render/QRCodePasteboardExport.hpp"
#include "QRCode/render/QRCodeSVGExport.hpp"
#include "QRCode/render/QRCodeTextRenderings.hpp"

std::string QRCodeDocument::svgWithDimension(std::int64_t dimension) {
  throwIfRegenerationFailed();
  return qrrender::svg(qrcode_, dimension, *design_, logoTemplate_.get());
}

foundation::Bytes QRCodeDocument::svgDataWithDimension(std::int64_t dimension) {
  throwIfRegenerationFailed();
  return qrrender::svgData(qrcode_, dimension, *design_, logoTemplate_.get());
}

foundation::Bytes QRCodeDocument::imageData(const ExportType& type, std::int64_t dimension) {
  switch (type.kind()) {
    case ExportType::Kind::png: return pngDataWithDimension(dimension, type.dpi());
    case ExportType::Kind::jpg: return jpegDataWithDimension(dimension, type.dpi(), type.compression());
    case ExportType::Kind::tiff: return tiffDataWithDimension(dimension, type.dpi());
    case ExportType::Kind::pdf: return pdfDataWithDimension(dimension, type.pdfResolution());
    case ExportType::Kind::svg: return svgDataWithDimension(dimension);
  }
  foundation::raise(QRCodeError::cannotGenerateImage, "unknown export type");
}

std::string QRCodeDocument::asciiRepresentation() const { return qrrender::asciiRepresentation(qrcode_); }

std::string QRCodeDocument::smallAsciiRepresentation() const { return qrrender::smallAsciiRepresentation(qrcode_); }

void QRCodeDocument::addToPasteboardWithDimension(std::int64_t dimension, double dpi,
                                                  foundation::Pasteboard& pasteboard) {
  // No form can be made while the matrix does not match the content.
  if (regenerationError_) {
    qrrender::clearPasteboard(pasteboard);
    return;
  }
  qrrender::addToPasteboardWithDimension(qrcode_, dimension, dpi, *design_, logoTemplate_.get(), pasteboard);
}

void QRCodeDocument::addToPasteboard(gfx::Size size, double dpi, foundation::Pasteboard& pasteboard) {
  if (regenerationError_) {
    qrrender::clearPasteboard(pasteboard);
    return;
  }
  qrrender::addToPasteboard(qrcode_, size, dpi, *design_, logoTemplate_.get(), pasteboard);
}
