// The renderer: layers, their order, fills, shadow and logo, checked on rendered pixels
// and by decoding the rendered codes with ZXing and zbar.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "QRCode/design/QRCodeDesign.hpp"
#include "QRCode/design/QRCodeFillStyleSolid.hpp"
#include "QRCode/design/QRCodeLogoTemplate.hpp"
#include "QRCode/eye/QRCodeEyeShapeFactory.hpp"
#include "QRCode/eye/QRCodeEyeShapesRounded.hpp"
#include "QRCode/pixel/CommonPixelShapes.hpp"
#include "QRCode/pixel/QRCodePixelInsetGenerator.hpp"
#include "QRCode/render/QRCodeImageExports.hpp"
#include "QRCode/render/QRCodeRenderer.hpp"
#include "platform/foundation/Output.hpp"
#include "support/Raster.hpp"

namespace {

const std::string kURL = "https://vidlumen.example.com/wallpaper/waves-dp3YBose?utm_source=share";

const gfx::Color kRed = gfx::Color::sRGB(1, 0, 0, 1);
const gfx::Color kClear = gfx::Color::sRGB(0, 0, 0, 0);

// Collects the printed lines while alive.
class CapturedOutput {
 public:
  CapturedOutput() {
    previous_ = foundation::setOutputSink([this](std::string_view line) { lines.emplace_back(line); });
  }
  ~CapturedOutput() { foundation::setOutputSink(previous_); }
  std::vector<std::string> lines;

 private:
  foundation::OutputSink previous_;
};

const QRCode& urlCode() {
  static const QRCode qr(kURL, QRCode::ErrorCorrection::medium);
  return qr;
}

int dimensionOf(const QRCode& qr) { return static_cast<int>(qr.cellDimension()); }

// The pixel at the centre of module (row, col) with `cell` pixels per module.
gfx::Image::RGBA moduleAt(const gfx::Image& image, int row, int col, double cell, double x0 = 0, double y0 = 0) {
  return image.pixelAt(static_cast<int>(x0 + (col + 0.5) * cell), static_cast<int>(y0 + (row + 0.5) * cell));
}

bool isRed(gfx::Image::RGBA p) { return p.r > 200 && p.g < 60 && p.b < 60 && p.a > 200; }
bool isBlack(gfx::Image::RGBA p) { return p.r < 40 && p.g < 40 && p.b < 40 && p.a > 200; }
bool isWhite(gfx::Image::RGBA p) { return p.r > 215 && p.g > 215 && p.b > 215 && p.a > 200; }

std::shared_ptr<QRCodePixelShapeRoundedRect> roundedPixels() {
  return std::make_shared<QRCodePixelShapeRoundedRect>(0.7, std::make_shared<QRCodePixelInsetFixed>(), 0.1, 0.0, false);
}

TEST(Renderer, DefaultDesignDecodesAtSeveralSizes) {
  QRCodeDesign design;
  for (int side : {120, 300, 301, 512}) {
    const gfx::Image image = qrrender::cgImageWithDimension(urlCode(), side, design, nullptr);
    ASSERT_EQ(image.width(), side);
    EXPECT_TRUE(testsupport::decodeImage(image).bothRead(kURL)) << side;
    if (side == 300) testsupport::writeImagePNG(image, "render-default.png");
  }
}

// The Share panel's look: rounded modules and eye, white fills on a clear background.
TEST(Renderer, WhiteOnClearDecodesOverADarkBackground) {
  QRCodeDesign design;
  design.shape()->setOnPixels(roundedPixels());
  design.shape()->setEye(std::make_shared<QRCodeEyeShapeRoundedRect>());
  design.style()->setBackground(QRCodeFillStyle::clear());
  design.style()->setOnPixels(QRCodeFillStyleSolid::make(gfx::Color::sRGB(1, 1, 1, 1)));
  const gfx::Image image = qrrender::cgImageWithDimension(urlCode(), 300, design, nullptr);
  EXPECT_EQ(image.pixelAt(1, 1).a, 0);
  // Over dark grey, as the panel shows it.
  gfx::Canvas canvas = gfx::Canvas::bitmap(300, 300);
  canvas.setFillColor(gfx::Color::sRGB(0.15, 0.15, 0.2, 1));
  canvas.fillRect({0, 0, 300, 300});
  canvas.drawImage(image, {0, 0, 300, 300});
  const gfx::Image shown = canvas.makeImage();
  testsupport::writeImagePNG(shown, "render-share-design.png");
  EXPECT_TRUE(testsupport::decodeImage(shown).bothRead(kURL));
}

TEST(Renderer, RoundedDesignWithShadowDecodes) {
  QRCodeDesign design;
  design.shape()->setOnPixels(roundedPixels());
  design.shape()->setEye(std::make_shared<QRCodeEyeShapeRoundedRect>());
  design.style()->setShadow(std::make_shared<QRCodeShadow>());
  design.setAdditionalQuietZonePixels(2);
  const gfx::Image image = qrrender::cgImageWithDimension(urlCode(), 400, design, nullptr);
  testsupport::writeImagePNG(image, "render-rounded-shadow.png");
  EXPECT_TRUE(testsupport::decodeImage(image).bothRead(kURL));
}

TEST(Renderer, NoRoomPrintsAndDrawsNothing) {
  QRCodeDesign design;
  const QRCode empty;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Row {
    const QRCode* qr;
    gfx::Rect rect;
  };
  const Row rows[] = {{&empty, {0, 0, 50, 50}}, {&urlCode(), {0, 0, 0, 50}}, {&urlCode(), {0, 0, nan, 50}}};
  for (const auto& row : rows) {
    CapturedOutput out;
    gfx::Canvas canvas = gfx::Canvas::bitmap(50, 50);
    qrrender::drawWithCtx(*row.qr, canvas, row.rect, design, nullptr);
    ASSERT_EQ(out.lines, std::vector<std::string>{"additionalQuietSpace too large"});
    EXPECT_EQ(canvas.makeImage(), gfx::Image::filled(50, 50));
    EXPECT_EQ(canvas.saveDepth(), 0);
  }
}

TEST(Renderer, LeavesTheCanvasStateAsItFoundIt) {
  QRCodeDesign design;
  design.style()->setShadow(std::make_shared<QRCodeShadow>());
  design.style()->setBackgroundFractionalCornerRadius(0.5);
  gfx::Canvas canvas = gfx::Canvas::bitmap(100, 100);
  canvas.setFillColor(kRed);
  const gfx::AffineTransform before = canvas.transform();
  qrrender::drawWithCtx(urlCode(), canvas, {0, 0, 100, 100}, design, nullptr);
  EXPECT_EQ(canvas.saveDepth(), 0);
  EXPECT_EQ(canvas.transform(), before);
  EXPECT_FALSE(canvas.hasShadow());
  EXPECT_EQ(canvas.fillColor(), kRed);
}

// Every layer, the logo included, moves with the rectangle's origin.
TEST(Renderer, RectangleOriginMovesEveryLayer) {
  QRCodeDesign design;
  design.style()->setEyeBackground(kRed);
  design.style()->setBackgroundFractionalCornerRadius(1);
  const auto logo = QRCodeLogoTemplate::CircleCenterWithImage(gfx::Image::filled(8, 8, {0, 0, 255, 255}), 2);
  auto draw = [&](gfx::Rect rect) {
    gfx::Canvas canvas = gfx::Canvas::bitmap(400, 400);
    canvas.scale(1, -1);
    canvas.translate(0, -400);
    qrrender::drawWithCtx(urlCode(), canvas, rect, design, logo.get());
    return canvas.makeImage();
  };
  const gfx::Image atOrigin = draw({0, 0, 300, 300});
  const gfx::Image moved = draw({50, 30, 300, 300});
  for (int y = 0; y < 300; ++y)
    for (int x = 0; x < 300; ++x) ASSERT_EQ(moved.pixelAt(x + 50, y + 30), atOrigin.pixelAt(x, y)) << x << "," << y;
  EXPECT_EQ(moved.pixelAt(20, 20).a, 0);
}

TEST(Renderer, QuietZoneCentresTheGrid) {
  QRCodeDesign design;
  design.setAdditionalQuietZonePixels(3);
  const int n = dimensionOf(urlCode());
  const double cell = 10;
  const int side = static_cast<int>((n + 6) * cell);
  const gfx::Image image = qrrender::cgImageWithDimension(urlCode(), side, design, nullptr);
  // Quiet zone white; the top-left finder ring starts at module (1, 1) of the grid.
  EXPECT_TRUE(isWhite(image.pixelAt(5, 5)));
  EXPECT_TRUE(isWhite(moduleAt(image, 0, 0, cell, 3 * cell, 3 * cell)));
  EXPECT_TRUE(isBlack(moduleAt(image, 1, 1, cell, 3 * cell, 3 * cell)));
  EXPECT_TRUE(isBlack(moduleAt(image, n - 2, 1, cell, 3 * cell, 3 * cell)));
  EXPECT_TRUE(isBlack(moduleAt(image, 1, n - 2, cell, 3 * cell, 3 * cell)));
  EXPECT_TRUE(testsupport::decodeImage(image).bothRead(kURL));
}

// The eye background lies under the whole eye at all three corners, for every eye: drawn
// with clear eyes and pupils, every point well inside the eye ring shows the background
// colour.
TEST(Renderer, EyeBackgroundCoversTheEyeAtAllThreeCorners) {
  const QRCode& qr = urlCode();
  const int n = dimensionOf(qr);
  const int side = n * 10;  // one eye-space unit is one pixel
  for (const auto& eye : QRCodeEyeShapeFactory::shared().all()) {
    QRCodeDesign design;
    design.shape()->setEye(eye);
    design.style()->setEye(QRCodeFillStyleSolid::make(kClear));
    design.style()->setPupil(QRCodeFillStyleSolid::make(kClear));
    design.style()->setEyeBackground(kRed);
    const gfx::Image image = qrrender::cgImageWithDimension(qr, side, design, nullptr);
    if (eye->name() == "roundedPointingIn") testsupport::writeImagePNG(image, "render-eye-background.png");
    const gfx::Path ring = eye->eyePath();
    const double far = (n - 9) * 10.0;
    int checked = 0;
    for (double y = 0.5; y < 90; y += 2)
      for (double x = 0.5; x < 90; x += 2) {
        bool inside = true;
        for (auto [dx, dy] : {std::pair{0.0, 0.0}, {2.0, 0.0}, {-2.0, 0.0}, {0.0, 2.0}, {0.0, -2.0}})
          inside = inside && ring.contains({x + dx, y + dy});
        if (!inside) continue;
        ++checked;
        const gfx::Point corners[] = {{x, y}, {x, far + 90 - y}, {far + 90 - x, y}};
        for (const auto& p : corners)
          ASSERT_TRUE(isRed(image.pixelAt(static_cast<int>(p.x), static_cast<int>(p.y))))
              << eye->name() << " at " << p.x << "," << p.y;
      }
    EXPECT_GT(checked, 20) << eye->name();
  }
}

// The shadow offset is counted in modules of the grid, also on a wide rectangle.
TEST(Renderer, ShadowOffsetIsOneModuleOnAWideRectangle) {
  const QRCode& qr = urlCode();
  const int n = dimensionOf(qr);
  const double cell = 10;
  const double h = n * cell, w = 2 * h;
  QRCodeDesign design;
  design.style()->setShadow(std::make_shared<QRCodeShadow>(QRCodeShadow::ShadowType::dropShadow, 1.0, -1.0, 0.0, kRed));
  const gfx::Image image = qrrender::cgImage(qr, {w, h}, design, nullptr);
  testsupport::writeImagePNG(image, "render-wide-shadow.png");
  const double x0 = (w - h) / 2;
  // The top-left ring covers columns 1 to 7; its shadow, one module right and down,
  // fills column 8 on rows 2 to 8, and nothing lies in column 9 there.
  for (int row = 2; row <= 7; ++row) {
    EXPECT_TRUE(isRed(moduleAt(image, row, 8, cell, x0))) << row;
    EXPECT_TRUE(isWhite(moduleAt(image, row, 9, cell, x0)) || isBlack(moduleAt(image, row, 9, cell, x0))) << row;
  }
  EXPECT_TRUE(isRed(moduleAt(image, 8, 4, cell, x0)));
  EXPECT_TRUE(isWhite(moduleAt(image, 0, 4, cell, x0)));  // nothing above the ring
}

TEST(Renderer, NegatedDrawsTheOnFillOverEveryOffModule) {
  const QRCode& qr = urlCode();
  const auto& m = *qr.boolMatrix();
  const int n = dimensionOf(qr);
  QRCodeDesign design;
  design.shape()->setNegatedOnPixelsOnly(true);
  design.style()->setEyeBackground(kRed);  // not drawn in negated mode
  const gfx::Image image = qrrender::cgImageWithDimension(qr, n * 6, design, nullptr);
  for (int r = 0; r < n; ++r)
    for (int c = 0; c < n; ++c) {
      const auto p = moduleAt(image, r, c, 6);
      ASSERT_TRUE(m.value(r, c) ? isWhite(p) : isBlack(p)) << r << "," << c;
    }
}

TEST(Renderer, OffPixelsWithTheirBackgroundOnlyWhenBothAreSet) {
  const QRCode& qr = urlCode();
  const auto& m = *qr.boolMatrix();
  const int n = dimensionOf(qr);
  QRCodeDesign design;
  design.style()->setOffPixels(QRCodeFillStyleSolid::make(gfx::Color::sRGB(0, 0, 1, 1)));
  design.style()->setOffPixelsBackground(kRed);
  // No off-pixel shape yet: nothing drawn for either.
  const gfx::Image without = qrrender::cgImageWithDimension(qr, n * 10, design, nullptr);
  design.shape()->setOffPixels(std::make_shared<QRCodePixelShapeCircle>(std::make_shared<QRCodePixelInsetFixed>(), 0.3));
  const gfx::Image with = qrrender::cgImageWithDimension(qr, n * 10, design, nullptr);
  testsupport::writeImagePNG(with, "render-off-pixels.png");
  int offModules = 0;
  for (int r = 9; r < n - 9; ++r)
    for (int c = 9; c < n - 9; ++c) {
      if (m.value(r, c)) continue;
      ++offModules;
      EXPECT_TRUE(isWhite(moduleAt(without, r, c, 10)));
      const auto centre = moduleAt(with, r, c, 10);
      EXPECT_TRUE(centre.b > 200 && centre.r < 60) << "blue circle at " << r << "," << c;
      const auto corner = with.pixelAt(c * 10 + 1, r * 10 + 1);
      EXPECT_TRUE(isRed(corner)) << "red square behind at " << r << "," << c;
    }
  EXPECT_GT(offModules, 20);
}

TEST(Renderer, OnPixelBackgroundLiesUnderTheOnPixels) {
  const QRCode& qr = urlCode();
  const auto& m = *qr.boolMatrix();
  const int n = dimensionOf(qr);
  QRCodeDesign design;
  design.shape()->setOnPixels(std::make_shared<QRCodePixelShapeCircle>(std::make_shared<QRCodePixelInsetFixed>(), 0.3));
  design.style()->setOnPixelsBackground(kRed);
  const gfx::Image image = qrrender::cgImageWithDimension(qr, n * 10, design, nullptr);
  for (int r = 9; r < n - 9; ++r)
    for (int c = 9; c < n - 9; ++c) {
      if (!m.value(r, c)) continue;
      EXPECT_TRUE(isBlack(moduleAt(image, r, c, 10)));
      EXPECT_TRUE(isRed(image.pixelAt(c * 10 + 1, r * 10 + 1)));
    }
}

TEST(Renderer, BackgroundCornerRadiusClipsOnlyTheBackground) {
  const QRCode& qr = urlCode();
  QRCodeDesign design;
  design.setAdditionalQuietZonePixels(2);
  design.style()->setBackgroundFractionalCornerRadius(2.0);
  const gfx::Image image = qrrender::cgImageWithDimension(qr, 300, design, nullptr);
  EXPECT_EQ(image.pixelAt(0, 0).a, 0);
  EXPECT_EQ(image.pixelAt(299, 299).a, 0);
  EXPECT_TRUE(isWhite(image.pixelAt(150, 1)));
  EXPECT_TRUE(isWhite(image.pixelAt(1, 150)));
  // A huge radius is clamped to a circle, never an error.
  design.style()->setBackgroundFractionalCornerRadius(1e9);
  const gfx::Image round = qrrender::cgImageWithDimension(qr, 300, design, nullptr);
  EXPECT_EQ(round.pixelAt(6, 6).a, 0);  // in the quiet zone, outside the circle
  EXPECT_TRUE(isWhite(round.pixelAt(150, 2)));
}

TEST(Renderer, MissingBackgroundPaintsNothingBehind) {
  QRCodeDesign design;
  design.style()->setBackground(nullptr);
  const int n = dimensionOf(urlCode());
  const gfx::Image image = qrrender::cgImageWithDimension(urlCode(), n * 8, design, nullptr);
  EXPECT_EQ(moduleAt(image, 0, 0, 8).a, 0);
  EXPECT_EQ(moduleAt(image, 2, 2, 8).a, 0);
  EXPECT_TRUE(isBlack(moduleAt(image, 1, 1, 8)));
}

// A logo image red on top and blue below, over the centre of the code.
gfx::Image redTopBlueBottom(int w = 40, int h = 40) {
  std::vector<std::uint8_t> px(static_cast<std::size_t>(w) * h * 4);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint8_t* p = px.data() + (static_cast<std::size_t>(y) * w + x) * 4;
      p[0] = y < h / 2 ? 255 : 0;
      p[2] = y < h / 2 ? 0 : 255;
      p[3] = 255;
    }
  return gfx::Image::make(w, h, std::move(px));
}

TEST(Renderer, LogoIsUprightInItsRegion) {
  const QRCode& qr = urlCode();
  const int n = dimensionOf(qr);
  QRCodeDesign design;
  const auto logo = QRCodeLogoTemplate::SquareCenterWithImage(redTopBlueBottom(), 0);
  const double side = n * 10.0;
  const gfx::Image image = qrrender::cgImageWithDimension(qr, static_cast<int>(side), design, logo.get());
  testsupport::writeImagePNG(image, "render-logo.png");
  const int x0 = static_cast<int>(0.375 * side), x1 = static_cast<int>(0.625 * side);
  const auto top = testsupport::meanColor(image, x0 + 3, x0 + 3, x1 - 3, static_cast<int>(0.5 * side) - 3);
  const auto bottom = testsupport::meanColor(image, x0 + 3, static_cast<int>(0.5 * side) + 3, x1 - 3, x1 - 3);
  EXPECT_GT(top.r, 240);
  EXPECT_LT(top.b, 15);
  EXPECT_GT(bottom.b, 240);
  EXPECT_LT(bottom.r, 15);
  EXPECT_TRUE(testsupport::decodeImage(image).bothRead(kURL));
}

TEST(Renderer, LogoInsetShrinksTheImageNotTheMask) {
  const QRCode& qr = urlCode();
  const int n = dimensionOf(qr);
  QRCodeDesign design;
  const double side = n * 10.0;
  const auto logo = QRCodeLogoTemplate::SquareBottomRightWithImage(gfx::Image::filled(8, 8, {255, 0, 0, 255}), 15);
  const gfx::Image image = qrrender::cgImageWithDimension(qr, static_cast<int>(side), design, logo.get());
  const int x0 = static_cast<int>(0.7 * side), x1 = static_cast<int>(0.95 * side);
  EXPECT_TRUE(isWhite(image.pixelAt(x0 + 5, x0 + 5)));  // masked, not painted
  EXPECT_TRUE(isRed(image.pixelAt((x0 + x1) / 2, (x0 + x1) / 2)));
  EXPECT_TRUE(isWhite(image.pixelAt(x1 - 5, x1 - 5)));
}

}  // namespace
