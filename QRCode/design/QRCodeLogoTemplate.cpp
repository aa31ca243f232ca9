#include "QRCode/design/QRCodeLogoTemplate.hpp"

#include <algorithm>
#include <cmath>
#include <span>
#include <vector>
#include <string>

#include "QRCode/core/QRCodeError.hpp"
#include "QRCode/core/QRCodePathHelpers.hpp"
#include "imageio/ImageExport.hpp"
#include "imageio/ImageLoad.hpp"
#include "platform/foundation/Error.hpp"
#include "platform/foundation/Output.hpp"
#include "platform/foundation/Text.hpp"

namespace {

const gfx::Rect kUnitRect(0, 0, 1, 1);

gfx::Path rectPath(const gfx::Rect& r) {
  gfx::Path p;
  p.addRect(r);
  return p;
}

gfx::Path ellipsePath(const gfx::Rect& r) {
  gfx::Path p;
  p.addEllipse(r);
  return p;
}

// Base64 of the image as PNG at scale 1, or none when it cannot be encoded.
std::optional<std::string> pngBase64(const gfx::Image& image) {
  if (image.empty()) return std::nullopt;
  try {
    return foundation::base64Encode(imageio::encodeImageData(image, ImageExportType::png(1.0)));
  } catch (const foundation::Error&) {
    return std::nullopt;
  }
}

// An image from base64 text of image file bytes, or none.
std::optional<gfx::Image> imageFromBase64(const foundation::Settings& value) {
  const auto text = foundation::StringValue(value);
  if (!text) return std::nullopt;
  const auto bytes = foundation::base64Decode(*text);
  if (!bytes) return std::nullopt;
  try {
    return imageio::loadImageFromData(*bytes);
  } catch (const foundation::Error&) {
    return std::nullopt;
  }
}

std::optional<gfx::Image> imageFromBase64(const foundation::Settings& dict, std::string_view key) {
  const foundation::Settings* value = foundation::find(dict, key);
  if (!value) return std::nullopt;
  return imageFromBase64(*value);
}

// Base64 of the path element JSON; none when the path has no JSON form (a coordinate
// that is not finite).
std::optional<std::string> pathBase64(const gfx::Path& path) {
  try {
    return foundation::base64Encode(CGPathCodable::encodePath(path));
  } catch (const foundation::Error&) {
    return std::nullopt;
  }
}

std::optional<gfx::Path> pathFromBase64(const foundation::Settings& dict, std::string_view key) {
  const auto text = foundation::stringValue(dict, key);
  if (!text) return std::nullopt;
  const auto bytes = foundation::base64Decode(*text);
  if (!bytes) return std::nullopt;
  try {
    return CGPathCodable::decodePath(*bytes);
  } catch (const foundation::Error&) {
    return std::nullopt;
  }
}

bool withinElementLimit(const gfx::Path& path) { return path.size() <= QRCodeLogoTemplate::maxPathElements; }

// The part of the source, along one axis, that module k of an n-module grid covers: the
// module [k, k + 1] clipped to the region [regionStart, regionStart + regionLength], which
// holds the n-unit square into which the source is drawn at drawnLength units, centred
// (so it may stick out on both sides and be cut off), for a source of sourceLength
// pixels.
struct SourceSpan {
  double s0 = 0, s1 = 0;
  bool empty() const { return !(s1 > s0); }
};

std::vector<SourceSpan> sourceSpans(std::int64_t n, double regionStart, double regionLength, double drawnLength,
                                    double sourceLength) {
  const double nd = static_cast<double>(n);
  const double offset = (nd - drawnLength) / 2;
  std::vector<SourceSpan> spans(static_cast<std::size_t>(n));
  for (std::int64_t k = 0; k < n; ++k) {
    const double x0 = std::max(static_cast<double>(k), regionStart);
    const double x1 = std::min(static_cast<double>(k + 1), regionStart + regionLength);
    if (!(x1 > x0)) continue;
    // Into the square's units, cut to the square, then into source pixels, cut to the
    // source.
    const double u0 = std::clamp((x0 - regionStart) * nd / regionLength, 0.0, nd);
    const double u1 = std::clamp((x1 - regionStart) * nd / regionLength, 0.0, nd);
    const double s0 = std::clamp((u0 - offset) * sourceLength / drawnLength, 0.0, sourceLength);
    const double s1 = std::clamp((u1 - offset) * sourceLength / drawnLength, 0.0, sourceLength);
    spans[static_cast<std::size_t>(k)] = {s0, s1};
  }
  return spans;
}

}  // namespace

QRCodeLogoTemplate::QRCodeLogoTemplate(gfx::Image image, gfx::Path path, double inset, bool masksQRCodePixels)
    : path_(std::move(path)),
      image_(std::move(image)),
      masksQRCodePixels_(masksQRCodePixels),
      inset_(inset),
      useImageMasking_(false) {}

QRCodeLogoTemplate::QRCodeLogoTemplate(gfx::Image image, std::optional<gfx::Image> maskImage, bool masksQRCodePixels)
    : path_(rectPath(kUnitRect)),
      image_(std::move(image)),
      maskImage_(std::move(maskImage)),
      masksQRCodePixels_(masksQRCodePixels),
      inset_(0),
      useImageMasking_(true) {}

std::shared_ptr<QRCodeLogoTemplate> QRCodeLogoTemplate::CircleCenterWithImage(gfx::Image image, double inset) {
  return std::make_shared<QRCodeLogoTemplate>(std::move(image), ellipsePath(gfx::Rect(0.375, 0.375, 0.25, 0.25)),
                                              inset, true);
}

std::shared_ptr<QRCodeLogoTemplate> QRCodeLogoTemplate::CircleBottomRightWithImage(gfx::Image image, double inset) {
  return std::make_shared<QRCodeLogoTemplate>(std::move(image), ellipsePath(gfx::Rect(0.7, 0.7, 0.25, 0.25)),
                                              inset, true);
}

std::shared_ptr<QRCodeLogoTemplate> QRCodeLogoTemplate::SquareCenterWithImage(gfx::Image image, double inset) {
  return std::make_shared<QRCodeLogoTemplate>(std::move(image), rectPath(gfx::Rect(0.375, 0.375, 0.25, 0.25)),
                                              inset, true);
}

std::shared_ptr<QRCodeLogoTemplate> QRCodeLogoTemplate::SquareBottomRightWithImage(gfx::Image image, double inset) {
  return std::make_shared<QRCodeLogoTemplate>(std::move(image), rectPath(gfx::Rect(0.7, 0.7, 0.25, 0.25)),
                                              inset, true);
}

gfx::Path QRCodeLogoTemplate::absolutePathForMaskPathWithDimension(double dimension, bool flipped) const {
  gfx::AffineTransform t = gfx::AffineTransform::scale(dimension, dimension);
  if (flipped) {
    t = gfx::AffineTransform::scale(1, -1)
            .concatenating(gfx::AffineTransform::translation(0, 1))
            .concatenating(t);
  }
  gfx::Path result;
  result.reserve(path_.size());
  result.addPath(path_, t);
  return result;
}

std::optional<QRCodeBoolMatrix> QRCodeLogoTemplate::keepMask(std::int64_t n, double side) const {
  QRCodeBoolMatrix keep(n);
  bool* cells = keep.data();

  if (!useImageMasking_) {
    // Path masking: a module is removed when its centre lies inside the region under the
    // non-zero rule.
    const double dimension = (std::isfinite(side) && side > 0) ? side : static_cast<double>(n);
    const double cell = dimension / static_cast<double>(n);
    const double half = 0.5 * cell;
    const gfx::Path absolute = absolutePathForMaskPathWithDimension(dimension, false);
    const gfx::Rect bounds = absolute.bounds();
    for (std::int64_t r = 0; r < n; ++r) {
      const double y = static_cast<double>(r) * cell + half;
      for (std::int64_t c = 0; c < n; ++c) {
        const gfx::Point p{static_cast<double>(c) * cell + half, y};
        const bool inside = !bounds.isNull() && p.x >= bounds.minX() && p.x <= bounds.maxX() &&
                            p.y >= bounds.minY() && p.y <= bounds.maxY() && absolute.contains(p, false);
        cells[r * n + c] = !inside;
      }
    }
    return keep;
  }

  // Image masking: the source, scaled to cover an N x N square with its proportions kept
  // and centred (what lies outside is cut off), is laid into the bounding box of the
  // region, measured from the top of the matrix (row 0); a module stays where the result
  // is transparent (alpha below 2 out of 255). Each module takes the mean alpha of the
  // part of the source it covers (an area-average resampling), so that the cost stays
  // proportional to the source and the matrix, whatever their sizes.
  const gfx::Image& source = maskImage_ ? *maskImage_ : image_;
  if (source.empty()) {
    foundation::printLine("Couldn't scale logo template image");
    return std::nullopt;
  }
  const gfx::Rect region = path_.bounds();
  const double nd = static_cast<double>(n);
  const double sw = source.width(), sh = source.height();
  const gfx::Size drawn = (nd / sh > nd / sw) ? gfx::Size{nd * sw / sh, nd} : gfx::Size{nd, nd * sh / sw};
  if (region.isNull() || !(region.width() > 0) || !(region.height() > 0) || !std::isfinite(region.width()) ||
      !std::isfinite(region.height())) {
    return keep;  // no region: nothing is covered, every module stays
  }
  const std::vector<SourceSpan> columns =
      sourceSpans(n, region.minX() * nd, region.width() * nd, drawn.width, sw);
  const std::vector<SourceSpan> rows = sourceSpans(n, region.minY() * nd, region.height() * nd, drawn.height, sh);
  // Final length per source length along each axis.
  const double jx = (drawn.width / sw) * region.width();
  const double jy = (drawn.height / sh) * region.height();

  const gfx::Image rgba = source.toRGBA();
  const std::size_t width = static_cast<std::size_t>(source.width());
  std::vector<double> prefix(width + 1);
  std::vector<double> rowIntegral(static_cast<std::size_t>(n));
  std::int64_t cachedRow = -1;
  // The integral of one source row's alpha over each final column's span.
  auto integrateRow = [&](std::int64_t j) {
    if (j == cachedRow) return;
    const std::span<const std::uint8_t> px = rgba.row(static_cast<int>(j));
    prefix[0] = 0;
    for (std::size_t i = 0; i < width; ++i) prefix[i + 1] = prefix[i] + px[i * 4 + 3];
    auto at = [&](double x) {
      const double f = std::floor(x);
      const std::size_t i = static_cast<std::size_t>(f);
      if (i >= width) return prefix[width];
      return prefix[i] + (x - f) * (prefix[i + 1] - prefix[i]);
    };
    for (std::int64_t c = 0; c < n; ++c) {
      const SourceSpan& span = columns[static_cast<std::size_t>(c)];
      rowIntegral[static_cast<std::size_t>(c)] = span.empty() ? 0.0 : at(span.s1) - at(span.s0);
    }
    cachedRow = j;
  };

  std::vector<double> sums(static_cast<std::size_t>(n));
  for (std::int64_t r = 0; r < n; ++r) {
    const SourceSpan& span = rows[static_cast<std::size_t>(r)];
    std::fill(sums.begin(), sums.end(), 0.0);
    if (!span.empty()) {
      const auto j0 = static_cast<std::int64_t>(std::floor(span.s0));
      const auto j1 = std::min(static_cast<std::int64_t>(std::ceil(span.s1)), static_cast<std::int64_t>(source.height()));
      for (std::int64_t j = j0; j < j1; ++j) {
        const double overlap =
            std::min(span.s1, static_cast<double>(j + 1)) - std::max(span.s0, static_cast<double>(j));
        if (!(overlap > 0)) continue;
        integrateRow(j);
        for (std::int64_t c = 0; c < n; ++c)
          sums[static_cast<std::size_t>(c)] += overlap * rowIntegral[static_cast<std::size_t>(c)];
      }
    }
    for (std::int64_t c = 0; c < n; ++c) {
      const double meanAlpha = sums[static_cast<std::size_t>(c)] * jx * jy;
      // The alpha byte, rounded, is 0 or 1: transparent.
      cells[r * n + c] = meanAlpha < 1.5;
    }
  }
  return keep;
}

void QRCodeLogoTemplate::setPath(gfx::Path path) {
  path_ = std::move(path);
  maskCache_.clear();
}

std::shared_ptr<const QRCodeBoolMatrix> QRCodeLogoTemplate::cachedKeepMask(std::int64_t n, double side) const {
  // Path masking scales the path to the drawing side (the module count for a side that is
  // not a positive number); image masking does not look at the side.
  const double key = useImageMasking_ ? 0.0 : (std::isfinite(side) && side > 0) ? side : static_cast<double>(n);
  std::lock_guard lock(maskCache_.mutex);
  if (maskCache_.keep && maskCache_.dimension == n && maskCache_.side == key) return maskCache_.keep;
  std::optional<QRCodeBoolMatrix> keep = keepMask(n, side);
  if (!keep) return nullptr;  // nothing to keep: a failure is not remembered
  maskCache_.keep = std::make_shared<const QRCodeBoolMatrix>(std::move(*keep));
  maskCache_.dimension = n;
  maskCache_.side = key;
  return maskCache_.keep;
}

std::shared_ptr<const QRCodeBoolMatrix> QRCodeLogoTemplate::applyingMask(
    std::shared_ptr<const QRCodeBoolMatrix> matrix, double dimension) const {
  if (!matrix || !masksQRCodePixels_ || matrix->dimension() == 0) return matrix;
  const std::shared_ptr<const QRCodeBoolMatrix> keep = cachedKeepMask(matrix->dimension(), dimension);
  if (!keep) return matrix;
  return std::make_shared<const QRCodeBoolMatrix>(matrix->masked(*keep));
}

QRCodeBoolMatrix QRCodeLogoTemplate::applyingMask(const QRCodeBoolMatrix& matrix, double dimension) const {
  if (!masksQRCodePixels_ || matrix.dimension() == 0) return matrix.copyMatrix();
  const std::shared_ptr<const QRCodeBoolMatrix> keep = cachedKeepMask(matrix.dimension(), dimension);
  if (!keep) return matrix.copyMatrix();
  return matrix.masked(*keep);
}

foundation::Settings QRCodeLogoTemplate::settings() const {
  foundation::Settings s = foundation::Settings::object();
  // A path without a JSON form (a coordinate that is not finite) is left out; such a
  // template does not read back.
  if (auto path = pathBase64(path_)) s["relativeMaskPath"] = std::move(*path);
  s["inset"] = std::isfinite(inset_) ? inset_ : 0.0;
  if (useImageMasking_) s["maskUsingImageTransparency"] = true;
  s["masksQRCodePixels"] = masksQRCodePixels_;
  if (auto image = pngBase64(image_)) s["image"] = std::move(*image);
  if (maskImage_) {
    if (auto mask = pngBase64(*maskImage_)) s["maskImage"] = std::move(*mask);
  }
  return s;
}

std::shared_ptr<QRCodeLogoTemplate> QRCodeLogoTemplate::CreateWithSettings(const foundation::Settings& settings) {
  std::optional<gfx::Path> path = pathFromBase64(settings, "relativeMaskPath");
  if (!path || !withinElementLimit(*path)) return nullptr;
  double inset = foundation::doubleValue(settings, "inset").value_or(0.0);
  if (!std::isfinite(inset)) inset = 0.0;
  const bool imageMasking = foundation::boolValue(settings, "maskUsingImageTransparency").value_or(false);
  const bool masks = foundation::boolValue(settings, "masksQRCodePixels").value_or(true);
  std::optional<gfx::Image> image = imageFromBase64(settings, "image");
  if (!image) return nullptr;
  std::optional<gfx::Image> maskImage = imageFromBase64(settings, "maskImage");

  std::shared_ptr<QRCodeLogoTemplate> result;
  if (imageMasking) {
    result = std::make_shared<QRCodeLogoTemplate>(std::move(*image), std::move(maskImage), masks);
  } else {
    result = std::make_shared<QRCodeLogoTemplate>(std::move(*image), gfx::Path(), inset, masks);
  }
  // The template takes the path as read, whatever its kind.
  result->path_ = std::move(*path);
  return result;
}

foundation::Settings QRCodeLogoTemplate::encode() const {
  foundation::Settings s = foundation::Settings::object();
  s["useImageMasking"] = useImageMasking_;
  s["masksQRCodePixels"] = masksQRCodePixels_;
  if (!std::isfinite(inset_)) foundation::raise(QRCodeError::cannotGenerateJSON, "the logo inset is not finite");
  s["inset"] = inset_;
  s["path"] = foundation::base64Encode(CGPathCodable::encodePath(path_));
  s["image"] = foundation::base64Encode(imageio::encodeImageData(image_, ImageExportType::png(1.0)));
  if (maskImage_) s["maskImage"] = foundation::base64Encode(imageio::encodeImageData(*maskImage_, ImageExportType::png(1.0)));
  return s;
}

std::shared_ptr<QRCodeLogoTemplate> QRCodeLogoTemplate::decode(const foundation::Settings& encoded) {
  auto fail = [](const char* what) { foundation::raise(QRCodeError::invalidContent, what); };
  std::optional<gfx::Image> image = imageFromBase64(encoded, "image");
  if (!image) fail("the logo template has no readable \"image\"");
  std::optional<gfx::Path> path = pathFromBase64(encoded, "path");
  if (!path) fail("the logo template has no readable \"path\"");
  if (!withinElementLimit(*path)) fail("the logo template's \"path\" has too many elements");
  const auto inset = foundation::doubleValue(encoded, "inset");
  if (!inset || !std::isfinite(*inset)) fail("the logo template has no readable \"inset\"");
  const foundation::Settings* imageMasking = foundation::find(encoded, "useImageMasking");
  if (!imageMasking || !imageMasking->is_boolean()) fail("the logo template has no readable \"useImageMasking\"");
  std::optional<gfx::Image> maskImage;
  if (foundation::find(encoded, "maskImage")) {
    maskImage = imageFromBase64(encoded, "maskImage");
    if (!maskImage) fail("the logo template's \"maskImage\" is not readable");
  }
  bool masks = true;
  if (const foundation::Settings* m = foundation::find(encoded, "masksQRCodePixels")) {
    if (!m->is_boolean()) fail("the logo template's \"masksQRCodePixels\" is not a boolean");
    masks = foundation::BoolValue(*m).value_or(true);
  }
  auto result = std::make_shared<QRCodeLogoTemplate>(std::move(*image), std::move(*path), *inset, masks);
  result->useImageMasking_ = foundation::BoolValue(*imageMasking).value_or(false);
  result->maskImage_ = std::move(maskImage);
  return result;
}

std::shared_ptr<QRCodeLogoTemplate> QRCodeLogoTemplate::copyLogoTemplate() const {
  // Images are immutable values: the copy shares their pixels.
  std::shared_ptr<QRCodeLogoTemplate> copy;
  if (useImageMasking_) {
    copy = std::make_shared<QRCodeLogoTemplate>(image_, maskImage_, masksQRCodePixels_);
  } else {
    copy = std::make_shared<QRCodeLogoTemplate>(image_, path_, inset_, masksQRCodePixels_);
  }
  return copy;
}

std::shared_ptr<QRCodeLogoTemplate> QRCodeLogoTemplate::copyWithImage(gfx::Image image,
                                                                     std::optional<gfx::Image> maskImage) const {
  if (useImageMasking_) return std::make_shared<QRCodeLogoTemplate>(std::move(image), std::move(maskImage), true);
  return std::make_shared<QRCodeLogoTemplate>(std::move(image), path_, inset_, true);
}
