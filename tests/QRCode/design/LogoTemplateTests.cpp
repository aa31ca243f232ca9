#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "QRCode/core/QRCode.hpp"
#include "QRCode/core/QRCodeBoolMatrix.hpp"
#include "QRCode/core/QRCodeEngineExternal.hpp"
#include "QRCode/core/QRCodeError.hpp"
#include "QRCode/core/QRCodePathHelpers.hpp"
#include "QRCode/design/QRCodeLogoTemplate.hpp"
#include "platform/foundation/Error.hpp"
#include "platform/foundation/Output.hpp"
#include "platform/foundation/Text.hpp"
#include "support/Decode.hpp"
#include "support/Expect.hpp"

namespace {

using testsupport::CapturedOutput;

using foundation::Settings;
using RGBA = gfx::Image::RGBA;

// An n x n matrix with every module set.
std::shared_ptr<const QRCodeBoolMatrix> fullMatrix(std::int64_t n) {
  return std::make_shared<const QRCodeBoolMatrix>(QRCodeBoolMatrix(n).flipped());
}

gfx::Image opaqueImage(int w = 8, int h = 8) { return gfx::Image::filled(w, h, RGBA{255, 0, 0, 255}); }
gfx::Image clearImage(int w = 8, int h = 8) { return gfx::Image::filled(w, h, RGBA{0, 0, 0, 0}); }

// The cells switched off by the mask, as (row, column) pairs in row order.
std::vector<std::pair<int, int>> removed(const QRCodeBoolMatrix& masked) {
  std::vector<std::pair<int, int>> cells;
  for (int r = 0; r < masked.dimension(); ++r)
    for (int c = 0; c < masked.dimension(); ++c)
      if (!masked.value(r, c)) cells.emplace_back(r, c);
  return cells;
}

// Base64 path JSON of a polygon of n elements (a move, lines, a close) round the middle.
std::string polygonBase64(std::size_t n) {
  gfx::Path p;
  p.moveTo({0.3, 0.3});
  for (std::size_t i = 2; i < n; ++i) p.lineTo({0.3 + 0.4 * static_cast<double>(i % 2), 0.3 + 0.4 * static_cast<double>(i) / static_cast<double>(n)});
  p.close();
  return foundation::base64Encode(CGPathCodable::encodePath(p));
}

std::vector<std::pair<int, int>> block(int r0, int r1, int c0, int c1) {
  std::vector<std::pair<int, int>> cells;
  for (int r = r0; r <= r1; ++r)
    for (int c = c0; c <= c1; ++c) cells.emplace_back(r, c);
  return cells;
}

TEST(QRCodeLogoTemplate, PathMaskingCountsAt21) {
  const auto matrix = fullMatrix(21);
  const struct {
    const char* what;
    std::shared_ptr<QRCodeLogoTemplate> logo;
    std::vector<std::pair<int, int>> expected;
  } cases[] = {
      {"square centre", QRCodeLogoTemplate::SquareCenterWithImage(opaqueImage(), 0), block(8, 12, 8, 12)},
      {"square bottom right", QRCodeLogoTemplate::SquareBottomRightWithImage(opaqueImage(), 0), block(15, 19, 15, 19)},
  };
  for (const auto& c : cases) {
    for (double dimension : {21.0, 100.0, 317.5}) {
      const auto masked = c.logo->applyingMask(matrix, dimension);
      EXPECT_EQ(removed(*masked), c.expected) << c.what << " at " << dimension;
    }
  }
  const auto circle = QRCodeLogoTemplate::CircleCenterWithImage(opaqueImage(), 0)->applyingMask(matrix, 210);
  const auto cells = removed(*circle);
  EXPECT_EQ(cells.size(), 21u);
  for (const auto& [r, c] : cells) {
    EXPECT_GE(r, 8);
    EXPECT_LE(r, 12);
  }
  const auto circleBR = QRCodeLogoTemplate::CircleBottomRightWithImage(opaqueImage(), 0)->applyingMask(matrix, 210);
  for (const auto& [r, c] : removed(*circleBR)) {
    EXPECT_GE(r, 15);
    EXPECT_GE(c, 15);
  }
}

TEST(QRCodeLogoTemplate, MaskKeepsOffModulesOff) {
  // Only modules that were on and lie outside the logo stay on.
  QRCodeBoolMatrix checker(21);
  for (int r = 0; r < 21; ++r)
    for (int c = 0; c < 21; ++c) checker.setValue(r, c, (r + c) % 2 == 0);
  const auto logo = QRCodeLogoTemplate::SquareCenterWithImage(opaqueImage(), 0);
  const QRCodeBoolMatrix masked = logo->applyingMask(checker, 100);
  for (int r = 0; r < 21; ++r)
    for (int c = 0; c < 21; ++c) {
      const bool inLogo = r >= 8 && r <= 12 && c >= 8 && c <= 12;
      EXPECT_EQ(masked.value(r, c), !inLogo && checker.value(r, c)) << r << "," << c;
    }
}

TEST(QRCodeLogoTemplate, InsetNeverChangesMasking) {
  const auto matrix = fullMatrix(25);
  const auto plain = QRCodeLogoTemplate::CircleCenterWithImage(opaqueImage(), 0)->applyingMask(matrix, 250);
  const auto inset = QRCodeLogoTemplate::CircleCenterWithImage(opaqueImage(), 30)->applyingMask(matrix, 250);
  EXPECT_EQ(*plain, *inset);
}

TEST(QRCodeLogoTemplate, NotMaskingReturnsTheSameMatrix) {
  const auto matrix = fullMatrix(21);
  QRCodeLogoTemplate path(opaqueImage(), QRCodeLogoTemplate::SquareCenterWithImage(opaqueImage(), 0)->path(), 0, false);
  QRCodeLogoTemplate image(opaqueImage(), std::nullopt, false);
  EXPECT_EQ(path.applyingMask(matrix, 100).get(), matrix.get());
  EXPECT_EQ(image.applyingMask(matrix, 100).get(), matrix.get());
}

TEST(QRCodeLogoTemplate, ImageMaskOpaqueAndTransparent) {
  const auto matrix = fullMatrix(21);
  EXPECT_EQ(QRCodeLogoTemplate(opaqueImage(), std::nullopt).applyingMask(matrix, 100)->setCount(), 0);
  EXPECT_EQ(QRCodeLogoTemplate(clearImage(), std::nullopt).applyingMask(matrix, 100)->setCount(), 21 * 21);
  // The mask image decides, not the logo image.
  EXPECT_EQ(QRCodeLogoTemplate(opaqueImage(), clearImage()).applyingMask(matrix, 100)->setCount(), 21 * 21);
  EXPECT_EQ(QRCodeLogoTemplate(clearImage(), opaqueImage()).applyingMask(matrix, 100)->setCount(), 0);
}

TEST(QRCodeLogoTemplate, ImageMaskAlphaOneVersusTwo) {
  const auto matrix = fullMatrix(21);
  // Premultiplied pixels of black at alpha 1/255 and 2/255, at several source sizes.
  for (int size : {21, 7, 64}) {
    const QRCodeLogoTemplate one(clearImage(), gfx::Image::filled(size, size, RGBA{0, 0, 0, 1}));
    const QRCodeLogoTemplate two(clearImage(), gfx::Image::filled(size, size, RGBA{0, 0, 0, 2}));
    EXPECT_EQ(one.applyingMask(matrix, 100)->setCount(), 21 * 21) << size;
    EXPECT_EQ(two.applyingMask(matrix, 100)->setCount(), 0) << size;
  }
}

TEST(QRCodeLogoTemplate, ImageMaskOfAWideImageUsesItsMiddle) {
  const int n = 21;
  const auto matrix = fullMatrix(n);
  // 84 x 42: drawn 42 x 21, so source columns 21...62 cover the grid.
  std::vector<std::uint8_t> middleClear(84 * 42 * 4, 0), middleOpaque(84 * 42 * 4, 0);
  for (int y = 0; y < 42; ++y)
    for (int x = 0; x < 84; ++x) {
      const bool middle = x >= 21 && x < 63;
      std::uint8_t* a = &middleClear[(y * 84 + x) * 4];
      std::uint8_t* b = &middleOpaque[(y * 84 + x) * 4];
      if (!middle) a[0] = a[3] = 255;
      if (middle) b[0] = b[3] = 255;
    }
  const QRCodeLogoTemplate keepAll(clearImage(), gfx::Image::make(84, 42, middleClear));
  const QRCodeLogoTemplate removeAll(clearImage(), gfx::Image::make(84, 42, middleOpaque));
  EXPECT_EQ(keepAll.applyingMask(matrix, 100)->setCount(), n * n);
  EXPECT_EQ(removeAll.applyingMask(matrix, 100)->setCount(), 0);
}

TEST(QRCodeLogoTemplate, ImageMaskMeasuresYFromTheTop) {
  // An image-mask template whose region is moved to the top-left quarter masks the modules
  // under that quarter (rows 0 to 9), not their mirror image at the bottom.
  const int n = 20;
  QRCodeLogoTemplate logo(opaqueImage(), std::nullopt);
  gfx::Path topLeft;
  topLeft.addRect(gfx::Rect(0, 0, 0.5, 0.5));
  logo.setPath(topLeft);
  const auto masked = logo.applyingMask(fullMatrix(n), 200);
  EXPECT_EQ(removed(*masked), block(0, 9, 0, 9));

  // A mask whose top half is opaque removes the top rows.
  std::vector<std::uint8_t> topHalf(10 * 10 * 4, 0);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 10; ++x) topHalf[(y * 10 + x) * 4 + 3] = 255;
  const QRCodeLogoTemplate half(clearImage(), gfx::Image::make(10, 10, topHalf));
  EXPECT_EQ(removed(*half.applyingMask(fullMatrix(n), 200)), block(0, 9, 0, n - 1));
}

TEST(QRCodeLogoTemplate, EmptyMaskSourcePrintsAndKeepsTheMatrix) {
  CapturedOutput out;
  const auto matrix = fullMatrix(21);
  const QRCodeLogoTemplate logo{gfx::Image(), std::nullopt};
  EXPECT_EQ(logo.applyingMask(matrix, 100).get(), matrix.get());
  EXPECT_EQ(out.lines, std::vector<std::string>{"Couldn't scale logo template image"});
}

TEST(QRCodeLogoTemplate, AbsolutePath) {
  gfx::Path point;
  point.moveTo({0.7, 0.7});
  QRCodeLogoTemplate logo(opaqueImage(), point, 0);
  EXPECT_EQ(logo.absolutePathForMaskPathWithDimension(100, false).elements()[0].points[0], (gfx::Point{70, 70}));
  const gfx::Point flipped = logo.absolutePathForMaskPathWithDimension(100, true).elements()[0].points[0];
  EXPECT_NEAR(flipped.x, 70, 1e-9);
  EXPECT_NEAR(flipped.y, 30, 1e-9);
}

TEST(QRCodeLogoTemplate, MaskedCodeStillDecodes) {
  const std::string text = "https://example.com/wallpaper/waves-dp3YBose";
  QRCode code(text, QRCode::ErrorCorrection::high, std::make_shared<QRCodeEngineExternal>());
  const auto logo = QRCodeLogoTemplate::SquareCenterWithImage(opaqueImage(), 0);
  const auto masked = logo->applyingMask(code.boolMatrix(), 300);
  ASSERT_LT(masked->setCount(), code.boolMatrix()->setCount());
  const DecodeResults results = decodeBoth(matrixImage(*masked));
  EXPECT_EQ(results.zxing, std::vector<std::string>{text});
  EXPECT_EQ(results.zbar, std::vector<std::string>{text});
}

// Images equal pixel for pixel after a PNG round trip (opaque and clear pixels only).
void expectSamePixels(const gfx::Image& a, const gfx::Image& b) {
  ASSERT_EQ(a.width(), b.width());
  ASSERT_EQ(a.height(), b.height());
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) ASSERT_EQ(a.pixelAt(x, y), b.pixelAt(x, y)) << x << "," << y;
}

gfx::Image patternImage() {
  std::vector<std::uint8_t> px(6 * 4 * 4, 0);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) {
      if ((x + y) % 3 == 0) continue;  // clear
      std::uint8_t* p = &px[(y * 6 + x) * 4];
      p[0] = static_cast<std::uint8_t>(40 * x);
      p[1] = static_cast<std::uint8_t>(60 * y);
      p[2] = 200;
      p[3] = 255;
    }
  return gfx::Image::make(6, 4, px);
}

TEST(QRCodeLogoTemplate, SettingsRoundTripOfBothKinds) {
  const auto pathLogo = QRCodeLogoTemplate::CircleBottomRightWithImage(patternImage(), 3.5);
  const Settings ps = pathLogo->settings();
  EXPECT_FALSE(ps.contains("maskUsingImageTransparency"));
  EXPECT_FALSE(ps.contains("maskImage"));
  const auto pathBack = QRCodeLogoTemplate::CreateWithSettings(ps);
  ASSERT_NE(pathBack, nullptr);
  EXPECT_FALSE(pathBack->useImageMasking());
  EXPECT_EQ(pathBack->inset(), 3.5);
  EXPECT_TRUE(pathBack->masksQRCodePixels());
  EXPECT_TRUE(gfx::approximatelyEqual(pathBack->path(), pathLogo->path(), 1e-12));
  expectSamePixels(pathBack->image(), patternImage());

  QRCodeLogoTemplate imageLogo(patternImage(), opaqueImage(3, 5), false);
  const Settings is = imageLogo.settings();
  EXPECT_EQ(is["maskUsingImageTransparency"], true);
  const auto imageBack = QRCodeLogoTemplate::CreateWithSettings(is);
  ASSERT_NE(imageBack, nullptr);
  EXPECT_TRUE(imageBack->useImageMasking());
  EXPECT_FALSE(imageBack->masksQRCodePixels());
  EXPECT_EQ(imageBack->inset(), 0.0);
  EXPECT_EQ(imageBack->path(), imageLogo.path());
  ASSERT_TRUE(imageBack->maskImage().has_value());
  expectSamePixels(*imageBack->maskImage(), opaqueImage(3, 5));
  expectSamePixels(imageBack->image(), patternImage());
  // And it masks as the original does.
  const auto matrix = fullMatrix(21);
  imageLogo = QRCodeLogoTemplate(patternImage(), opaqueImage(3, 5), true);
  const auto again = QRCodeLogoTemplate::CreateWithSettings(imageLogo.settings());
  EXPECT_EQ(*again->applyingMask(matrix, 100), *imageLogo.applyingMask(matrix, 100));
}

TEST(QRCodeLogoTemplate, ReadingSettingsEdgeCases) {
  const Settings good = QRCodeLogoTemplate::SquareCenterWithImage(opaqueImage(), 2)->settings();
  EXPECT_EQ(QRCodeLogoTemplate::CreateWithSettings(Settings::object()), nullptr);

  const struct {
    const char* what;
    const char* key;
    Settings value;  // null: remove the key
    bool readable;
  } cases[] = {
      {"no image", "image", nullptr, false},
      {"image not base64", "image", "***", false},
      {"image not an image", "image", foundation::base64Encode(foundation::bytesOf("hello")), false},
      {"image with a line break", "image", "iVBORw0K\nGgo=", false},
      {"no path", "relativeMaskPath", nullptr, false},
      {"path not text", "relativeMaskPath", 5, false},
      {"path not JSON", "relativeMaskPath", foundation::base64Encode(foundation::bytesOf("{")), false},
      {"path of the most elements", "relativeMaskPath", polygonBase64(QRCodeLogoTemplate::maxPathElements), true},
      {"path of too many elements", "relativeMaskPath", polygonBase64(QRCodeLogoTemplate::maxPathElements + 1), false},
      {"bad mask image is dropped", "maskImage", "***", true},
      {"inset as text", "inset", "2", true},
      {"no masksQRCodePixels", "masksQRCodePixels", nullptr, true},
  };
  for (const auto& c : cases) {
    Settings s = good;
    if (c.value.is_null()) {
      s.erase(c.key);
    } else {
      s[c.key] = c.value;
    }
    const auto logo = QRCodeLogoTemplate::CreateWithSettings(s);
    EXPECT_EQ(logo != nullptr, c.readable) << c.what;
    if (logo) {
      EXPECT_TRUE(logo->masksQRCodePixels()) << c.what;
      EXPECT_FALSE(logo->maskImage().has_value()) << c.what;
    }
  }
  Settings textInset = good;
  textInset["inset"] = "2";
  EXPECT_EQ(QRCodeLogoTemplate::CreateWithSettings(textInset)->inset(), 0.0);
  // Numbers stand for booleans.
  Settings numbers = good;
  numbers["masksQRCodePixels"] = 0;
  numbers["maskUsingImageTransparency"] = 2;
  const auto logo = QRCodeLogoTemplate::CreateWithSettings(numbers);
  ASSERT_NE(logo, nullptr);
  EXPECT_FALSE(logo->masksQRCodePixels());
  EXPECT_TRUE(logo->useImageMasking());
}

TEST(QRCodeLogoTemplate, CopiesKeepTheirKindAndMasking) {
  const QRCodeLogoTemplate pathLogo(opaqueImage(), QRCodeLogoTemplate::SquareCenterWithImage(opaqueImage(), 0)->path(),
                                    4, false);
  const auto pathCopy = pathLogo.copyLogoTemplate();
  EXPECT_NE(pathCopy.get(), &pathLogo);
  EXPECT_FALSE(pathCopy->useImageMasking());
  EXPECT_FALSE(pathCopy->masksQRCodePixels());  // kept, not forced to true
  EXPECT_EQ(pathCopy->inset(), 4.0);
  EXPECT_EQ(pathCopy->path(), pathLogo.path());
  EXPECT_EQ(pathCopy->image(), pathLogo.image());

  const QRCodeLogoTemplate imageLogo(opaqueImage(), clearImage(), false);
  const auto imageCopy = imageLogo.copyLogoTemplate();
  EXPECT_TRUE(imageCopy->useImageMasking());
  EXPECT_FALSE(imageCopy->masksQRCodePixels());
  ASSERT_TRUE(imageCopy->maskImage().has_value());
  EXPECT_EQ(*imageCopy->maskImage(), clearImage());

  const auto withImage = pathLogo.copyWithImage(clearImage(4, 4), opaqueImage());
  EXPECT_FALSE(withImage->useImageMasking());
  EXPECT_TRUE(withImage->masksQRCodePixels());
  EXPECT_FALSE(withImage->maskImage().has_value());
  EXPECT_EQ(withImage->image().width(), 4);
  const auto imageWith = imageLogo.copyWithImage(clearImage(4, 4), std::nullopt);
  EXPECT_TRUE(imageWith->useImageMasking());
  EXPECT_FALSE(imageWith->maskImage().has_value());
}

TEST(QRCodeLogoTemplate, EncodedFormRoundTrip) {
  const QRCodeLogoTemplate logo(patternImage(), opaqueImage(2, 2), false);
  const Settings encoded = logo.encode();
  const auto back = QRCodeLogoTemplate::decode(encoded);
  EXPECT_TRUE(back->useImageMasking());
  EXPECT_FALSE(back->masksQRCodePixels());
  EXPECT_EQ(back->path(), logo.path());
  ASSERT_TRUE(back->maskImage().has_value());
  expectSamePixels(back->image(), patternImage());

  Settings noMasks = encoded;
  noMasks.erase("masksQRCodePixels");
  EXPECT_TRUE(QRCodeLogoTemplate::decode(noMasks)->masksQRCodePixels());
  for (const char* key : {"image", "path", "inset", "useImageMasking"}) {
    Settings missing = encoded;
    missing.erase(key);
    EXPECT_THROW(QRCodeLogoTemplate::decode(missing), foundation::Error) << key;
  }
  Settings longPath = encoded;
  longPath["path"] = polygonBase64(QRCodeLogoTemplate::maxPathElements + 1);
  testsupport::expectError([&] { QRCodeLogoTemplate::decode(longPath); }, QRCodeError::invalidContent);
}

TEST(QRCodeLogoTemplate, RememberedMaskFollowsTheMatrixSizeAndAReplacedPath) {
  // The mask is made once per matrix size; each size and each path still gets its own.
  const auto logo = QRCodeLogoTemplate::SquareCenterWithImage(opaqueImage(), 0);
  EXPECT_EQ(removed(*logo->applyingMask(fullMatrix(21), 21)), block(8, 12, 8, 12));
  EXPECT_EQ(removed(*logo->applyingMask(fullMatrix(25), 25)), block(9, 15, 9, 15));
  EXPECT_EQ(removed(*logo->applyingMask(fullMatrix(21), 21)), block(8, 12, 8, 12));
  gfx::Path corner;
  corner.addRect(gfx::Rect(0.7, 0.7, 0.25, 0.25));
  logo->setPath(corner);
  EXPECT_EQ(removed(*logo->applyingMask(fullMatrix(21), 21)), block(15, 19, 15, 19));
  // A copy starts from its own path.
  EXPECT_EQ(removed(logo->copyLogoTemplate()->applyingMask(*fullMatrix(21), 21)), block(15, 19, 15, 19));
  // One template reused as the code grows, and at two sides (rounding puts the third
  // column's centres in a 0.1 strip at side 301, not at 300): each mask is a fresh one's.
  gfx::Path strip;
  strip.addRect(gfx::Rect(0, 0, 0.1, 1));
  const QRCodeLogoTemplate reused(opaqueImage(), strip, 0);
  auto fresh = [&](int n, double side) { return QRCodeLogoTemplate(opaqueImage(), strip, 0).applyingMask(*fullMatrix(n), side); };
  ASSERT_NE(fresh(25, 301), fresh(25, 300));
  for (const auto& [n, side] : {std::pair{21, 300.0}, {25, 300.0}, {25, 301.0}, {25, 300.0}})
    EXPECT_EQ(reused.applyingMask(*fullMatrix(n), side), fresh(n, side)) << n << " at " << side;
}

}  // namespace
