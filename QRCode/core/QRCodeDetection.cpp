#define ZX_USE_UTF8 1
#include "QRCode/core/QRCodeDetection.hpp"

#include <ZXing/BarcodeFormat.h>
#include <ZXing/Content.h>
#include <ZXing/DecodeHints.h>
#include <ZXing/ImageView.h>
#include <ZXing/ReadBarcode.h>
#include <ZXing/Result.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <span>
#include <vector>

#include "QRCode/core/QRCodeDetectionImage.hpp"
#include "QRCode/core/QRCodeDetectionZbar.hpp"
#include "imageio/ImageLoad.hpp"
#include "platform/graphics/Image.hpp"

namespace {

// Large pictures are also searched reduced by three, then by nine and so on, while the
// longer side exceeds this and the shorter side still holds the smallest symbol; codes
// printed large or blurred read better there.
constexpr int kReduceWhileLongerThan = 500;
constexpr int kSmallestSymbolModules = 21;

// The luminance of every pixel, with alpha composited over white.
qrdetect::Plane lumaOf(const gfx::Image& image) {
  qrdetect::Plane plane;
  plane.width = image.width();
  plane.height = image.height();
  const std::size_t w = static_cast<std::size_t>(plane.width);
  plane.pixels.resize(w * static_cast<std::size_t>(plane.height));
  if (image.format() == gfx::PixelFormat::gray) {
    const std::span<const std::uint8_t> src = image.pixels();
    for (std::size_t y = 0, h = static_cast<std::size_t>(plane.height); y < h; ++y) {
      std::copy_n(src.data() + y * image.bytesPerRow(), w, plane.pixels.data() + y * w);
    }
    return plane;
  }
  const gfx::Image rgba = image.toRGBA();
  const std::uint8_t* p = rgba.pixels().data();
  std::uint8_t* out = plane.pixels.data();
  for (std::size_t i = 0, n = plane.pixels.size(); i < n; ++i, p += 4) {
    // Rec. 601 weights on the premultiplied colour, then "plus (1 - alpha) of white".
    // Premultiplied components never exceed alpha, so neither does their weighted mean;
    // the min() only guards against malformed pixels.
    const unsigned a = p[3];
    const unsigned lum = (299u * p[0] + 587u * p[1] + 114u * p[2] + 500u) / 1000u;
    out[i] = static_cast<std::uint8_t>(std::min(lum, a) + (255u - a));
  }
  return plane;
}

// The picture and its reductions by three (see kReduceWhileLongerThan).
std::vector<qrdetect::Plane> pyramidOf(qrdetect::Plane luma) {
  std::vector<qrdetect::Plane> layers;
  layers.push_back(std::move(luma));
  for (;;) {
    const qrdetect::Plane& last = layers.back();
    if (std::max(last.width, last.height) <= kReduceWhileLongerThan ||
        std::min(last.width, last.height) / 3 < kSmallestSymbolModules) {
      return layers;
    }
    layers.push_back(qrdetect::reducedByThree(last));
  }
}

// The decoder reads our black-and-white pictures as they are (dark is 0, light 255) and
// searches no reductions of its own.
ZXing::DecodeHints hintsFor(QRCode::DetectionAccuracy accuracy) {
  ZXing::DecodeHints hints;
  hints.setFormats(ZXing::BarcodeFormat::QRCode);
  const bool high = accuracy == QRCode::DetectionAccuracy::high;
  hints.setTryHarder(high);
  hints.setTryRotate(high);
  hints.setTryDownscale(false);
  hints.setBinarizer(ZXing::Binarizer::FixedThreshold);
  return hints;
}

// Where a point of a part of a picture reduced by `scale` lies in the full picture: `origin`
// is the part's top-left pixel in the reduced picture.
gfx::Point pointOf(gfx::Point p, gfx::Point origin, double scale) {
  return gfx::Point{(p.x + origin.x) * scale, (p.y + origin.y) * scale};
}
gfx::Point pointOf(const ZXing::PointI& p, gfx::Point origin, double scale) {
  return pointOf(gfx::Point{static_cast<double>(p.x), static_cast<double>(p.y)}, origin, scale);
}

void setBounds(QRCodeFeature& feature) {
  const auto [minX, maxX] = std::minmax({feature.topLeft.x, feature.topRight.x,
                                         feature.bottomLeft.x, feature.bottomRight.x});
  const auto [minY, maxY] = std::minmax({feature.topLeft.y, feature.topRight.y,
                                         feature.bottomLeft.y, feature.bottomRight.y});
  feature.bounds = gfx::Rect(minX, minY, maxX - minX, maxY - minY);
}

// A result in a part (at `origin`) of a picture reduced by `scale`, in the coordinates of
// the full picture.
QRCodeFeature featureOf(const ZXing::Result& result, gfx::Point origin, double scale) {
  QRCodeFeature feature;
  const ZXing::Position& position = result.position();
  feature.topLeft = pointOf(position.topLeft(), origin, scale);
  feature.topRight = pointOf(position.topRight(), origin, scale);
  feature.bottomLeft = pointOf(position.bottomLeft(), origin, scale);
  feature.bottomRight = pointOf(position.bottomRight(), origin, scale);
  setBounds(feature);
  if (result.contentType() != ZXing::ContentType::Binary) feature.messageString = result.text();
  return feature;
}

// True when the centre of the candidate lies within a code found already: the same code
// seen by another pass (the other polarity or another reduction).
bool alreadyFound(const std::vector<QRCodeFeature>& found, const QRCodeFeature& candidate) {
  const gfx::Point centre{(candidate.topLeft.x + candidate.bottomRight.x) / 2,
                          (candidate.topLeft.y + candidate.bottomRight.y) / 2};
  return std::any_of(found.begin(), found.end(), [&](const QRCodeFeature& f) {
    const gfx::Rect& b = f.bounds;
    return centre.x >= b.minX() && centre.x <= b.maxX() && centre.y >= b.minY() &&
           centre.y <= b.maxY();
  });
}

// The codes the first decoder reads in a binary plane (or a part of one at `origin`).
std::vector<QRCodeFeature> readWithZXing(const qrdetect::Plane& binary, gfx::Point origin, double scale,
                                         const ZXing::DecodeHints& hints) {
  const ZXing::ImageView view(binary.pixels.data(), binary.width, binary.height,
                              ZXing::ImageFormat::Lum, binary.width);
  std::vector<QRCodeFeature> features;
  for (const ZXing::Result& result : ZXing::ReadBarcodes(view, hints)) {
    if (result.isValid() && result.format() == ZXing::BarcodeFormat::QRCode) {
      features.push_back(featureOf(result, origin, scale));
    }
  }
  return features;
}

void addNew(std::vector<QRCodeFeature>& found, QRCodeFeature feature) {
  if (!alreadyFound(found, feature)) found.push_back(std::move(feature));
}

// The part of the binary plane around a quadrilateral, with a margin of a quarter of its
// size, light outside the quadrilateral grown by a tenth of its size about its centre, so
// that nothing of a neighbouring code remains; `origin` receives the part's top-left pixel.
qrdetect::Plane isolated(const qrdetect::Plane& binary, const std::array<gfx::Point, 4>& corners,
                         gfx::Point& origin) {
  double minX = corners[0].x, maxX = minX, minY = corners[0].y, maxY = minY, cx = 0, cy = 0;
  for (const gfx::Point& p : corners) {
    minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
    minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
    cx += p.x / 4, cy += p.y / 4;
  }
  const double margin = std::max(maxX - minX, maxY - minY) / 4 + 2;
  const int left = std::clamp(static_cast<int>(minX - margin), 0, binary.width);
  const int top = std::clamp(static_cast<int>(minY - margin), 0, binary.height);
  const int right = std::clamp(static_cast<int>(maxX + margin) + 1, left, binary.width);
  const int bottom = std::clamp(static_cast<int>(maxY + margin) + 1, top, binary.height);
  std::array<gfx::Point, 4> grown;
  for (std::size_t i = 0; i < 4; ++i) {
    grown[i] = gfx::Point{cx + (corners[i].x - cx) * 1.1, cy + (corners[i].y - cy) * 1.1};
  }
  // Inside a convex quadrilateral: on the same side of every edge.
  const auto inside = [&](double x, double y) {
    int positive = 0, negative = 0;
    for (std::size_t i = 0; i < 4; ++i) {
      const gfx::Point a = grown[i], b = grown[(i + 1) % 4];
      const double cross = (b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x);
      positive += cross > 0 ? 1 : 0;
      negative += cross < 0 ? 1 : 0;
    }
    return positive == 0 || negative == 0;
  };
  qrdetect::Plane part;
  part.width = right - left;
  part.height = bottom - top;
  part.pixels.assign(static_cast<std::size_t>(part.width) * static_cast<std::size_t>(part.height), 255);
  for (int y = 0; y < part.height; ++y)
    for (int x = 0; x < part.width; ++x) {
      if (inside(left + x + 0.5, top + y + 0.5)) {
        part.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(part.width) +
                    static_cast<std::size_t>(x)] = binary.at(left + x, top + y);
      }
    }
  origin = gfx::Point{static_cast<double>(left), static_cast<double>(top)};
  return part;
}

// The codes zbar reads in the binary plane that no pass has found yet. Each is read again
// by the first decoder alone in its own part of the plane, so that its corners and text
// (and whether it holds text at all) come from the decoder as for every other code;
// where that fails, zbar's corners and text stand.
// zbar reads the part of the plane in `region` only.
void readRestWithZbar(const qrdetect::Plane& binary, const qrdetect::Region& region, double scale,
                      const ZXing::DecodeHints& hints, std::vector<QRCodeFeature>& found) {
  const gfx::Point offset{static_cast<double>(region.left), static_cast<double>(region.top)};
  for (qrdetect::ZbarSymbol& symbol : qrdetect::readWithZbar(region.of(binary))) {
    for (gfx::Point& corner : symbol.corners) corner = pointOf(corner, offset, 1);
    QRCodeFeature feature;
    const gfx::Point none{};
    feature.topLeft = pointOf(symbol.corners[0], none, scale);
    feature.topRight = pointOf(symbol.corners[1], none, scale);
    feature.bottomRight = pointOf(symbol.corners[2], none, scale);
    feature.bottomLeft = pointOf(symbol.corners[3], none, scale);
    setBounds(feature);
    if (alreadyFound(found, feature)) continue;
    feature.messageString = std::move(symbol.text);
    gfx::Point origin;
    const qrdetect::Plane part = isolated(binary, symbol.corners, origin);
    std::vector<QRCodeFeature> reread = readWithZXing(part, origin, scale, hints);
    addNew(found, reread.size() == 1 ? std::move(reread.front()) : std::move(feature));
  }
}

// Whether the plane may hold one upright code alone on light ground: its first row with a
// dark pixel starts and ends with dark runs of one length (the top edges of two finder
// patterns), of seven pixels at least and a third of the code's width at most.
bool mayBeOneCodeAlone(const qrdetect::Plane& binary) {
  const std::size_t width = static_cast<std::size_t>(binary.width);
  for (std::size_t y = 0, height = static_cast<std::size_t>(binary.height); y < height; ++y) {
    const auto row = std::span(binary.pixels).subspan(y * width, width);
    const auto first = std::ranges::find(row, 0);
    if (first == row.end()) continue;
    const auto last = std::ranges::find(row.rbegin(), row.rend(), 0);
    const auto left = std::find_if(first, row.end(), [](std::uint8_t v) { return v != 0; }) - first;
    const auto right = std::find_if(last, row.rend(), [](std::uint8_t v) { return v != 0; }) - last;
    const auto extent = (row.rend() - last) - (first - row.begin());
    return left == right && left >= 7 && 3 * left <= extent;
  }
  return false;
}

// What a pass over a binary plane came to: searched, or refused as crowded with shapes that
// pass a finder's runs but not its rings (often codes on a textured ground, a photograph)
// or overcrowded with finder-like shapes (a tiling, noise).
enum class Pass { searched, crowded, overcrowded };

// One pass over a binary plane (of a picture reduced by `scale`): the first decoder, then
// (unless `zbar` is false) zbar for what it left. A plane too crowded for the first decoder
// (a pass over such a picture would keep it busy for minutes and find nothing) is refused
// unless something is found in it.
Pass search(const qrdetect::Plane& binary, double scale, const ZXing::DecodeHints& hints,
            std::vector<QRCodeFeature>& found, bool zbar = true) {
  std::size_t read = 0;
  bool openRings = false;
  const std::size_t finders = qrdetect::countFinderCandidates(binary, qrdetect::kMaxFinderCandidates,
                                                              qrdetect::FinderTest::allFourDirections, nullptr, &openRings);
  const bool few = finders <= qrdetect::kMaxFinderCandidates;
  const Pass refused = openRings ? Pass::crowded : Pass::overcrowded;
  // A crowded plane may still be one code alone on its ground, as exported, whose data at
  // one pixel per module draws hundreds of finder-like shapes: the decoder's reading of a
  // lone upright symbol finds it from its corners, at the cost of one look at the plane.
  if (few || mayBeOneCodeAlone(binary)) {
    ZXing::DecodeHints alone = hints;
    alone.setIsPure(!few);
    for (QRCodeFeature& feature : readWithZXing(binary, gfx::Point{}, scale, alone)) {
      addNew(found, std::move(feature));
      ++read;
    }
  }
  // zbar looks again where finder-like shapes remain beyond three for each code read: codes
  // that touch, or more than the first decoder pairs up, or a plane too crowded for it. It
  // reads large modules as they are, so it looks at the full picture only.
  if (!zbar || scale != 1 || finders < 3 * (read + 1)) return few || read > 0 ? Pass::searched : refused;
  const std::size_t before = found.size();
  qrdetect::Region region;
  const std::size_t shapes = qrdetect::countFinderCandidates(binary, qrdetect::kMaxFinderCrossings,
                                                             qrdetect::FinderTest::acrossAndDown, &region);
  if (shapes <= qrdetect::kMaxFinderCrossings) readRestWithZbar(binary, region, scale, hints, found);
  return few || read > 0 || found.size() > before ? Pass::searched : refused;
}

// Images carry no orientation of their own: pixels are read as stored, row 0 at the top.
std::vector<QRCodeFeature> detect(const gfx::Image& image, QRCode::DetectionAccuracy accuracy) {
  std::vector<QRCodeFeature> found;
  if (image.empty() || image.width() <= 0 || image.height() <= 0) return found;
  const std::vector<qrdetect::Plane> layers = pyramidOf(lumaOf(image));
  const ZXing::DecodeHints hints = hintsFor(accuracy);

  // From the full picture down to the smallest reduction; in each, dark codes on light
  // ground first, then light codes on dark ground.
  double scale = 1;
  for (const qrdetect::Plane& layer : layers) {
    qrdetect::Plane binary = qrdetect::binarized(layer);
    Pass dark = search(binary, scale, hints, found);
    qrdetect::invert(binary);
    Pass light = search(binary, scale, hints, found);
    // A crowded plane is often codes on a textured ground, or a code under fine noise:
    // smoothed, the noise fades and modules of a few pixels stay. Lightly where it is
    // crowded (small codes on a photograph, for both decoders), then more where it still
    // is, or was overcrowded (a code under heavy noise, for the first decoder alone).
    for (const int radius : {1, 2}) {
      const auto pending = [radius](Pass pass) {
        return pass == Pass::crowded || (pass == Pass::overcrowded && radius == 2);
      };
      if (!pending(dark) && !pending(light)) continue;
      binary = qrdetect::binarized(qrdetect::smoothed(layer, radius));
      if (pending(dark)) dark = search(binary, scale, hints, found, radius == 1);
      qrdetect::invert(binary);
      if (pending(light)) light = search(binary, scale, hints, found, radius == 1);
    }
    scale *= 3;
  }
  return found;
}

}  // namespace

std::vector<QRCodeFeature> QRCode::DetectQRCodes(const gfx::Image& image,
                                                 DetectionAccuracy accuracy) {
  // Detection never fails: anything the decoder or the allocator throws means "nothing
  // found".
  try {
    return detect(image, accuracy);
  } catch (const std::exception&) {
    return {};
  }
}

std::vector<std::string> QRCode::DetectQRStrings(const gfx::Image& image,
                                                 DetectionAccuracy accuracy) {
  std::vector<QRCodeFeature> features = DetectQRCodes(image, accuracy);
  std::vector<std::string> texts;
  texts.reserve(features.size());
  for (QRCodeFeature& feature : features) {
    if (feature.messageString) texts.push_back(std::move(*feature.messageString));
  }
  return texts;
}

std::vector<QRCodeFeature> QRCode::DetectQRCodesIn(std::span<const std::uint8_t> imageFileData) {
  gfx::Image image;
  try {
    image = imageio::loadImageFromData(imageFileData);
  } catch (const std::exception&) {
    return {};
  }
  return DetectQRCodes(image, DetectionAccuracy::high);
}
