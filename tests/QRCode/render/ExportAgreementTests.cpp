// One design, one picture: every design below is exported as PNG (read back by cairo), as
// SVG (drawn by librsvg) and as PDF (drawn by poppler) at one size; the three pictures
// must agree pixel by pixel and each must decode with ZXing. The designs are data: design
// settings as JSON, a logo kind, and the agreement each must reach.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "QRCode/core/KvelGradient.hpp"
#include "QRCode/design/QRCodeDesign.hpp"
#include "QRCode/design/QRCodeFillStyleLinearGradient.hpp"
#include "QRCode/design/QRCodeFillStyleRadialGradient.hpp"
#include "QRCode/design/QRCodeLogoTemplate.hpp"
#include "QRCode/design/QRCodeStyle.hpp"
#include "QRCode/eye/QRCodeEyeShapeFactory.hpp"
#include "QRCode/pixel/QRCodePixelShapeFactory.hpp"
#include "QRCode/render/QRCodeImageExports.hpp"
#include "QRCode/render/QRCodeSVGExport.hpp"
#include "imageio/ImageExport.hpp"
#include "platform/foundation/Text.hpp"
#include "support/Raster.hpp"
#include "support/TestFolder.hpp"

namespace {

const std::string kURL = "https://vidlumen.example.com/wallpaper/aurora-Xy12?utm_source=share";
constexpr int kSide = 360;

// Share of pixels that may differ by more than 64 of 255 between any two formats.
constexpr double kAgreement = 0.005;
// The image fill: the SVG embeds its picture as JPEG, whose chroma subsampling smears
// the picture's colour edges; the modules themselves still line up.
constexpr double kJPEGPictureAgreement = 0.03;

enum class Logo { none, circle, squareInset };

struct Design {
  std::string name;
  // Design settings; "$PICTURE" stands for a striped picture's base64 PNG, "$SMOOTH" for
  // a picture without sharp edges, which JPEG keeps.
  std::string json;
  Logo logo = Logo::none;
  double agreement = kAgreement;
  // A change that JSON cannot carry (numbers that are not finite), made after reading.
  std::function<void(QRCodeDesign&)> adjust = nullptr;
  // Whether ZXing must read it (donut modules are not always read).
  bool decodes = true;
};

// Shared pieces of the JSON below.
const std::string kShadowDrop =
    R"("shadow": {"type": 0, "offset-width": 0.15, "offset-height": -0.15, "blur": 2.0, "color": "0.0,0.0,0.0,0.6"})";
const std::string kShadowInner =
    R"("shadow": {"type": 1, "offset-width": 0.15, "offset-height": -0.15, "blur": 2.0, "color": "0.0,0.0,0.0,0.8"})";
const std::string kCircleOffPixels = R"("offPixels": {"type": "circle", "settings": {}})";
const std::string kLightOffFill = R"("offPixels": {"type": "solid", "settings": {"color": "0.85,0.85,0.92,1.0"}})";

Design pixelShape(const std::string& name) {
  return {"pixel " + name, R"({"shape": {"onPixels": {"type": ")" + name + R"(", "settings": {}}}})"};
}
Design eyeShape(const std::string& name) {
  return {"eye " + name, R"({"shape": {"eye": {"type": ")" + name + R"(", "settings": {}}}})"};
}

std::vector<Design> designs() {
  std::vector<Design> all = {
      {"default", "{}"},
      {"linear gradient",
       R"({"style": {"onPixels": {"type": "lineargradient", "settings": {"startX": 0.0, "startY": 0.0, "endX": 1.0,
           "endY": 1.0, "gradient": "0.0:0.0,0.0,0.45,1.0|1.0:0.45,0.0,0.1,1.0"}}}})"},
      {"radial gradient",
       R"({"style": {"onPixels": {"type": "radialgradient", "settings": {"centerX": 0.5, "centerY": 0.5,
           "gradient": "0.0:0.3,0.0,0.3,1.0|1.0:0.0,0.15,0.25,1.0"}}}})"},
      {"drop shadow", R"({"style": {)" + kShadowDrop + "}}"},
      {"inner shadow",
       R"({"style": {"onPixels": {"type": "solid", "settings": {"color": "0.1,0.2,0.5,1.0"}}, )" + kShadowInner + "}}",
       Logo::none},
      {"circle logo", "{}", Logo::circle},
      {"square logo with inset", R"({"additionalQuietZonePixels": 1})", Logo::squareInset},
      {"off-pixels with background",
       R"({"shape": {)" + kCircleOffPixels + R"(}, "style": {)" + kLightOffFill +
           R"(, "offPixelsBackground": {"color": "0.95,0.9,0.8,1.0"}}})"},
      {"off-pixels without background", R"({"shape": {)" + kCircleOffPixels + R"(}, "style": {)" + kLightOffFill + "}}"},
      // An off-pixel background without off-pixels is not drawn.
      {"off-pixel background alone", R"({"style": {"offPixelsBackground": {"color": "1.0,0.7,0.3,1.0"}}})"},
      // The shadow falls on the on-pixel background but never on the off-pixels.
      {"shadow over off-pixels", R"({"shape": {)" + kCircleOffPixels + R"(}, "style": {)" + kLightOffFill + ", " +
                                     kShadowDrop + "}}"},
      {"shadow over on-pixel background",
       R"({"shape": {"onPixels": {"type": "circle", "settings": {}}}, "style": {"onPixelsBackground": {"color":
           "0.45,0.55,0.8,1.0"}, )" + kShadowDrop + "}}"},
      {"eye background", R"({"style": {"eyeBackground": {"color": "1.0,0.85,0.6,1.0"}}})"},
      {"negated", R"({"shape": {"negatedOnPixelsOnly": true}})"},
      {"negated with background",
       R"({"shape": {"negatedOnPixelsOnly": true}, "style": {"onPixelsBackground": {"color": "1.0,1.0,0.8,1.0"}}})"},
      {"rounded background",
       R"({"additionalQuietZonePixels": 2, "style": {"background": {"type": "solid", "settings": {"color":
           "0.85,0.95,0.85,1.0"}}, "backgroundFractionalCornerRadius": 2.5}})"},
      {"image fill", R"({"style": {"onPixels": {"type": "image", "settings": {"imagePNGbase64": "$PICTURE"}}}})",
       Logo::none, kJPEGPictureAgreement},
  };
  // A drop shadow under fills that cast none themselves, beneath modules that overlap
  // (squares turned by 45 degrees, donuts) and round ones.
  const std::pair<const char*, std::string> shadowedFills[] = {
      {"linear", R"({"type": "lineargradient", "settings": {"startX": 0.0, "startY": 0.0, "endX": 1.0, "endY": 1.0,
           "gradient": "0.0:0.0,0.0,0.45,1.0|1.0:0.45,0.0,0.1,1.0"}})"},
      {"radial", R"({"type": "radialgradient", "settings": {"centerX": 0.5, "centerY": 0.5,
           "gradient": "0.0:0.3,0.0,0.3,1.0|1.0:0.0,0.15,0.25,1.0"}})"},
      {"square picture", R"({"type": "image", "settings": {"imagePNGbase64": "$SMOOTH"}})"},
  };
  const std::pair<const char*, std::string> shadowedShapes[] = {
      {"rotated squares", R"({"type": "square", "settings": {"rotationFraction": 0.125}})"},
      {"donut", R"({"type": "donut", "settings": {}})"},
      {"circle", R"({"type": "circle", "settings": {}})"},
  };
  for (const auto& [fillName, fill] : shadowedFills)
    for (const auto& [shapeName, shape] : shadowedShapes)
      all.push_back({std::string("drop shadow, ") + fillName + ", " + shapeName,
                     R"({"shape": {"onPixels": )" + shape + R"(}, "style": {"onPixels": )" + fill + ", " +
                         kShadowDrop + "}}",
                     Logo::none, kAgreement, nullptr, std::string_view(shapeName) != "donut"});
  // Gradient points that are not finite are made finite where they enter.
  constexpr double nan = std::numeric_limits<double>::quiet_NaN();
  constexpr double inf = std::numeric_limits<double>::infinity();
  all.push_back({"linear gradient, points not finite", "{}", Logo::none, kAgreement, [](QRCodeDesign& design) {
                   design.style()->setOnPixels(QRCodeFillStyleLinearGradient::make(
                       KvelGradient::FromRGBAGradientString("0:0,0,0.45,1|1:0.45,0,0.1,1"), {nan, inf}, {-inf, nan}));
                 }});
  all.push_back({"radial gradient, centre not finite", "{}", Logo::none, kAgreement, [](QRCodeDesign& design) {
                   auto radial = QRCodeFillStyleRadialGradient::make(
                       KvelGradient::FromRGBAGradientString("0:0.3,0,0.3,1|1:0,0.15,0.25,1"), {inf, nan});
                   design.style()->setOnPixels(radial);
                   auto eye = QRCodeFillStyleRadialGradient::make(
                       KvelGradient::FromRGBAGradientString("0:0.3,0,0.3,1|1:0,0.15,0.25,1"), {0.5, 0.5});
                   eye->setCenterPoint({-inf, nan});
                   design.style()->setEye(eye);
                 }});
  // One pixel shape and one eye of each family.
  for (const char* name : {"circle", "vertical", "blob", "circuit", "curvePixel", "pointy", "roundedEndIndent",
                           "roundedPath"})
    all.push_back(pixelShape(name));
  for (const char* name : {"roundedRect", "crt", "shield", "leaf", "usePixelShape"}) all.push_back(eyeShape(name));
  return all;
}

// A dark picture: blue above, red below, green stripes (the image fill), and a logo with a
// red top half and a blue bottom half.
gfx::Image picture(int w, int h, bool stripes) {
  std::vector<std::uint8_t> px(static_cast<std::size_t>(w) * h * 4);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint8_t* p = &px[(static_cast<std::size_t>(y) * w + x) * 4];
      const bool top = y < h / 2;
      p[0] = top ? (stripes ? 20 : 255) : (stripes ? 110 : 0);
      p[1] = stripes && (x / 8) % 2 == 0 ? 60 : 0;
      p[2] = top ? (stripes ? 110 : 0) : (stripes ? 20 : 255);
      p[3] = 255;
    }
  return gfx::Image::make(w, h, std::move(px));
}

// A dark square picture whose colours change smoothly (red down, green across).
gfx::Image smoothPicture(int side) {
  std::vector<std::uint8_t> px(static_cast<std::size_t>(side) * side * 4);
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) {
      std::uint8_t* p = &px[(static_cast<std::size_t>(y) * side + x) * 4];
      p[0] = static_cast<std::uint8_t>(20 + 100 * y / side);
      p[1] = static_cast<std::uint8_t>(10 + 50 * x / side);
      p[2] = static_cast<std::uint8_t>(110 - 90 * y / side);
      p[3] = 255;
    }
  return gfx::Image::make(side, side, std::move(px));
}

std::shared_ptr<QRCodeDesign> makeDesign(const Design& d) {
  std::string json = d.json;
  if (const auto at = json.find("$PICTURE"); at != std::string::npos)
    json.replace(at, 8, foundation::base64Encode(imageio::encodeImageData(picture(64, 64, true), ImageExportType::png(1.0))));
  if (const auto at = json.find("$SMOOTH"); at != std::string::npos)
    json.replace(at, 7, foundation::base64Encode(imageio::encodeImageData(smoothPicture(64), ImageExportType::png(1.0))));
  auto design = QRCodeDesign::CreateWithJsonData(foundation::bytesOf(json));
  if (d.adjust) d.adjust(*design);
  return design;
}

std::shared_ptr<QRCodeLogoTemplate> makeLogo(Logo logo) {
  switch (logo) {
    case Logo::none: return nullptr;
    case Logo::circle: return QRCodeLogoTemplate::CircleCenterWithImage(picture(40, 40, false), 0);
    case Logo::squareInset: return QRCodeLogoTemplate::SquareCenterWithImage(picture(40, 40, false), 6);
  }
  return nullptr;
}

// The picture on white paper with a margin of a sixth of its side, as it would be printed:
// the designs without an extra quiet zone end at the picture's edge, and decoders need
// light around a code.
gfx::Image onPaper(const gfx::Image& image) {
  const int margin = image.width() / 6;
  const int w = image.width() + 2 * margin, h = image.height() + 2 * margin;
  std::vector<std::uint8_t> px(static_cast<std::size_t>(w) * h * 4, 255);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const auto p = image.pixelAt(x, y);
      std::uint8_t* d = &px[(static_cast<std::size_t>(y + margin) * w + x + margin) * 4];
      d[0] = static_cast<std::uint8_t>(p.r + 255 - p.a);
      d[1] = static_cast<std::uint8_t>(p.g + 255 - p.a);
      d[2] = static_cast<std::uint8_t>(p.b + 255 - p.a);
    }
  return gfx::Image::make(w, h, std::move(px));
}

// Pictures of a failure, written to the test's own folder (which a failing test keeps).
class PictureFolder {
 public:
  // Writes the picture; returns where it went.
  std::string keep(const gfx::Image& image, const std::string& name) {
    std::string file = name;
    for (char& c : file)
      if (!std::isalnum(static_cast<unsigned char>(c))) c = '-';
    file += ".png";
    testsupport::writeImagePNG(image, file);
    return testsupport::testPath(file).string();
  }
};

struct Picture {
  const char* format;
  gfx::Image image;
};
using Pictures = std::array<Picture, 3>;

Pictures exportPictures(const QRCode& qr, const Design& d) {
  const auto design = makeDesign(d);
  const auto logo = makeLogo(d.logo);
  return {{
      {"PNG", testsupport::decodePNGFile(qrrender::pngDataWithDimension(qr, kSide, 72, *design, logo.get()))},
      {"SVG", testsupport::rasterizeSVG(qrrender::svgData(qr, kSide, *design, logo.get()), kSide, kSide)},
      {"PDF",
       testsupport::rasterizePDF(qrrender::pdfDataWithDimension(qr, kSide, 72, *design, logo.get()), kSide, kSide)},
  }};
}

// Every two of the pictures agree within the design's bound; false (with failures) when not.
bool agree(const Pictures& pictures, double bound) {
  bool all = true;
  for (std::size_t i = 0; i < pictures.size(); ++i)
    for (std::size_t j = i + 1; j < pictures.size(); ++j) {
      const auto difference = testsupport::imageDifference(pictures[i].image, pictures[j].image);
      EXPECT_LT(difference.farShare, bound)
          << pictures[i].format << " against " << pictures[j].format << " (mean " << difference.mean << ")";
      all &= difference.farShare < bound;
    }
  return all;
}

const QRCode& urlCode() {
  static const QRCode qr(kURL, QRCode::ErrorCorrection::quartile);
  return qr;
}

TEST(ExportAgreement, PNGSVGAndPDFShowTheSamePictureAndDecode) {
  PictureFolder folder;
  for (const Design& d : designs()) {
    SCOPED_TRACE(d.name);
    const Pictures pictures = exportPictures(urlCode(), d);
    bool failed = !agree(pictures, d.agreement);
    if (d.adjust) {
      // What was changed after reading is written as finite numbers, in SVG and in JSON.
      const auto design = makeDesign(d);
      const std::string svg = foundation::stringOf(qrrender::svgData(urlCode(), kSide, *design, nullptr));
      EXPECT_EQ(svg.find("nan"), std::string::npos);
      EXPECT_EQ(svg.find("inf"), std::string::npos);
      EXPECT_NO_THROW(QRCodeDesign::CreateWithJsonData(design->jsonData()));
    }
    for (const Picture& p : pictures) {
      if (!d.decodes) break;
      const auto decoded = testsupport::decodeImage(onPaper(p.image));
      const bool read = std::find(decoded.zxing.begin(), decoded.zxing.end(), kURL) != decoded.zxing.end();
      EXPECT_TRUE(read) << p.format << " does not decode with ZXing";
      failed |= !read;
    }
    if (failed)
      for (const Picture& p : pictures) std::cerr << "  " << folder.keep(p.image, d.name + "-" + p.format) << "\n";
  }
}

// Every pixel shape and every eye the factories offer, decodable or not (several eyes
// made of loose dots are not meant to be), draws one picture in the three formats.
TEST(ExportAgreement, EveryShapeOfTheFactoriesLooksTheSameInEveryFormat) {
  std::vector<Design> shapes;
  for (const auto& name : QRCodePixelShapeFactory::shared().availableGeneratorNames())
    shapes.push_back(pixelShape(name));
  for (const auto& name : QRCodeEyeShapeFactory::shared().availableGeneratorNames()) shapes.push_back(eyeShape(name));
  ASSERT_GT(shapes.size(), 40u);
  PictureFolder folder;
  for (const Design& d : shapes) {
    SCOPED_TRACE(d.name);
    const Pictures pictures = exportPictures(urlCode(), d);
    if (!agree(pictures, d.agreement))
      for (const Picture& p : pictures) std::cerr << "  " << folder.keep(p.image, d.name + "-" + p.format) << "\n";
  }
}

}  // namespace
