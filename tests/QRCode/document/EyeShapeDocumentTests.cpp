// Documents drawn with the bar, CRT, circle, outline, module-built, shield and UFO eyes
// and their default pupils: every look decodes with two decoders, in the bitmap and the
// PDF export, and survives the document's JSON archive.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "QRCode/design/QRCodeDesign.hpp"
#include "QRCode/document/QRCodeDocument.hpp"
#include "QRCode/eye/QRCodeEyeShapeFactory.hpp"
#include "QRCode/eye/QRCodeEyeShapesBar.hpp"
#include "QRCode/eye/QRCodeEyeShapesConfigurable.hpp"
#include "QRCode/eye/QRCodeEyeShapesOutline.hpp"
#include "QRCode/eye/QRCodePupilShapesRounded.hpp"
#include "support/Raster.hpp"

namespace {

const std::string kURL = "https://vidlumen.example.com/wallpaper/aurora-Zq81mKd?utm_source=app";

struct EyeLook {
  std::string label;
  std::string name;
  foundation::Settings settings;
  // The default pupil is drawn in separate pieces (bars, cells) with gaps across the
  // pupil's middle, where the decoders look for the finder pattern's solid centre: these
  // looks are decoded with a plain square pupil, and their own pupil is drawn separately.
  bool splitPupil = false;
  // ZXing confirms a finder pattern along its diagonals too, which a ring without corners
  // (the edges eye) cannot give; such a look is read by zbar alone.
  bool hasCorners = true;
};

void PrintTo(const EyeLook& look, std::ostream* os) { *os << look.label; }

std::vector<EyeLook> eyeLooks() {
  return {
      {"barsHorizontal", "barsHorizontal", {}, true},
      {"barsVertical", "barsVertical", {}, true},
      {"crt", "crt", {}},
      {"circle", "circle", {}},
      {"leaf", "leaf", {}},
      {"teardrop", "teardrop", {}},
      {"fireball", "fireball", {}},
      {"peacock", "peacock", {}},
      {"pinch", "pinch", {}},
      {"corneredPixels", "corneredPixels", {}, true},
      {"corneredPixelsSquare", "corneredPixels", {{"cornerRadiusFraction", 0}}, true},
      {"corneredPixelsRound", "corneredPixels", {{"cornerRadiusFraction", 1}}, true},
      {"edges", "edges", {}, false, false},
      {"edgesSquare", "edges", {{"cornerRadiusFraction", 0}}, false, false},
      {"pixels", "pixels", {}, true},
      {"pixelsRound", "pixels", {{"cornerRadiusFraction", 1}}, true},
      {"shield", "shield", {}},
      {"shieldPlain", "shield", {{"corners", 0}}},
      {"shieldMixed", "shield", {{"corners", 6}}},
      {"ufo", "ufo", {}},
      {"ufoFlipped", "ufo", {{"isFlipped", true}}},
  };
}

// A document whose eye is the look (made through the eye factory, as a restored design
// makes it) with its default pupil, and a pale eye background behind the eyes.
std::unique_ptr<QRCodeDocument> documentWithEye(const EyeLook& look) {
  auto document = std::make_unique<QRCodeDocument>(kURL, QRCode::ErrorCorrection::quartile);
  document->modifyDesign([&](QRCodeDesignPtr& design) {
    design->shape()->setEye(QRCodeEyeShapeFactory::shared().named(look.name, look.settings));
    design->style()->setEyeBackground(gfx::Color::sRGB(1, 0.95, 0.8, 1));
  });
  return document;
}

// The image composited over white and softened by a box blur of the radius (in pixels),
// as a camera sees a printed code: hairline gaps between modules fade.
gfx::Image blurred(const gfx::Image& image, int radius) {
  const int w = image.width(), h = image.height();
  std::vector<double> grey(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const auto p = image.pixelAt(x, y);
      grey[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x)] =
          (p.r + p.g + p.b) / 3.0 + (255 - p.a);
    }
  auto pass = [&](bool horizontal) {
    std::vector<double> out(grey.size());
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        double sum = 0;
        int count = 0;
        for (int k = -radius; k <= radius; ++k) {
          const int xx = horizontal ? x + k : x, yy = horizontal ? y : y + k;
          if (xx < 0 || yy < 0 || xx >= w || yy >= h) continue;
          sum += grey[static_cast<std::size_t>(yy) * static_cast<std::size_t>(w) + static_cast<std::size_t>(xx)];
          ++count;
        }
        out[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x)] = sum / count;
      }
    grey.swap(out);
  };
  pass(true);
  pass(false);
  std::vector<std::uint8_t> rgba;
  rgba.reserve(grey.size() * 4);
  for (double g : grey) {
    const auto v = static_cast<std::uint8_t>(std::clamp(g, 0.0, 255.0) + 0.5 > 255 ? 255 : std::clamp(g, 0.0, 255.0) + 0.5);
    rgba.insert(rgba.end(), {v, v, v, 255});
  }
  return gfx::Image::make(w, h, std::move(rgba));
}

class EyeDocument : public testing::TestWithParam<EyeLook> {};

// How often each decoder reads the document's text over a set of renderings: six sizes,
// without and with a three-module extra quiet zone, crisp and softened by a 1-pixel blur.
struct ReadCounts {
  int renderings = 0, zxing = 0, zbar = 0;
};

ReadCounts readCounts(QRCodeDocument& document, const std::string& label) {
  ReadCounts counts;
  for (std::uint64_t quiet : {0u, 3u}) {
    document.design()->setAdditionalQuietZonePixels(quiet);
    for (std::int64_t dimension : {300, 330, 360, 400, 480, 600}) {
      const gfx::Image image = document.cgImageWithDimension(dimension);
      if (dimension == 330 && quiet == 3) testsupport::writeImagePNG(image, "doc-" + label + ".png");
      for (int radius : {0, 1}) {
        const auto results = testsupport::decodeImage(radius ? blurred(image, radius) : image);
        ++counts.renderings;
        counts.zxing += results.zxing.size() == 1 && results.zxing[0] == kURL;
        counts.zbar += results.zbar.size() == 1 && results.zbar[0] == kURL;
      }
    }
  }
  document.design()->setAdditionalQuietZonePixels(0);
  return counts;
}

TEST_P(EyeDocument, BothDecodersReadTheBitmap) {
  auto document = documentWithEye(GetParam());
  if (GetParam().splitPupil) {
    document->modifyDesign([](QRCodeDesignPtr& design) { design->shape()->setPupil(QRCodePupilShapeSquare::Create()); });
  } else {
    ASSERT_EQ(document->design()->shape()->pupil(), nullptr);  // the eye's default pupil draws
  }
  const ReadCounts counts = readCounts(*document, GetParam().label);
  EXPECT_EQ(counts.renderings, 24);
  if (GetParam().hasCorners) {
    EXPECT_GT(counts.zxing, 0) << "ZXing never read it";
  }
  EXPECT_GT(counts.zbar, 0) << "zbar never read it";
  // Most renderings are read by at least one of the two.
  EXPECT_GE(std::max(counts.zxing, counts.zbar), counts.renderings / 2)
      << "zxing " << counts.zxing << ", zbar " << counts.zbar;
}

// The pupil pieces of the split default pupils: bars and the cornered cells keep enough of
// the finder's centre for ZXing at some sizes; the separate rounded cells of the pixels
// pupil do not (neither decoder finds such a finder pattern), which is the look's nature.
void expectSplitPupilDrawn(const EyeLook& look) {
  SCOPED_TRACE(look.label);
  auto document = documentWithEye(look);
  ASSERT_EQ(document->design()->shape()->pupil(), nullptr);
  const auto pupil = document->design()->shape()->actualPupilShape();
  EXPECT_EQ(pupil->settings(), look.name == "pixels" || look.name == "corneredPixels"
                                   ? document->design()->shape()->eye()->settings()
                                   : foundation::Settings::object());
  // Drawn at 10 pixels a module: the pupil's middle cell is dark at all three patterns.
  const std::int64_t n = document->qrcode().cellDimension();
  const gfx::Image image = document->cgImageWithDimension(n * 10);
  const double far = static_cast<double>(n) * 10;
  for (gfx::Point centre : {gfx::Point{45, 45}, gfx::Point{far - 45, 45}, gfx::Point{45, far - 45}})
    EXPECT_LT(image.pixelAt(static_cast<int>(centre.x), static_cast<int>(centre.y)).r, 64) << centre.x << "," << centre.y;
  if (look.name != "pixels") {
    const ReadCounts counts = readCounts(*document, look.label + "-own-pupil");
    EXPECT_GT(counts.zxing, 0);
  }
}

TEST(EyeDocumentSplitPupils, DrawAtTheFinderCentres) {
  for (const EyeLook& look : eyeLooks()) {
    if (look.splitPupil) expectSplitPupilDrawn(look);
  }
}

TEST_P(EyeDocument, PDFDecodes) {
  auto document = documentWithEye(GetParam());
  if (GetParam().splitPupil)
    document->modifyDesign([](QRCodeDesignPtr& design) { design->shape()->setPupil(QRCodePupilShapeSquare::Create()); });
  const foundation::Bytes pdf = document->pdfDataWithDimension(330, 72);
  // The PDF's vector outline, rasterised by poppler at three sizes: a decoder reads it, and
  // nothing else is ever read.
  const auto reads = [](const std::vector<std::string>& texts) { return texts.size() == 1 && texts[0] == kURL; };
  int read = 0;
  for (int size : {330, 500, 660}) {
    const gfx::Image page = testsupport::rasterizePDF(pdf, size, size, gfx::Image::RGBA{255, 255, 255, 255});
    const auto results = testsupport::decodeImage(page);
    read += reads(results.zxing) || reads(results.zbar);
    for (const auto* texts : {&results.zxing, &results.zbar})
      for (const auto& text : *texts) EXPECT_EQ(text, kURL);
  }
  EXPECT_GT(read, 0);
}

TEST_P(EyeDocument, ArchiveRestoresTheEyeAndItsLook) {
  auto document = documentWithEye(GetParam());
  const gfx::Image original = document->cgImageWithDimension(200);
  const foundation::Bytes json = document->jsonData();
  const auto restored = QRCodeDocument::CreateWithJsonData(json);
  ASSERT_NE(restored, nullptr);
  const auto& eye = restored->design()->shape()->eye();
  ASSERT_NE(eye, nullptr);
  EXPECT_EQ(eye->name(), GetParam().name);
  EXPECT_EQ(eye->settings(), document->design()->shape()->eye()->settings());
  EXPECT_EQ(restored->cgImageWithDimension(200), original);
}

INSTANTIATE_TEST_SUITE_P(Eyes, EyeDocument, testing::ValuesIn(eyeLooks()),
                         [](const testing::TestParamInfo<EyeLook>& info) { return info.param.label; });

// The eye as built sits at the top-left finder pattern: the UFO's square corner (10, 10)
// lies at the symbol's outer corner there, and mirrored at the other two patterns.
TEST(EyeDocumentPlacement, UFOSquareCornersPointOutwards) {
  auto document = std::make_unique<QRCodeDocument>(kURL, QRCode::ErrorCorrection::quartile);
  document->design()->shape()->setEye(QRCodeEyeShapeUFO::Create());
  const std::int64_t n = document->qrcode().cellDimension();
  const double cell = 10;
  const gfx::Image image = document->cgImageWithDimension(n * 10);
  const auto dark = [&](double x, double y) {
    return image.pixelAt(static_cast<int>(x), static_cast<int>(y)).r < 128;
  };
  const double far = static_cast<double>(n) * cell;
  // Top-left pattern: eye-space (10.5, 10.5) is a square corner, (10.5, 79.5) a round one.
  EXPECT_TRUE(dark(10.5, 10.5));
  EXPECT_FALSE(dark(10.5, 79.5));
  // Top-right (mirrored left to right): the outer corner (far - 10.5, 10.5) is square.
  EXPECT_TRUE(dark(far - 10.5, 10.5));
  EXPECT_FALSE(dark(far - 10.5, 79.5));
  // Bottom-left (mirrored top to bottom): the outer corner (10.5, far - 10.5) is square.
  EXPECT_TRUE(dark(10.5, far - 10.5));
  EXPECT_FALSE(dark(10.5, far - 79.5));
}

}  // namespace
