// The pasteboard over the GTK clipboard, and the QR code's pasteboard export: what is
// written is read back through the X selection and checked with the image, PDF and SVG
// readers and both QR decoders. Every test uses a selection of its own, so that test
// programs running side by side on one display do not meet.

#include <gtest/gtest.h>

#include <gtk/gtk.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "QRCode/core/QRCodeEngineExternal.hpp"
#include "QRCode/design/QRCodeDesign.hpp"
#include "QRCode/design/QRCodeFillStyleSolid.hpp"
#include "QRCode/document/QRCodeDocument.hpp"
#include "QRCode/render/QRCodePasteboardExport.hpp"
#include "QRCode/render/QRCodeSVGExport.hpp"
#include "imageio/PNG.hpp"
#include "platform/foundation/Output.hpp"
#include "platform/gtk/GtkPasteboard.hpp"
#include "support/PrivatePasteboard.hpp"
#include "support/Raster.hpp"

namespace {

using Pasteboard = foundation::GtkPasteboard;

const std::string kLink = "https://vidlumen.example.com/wallpaper/aurora-Xy12?utm_source=share";

using testsupport::privatePasteboard;
using testsupport::startGtk;

const QRCode& linkCode() {
  static const QRCode qr(kLink, QRCode::ErrorCorrection::quartile);
  return qr;
}

const std::vector<std::string> kAllFour{std::string(Pasteboard::typePDF), std::string(Pasteboard::typeTIFF),
                                        std::string(Pasteboard::typePNG), std::string(Pasteboard::typeSVG)};

bool offers(const std::vector<std::string>& types, std::string_view type) {
  return std::find(types.begin(), types.end(), type) != types.end();
}

// A fill that paints nothing and has no SVG text.
class NoSVGFill final : public QRCodeFillStyleGenerator {
 public:
  std::string_view name() const override { return "nosvg"; }
  std::shared_ptr<QRCodeFillStyleGenerator> copyStyle() const override { return std::make_shared<NoSVGFill>(); }
  foundation::Settings settings() const override { return foundation::Settings::object(); }
  void fillWithCtx(gfx::Canvas&, const gfx::Rect&) const override {}
  void fillWithCtx(gfx::Canvas&, const gfx::Rect&, const gfx::Path&, double, const QRCodeShadow*) const override {}
  QRCodeFillStyle::SVGDefinition svgRepresentationWithStyleIdentifier(std::string_view, double,
                                                                      const QRCodeShadow*) const override {
    foundation::raise(QRCodeError::cannotGenerateImage, "no SVG");
  }
};

class PasteboardTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(startGtk()) << "these tests need a display (run them under xvfb-run)"; }
};

// Reads through a second connection to the X server, as another application would: the
// request and the answer pass through the server rather than inside this process.
TEST_F(PasteboardTest, AnotherConnectionReadsWhatWasWritten) {
  GdkDisplay* second = gdk_display_open(gdk_display_get_name(gdk_display_get_default()));
  ASSERT_NE(second, nullptr);
  Pasteboard pasteboard = privatePasteboard();
  QRCodeDesign design;
  qrrender::addToPasteboardWithDimension(linkCode(), 240, 72.0, design, nullptr, pasteboard);
  ASSERT_EQ(pasteboard.writtenTypes(), kAllFour);

  const GdkAtom selection = gdk_atom_intern(pasteboard.name().c_str(), FALSE);
  EXPECT_EQ(gdk_selection_owner_get_for_display(second, selection), nullptr)
      << "the owner's window is foreign to the second connection";
  GtkClipboard* clipboard = gtk_clipboard_get_for_display(second, selection);
  GdkAtom* targets = nullptr;
  gint count = 0;
  ASSERT_TRUE(gtk_clipboard_wait_for_targets(clipboard, &targets, &count));
  std::vector<std::string> names;
  for (gint i = 0; i < count; ++i) {
    gchar* name = gdk_atom_name(targets[i]);
    names.emplace_back(name);
    g_free(name);
  }
  g_free(targets);
  for (const auto& type : kAllFour) EXPECT_TRUE(offers(names, type)) << type;

  GtkSelectionData* data = gtk_clipboard_wait_for_contents(clipboard, gdk_atom_intern("image/png", FALSE));
  ASSERT_NE(data, nullptr);
  const guchar* bytes = gtk_selection_data_get_data(data);
  const foundation::Bytes png(bytes, bytes + std::max(gtk_selection_data_get_length(data), 0));
  gtk_selection_data_free(data);
  EXPECT_EQ(png, qrrender::pngDataWithDimension(linkCode(), 240, 72.0, design, nullptr));
  EXPECT_TRUE(testsupport::decodeImage(imageio::readPNG(png)).bothRead(kLink));
  gdk_display_close(second);
}

// --- the QR code export ----------------------------------------------------------------

TEST_F(PasteboardTest, FourFormsInOrderAt72Dpi) {
  Pasteboard pasteboard = privatePasteboard();
  QRCodeDesign design;
  qrrender::addToPasteboardWithDimension(linkCode(), 300, 72.0, design, nullptr, pasteboard);
  EXPECT_EQ(pasteboard.writtenTypes(), kAllFour);
  const auto offered = pasteboard.types();
  for (const auto& type : kAllFour) EXPECT_TRUE(offers(offered, type)) << type;

  const auto pdf = pasteboard.dataForType(Pasteboard::typePDF);
  ASSERT_TRUE(pdf.has_value());
  const auto info = testsupport::pdfInfo(*pdf);
  EXPECT_EQ(info.pageCount, 1);
  EXPECT_NEAR(info.pageSize.width, 300, 0.01);
  EXPECT_NEAR(info.pageSize.height, 300, 0.01);
  EXPECT_TRUE(testsupport::decodeImage(testsupport::rasterizePDF(*pdf, 300, 300)).bothRead(kLink));

  const auto tiff = pasteboard.dataForType(Pasteboard::typeTIFF);
  ASSERT_TRUE(tiff.has_value());
  const auto tiffImage = testsupport::decodeTIFFFile(*tiff);
  EXPECT_EQ(tiffImage.image.width(), 300);
  EXPECT_EQ(tiffImage.image.height(), 300);
  EXPECT_EQ(tiffImage.dpiX, 72);
  EXPECT_TRUE(testsupport::decodeImage(tiffImage.image).bothRead(kLink));

  const auto png = pasteboard.dataForType(Pasteboard::typePNG);
  ASSERT_TRUE(png.has_value());
  EXPECT_EQ(*png, qrrender::pngDataWithDimension(linkCode(), 300, 72.0, design, nullptr));
  const PNGInfo pngInfo = imageio::readPNGInfo(*png);
  EXPECT_EQ(pngInfo.width, 300);
  ASSERT_TRUE(pngInfo.dpiX.has_value());
  EXPECT_NEAR(*pngInfo.dpiX, 72, 0.02);
  EXPECT_TRUE(testsupport::decodeImage(imageio::readPNG(*png)).bothRead(kLink));

  const auto svgBytes = pasteboard.dataForType(Pasteboard::typeSVG);
  ASSERT_TRUE(svgBytes.has_value());
  EXPECT_EQ(*svgBytes, qrrender::svgData(linkCode(), 300, design, nullptr));
  const gfx::Image fromSVG = testsupport::rasterizeSVG(*svgBytes, 300, 300);
  testsupport::writeImagePNG(fromSVG, "pasteboard-svg.png");
  EXPECT_TRUE(testsupport::decodeImage(fromSVG).bothRead(kLink));
}

TEST_F(PasteboardTest, ResolutionSetsThePageAndTheRecordedDpiNotThePixels) {
  Pasteboard pasteboard = privatePasteboard();
  QRCodeDesign design;
  qrrender::addToPasteboardWithDimension(linkCode(), 300, 144.0, design, nullptr, pasteboard);
  EXPECT_EQ(pasteboard.writtenTypes(), kAllFour);
  const auto info = testsupport::pdfInfo(*pasteboard.dataForType(Pasteboard::typePDF));
  EXPECT_NEAR(info.pageSize.width, 150, 0.01);
  const auto tiff = testsupport::decodeTIFFFile(*pasteboard.dataForType(Pasteboard::typeTIFF));
  EXPECT_EQ(tiff.image.width(), 300);
  EXPECT_EQ(tiff.dpiX, 144);
  EXPECT_EQ(tiff.dpiY, 144);
  const PNGInfo png = imageio::readPNGInfo(*pasteboard.dataForType(Pasteboard::typePNG));
  EXPECT_EQ(png.width, 300);
  EXPECT_NEAR(*png.dpiY, 144, 0.02);
  EXPECT_NE(foundation::stringOf(*pasteboard.dataForType(Pasteboard::typeSVG)).find("height=\"300\" width=\"300\""),
            std::string::npos);
}

TEST_F(PasteboardTest, SizeFormTruncatesForBitmapsAndTheSVG) {
  Pasteboard pasteboard = privatePasteboard();
  QRCodeDesign design;
  qrrender::addToPasteboard(linkCode(), gfx::Size{200.9, 120.0}, 72.0, design, nullptr, pasteboard);
  EXPECT_EQ(pasteboard.writtenTypes(), kAllFour);
  const auto info = testsupport::pdfInfo(*pasteboard.dataForType(Pasteboard::typePDF));
  EXPECT_NEAR(info.pageSize.width, 200.9, 0.01);
  EXPECT_NEAR(info.pageSize.height, 120.0, 0.01);
  const PNGInfo png = imageio::readPNGInfo(*pasteboard.dataForType(Pasteboard::typePNG));
  EXPECT_EQ(png.width, 200);
  EXPECT_EQ(png.height, 120);
  const auto tiff = testsupport::decodeTIFFFile(*pasteboard.dataForType(Pasteboard::typeTIFF));
  EXPECT_EQ(tiff.image.width(), 200);
  EXPECT_EQ(tiff.image.height(), 120);
  EXPECT_EQ(*pasteboard.dataForType(Pasteboard::typeSVG), qrrender::svgData(linkCode(), 200, design, nullptr));
}

TEST_F(PasteboardTest, FormsThatCannotBeMadeAreLeftOut) {
  QRCodeDesign design;
  struct Case {
    const char* what;
    std::function<void(Pasteboard&)> write;
    std::vector<std::string> expected;
  };
  const std::string svgType(Pasteboard::typeSVG);
  const Case cases[] = {
      // No bitmap or page of size 0; the SVG of dimension 0 is an empty picture.
      {"dimension 0",
       [&](Pasteboard& p) { qrrender::addToPasteboardWithDimension(linkCode(), 0, 72, design, nullptr, p); },
       {svgType}},
      // The image writer refuses dpi <= 0, and so does the page size.
      {"dpi 0",
       [&](Pasteboard& p) { qrrender::addToPasteboardWithDimension(linkCode(), 300, 0, design, nullptr, p); },
       {svgType}},
      {"dpi -72",
       [&](Pasteboard& p) { qrrender::addToPasteboardWithDimension(linkCode(), 300, -72, design, nullptr, p); },
       {svgType}},
      // Nothing can be made of a negative size: the pasteboard is left empty.
      {"dimension -1",
       [&](Pasteboard& p) { qrrender::addToPasteboardWithDimension(linkCode(), -1, 72, design, nullptr, p); },
       {}},
      {"width NaN",
       [&](Pasteboard& p) {
         qrrender::addToPasteboard(linkCode(), gfx::Size{std::nan(""), 100}, 72, design, nullptr, p);
       },
       {}},
      {"width 1e300",
       [&](Pasteboard& p) {
         qrrender::addToPasteboard(linkCode(), gfx::Size{1e300, 100}, 72, design, nullptr, p);
       },
       {}},
  };
  for (const auto& c : cases) {
    Pasteboard pasteboard = privatePasteboard();
    pasteboard.clearContents();
    pasteboard.setString("held before");
    // Asked once before the export, so that a reader that remembers the answer shows up.
    ASSERT_FALSE(pasteboard.types().empty()) << c.what;
    c.write(pasteboard);
    EXPECT_EQ(pasteboard.writtenTypes(), c.expected) << c.what;
    const auto offered = pasteboard.types();
    EXPECT_EQ(pasteboard.string(), std::nullopt) << c.what << ": the earlier text is gone";
    EXPECT_EQ(offered, c.expected) << c.what;
  }

  // A fill without SVG text: the three drawn forms stay, the SVG is left out.
  QRCodeDesign noSVG;
  noSVG.style()->setEye(std::make_shared<NoSVGFill>());
  Pasteboard pasteboard = privatePasteboard();
  qrrender::addToPasteboardWithDimension(linkCode(), 200, 72, noSVG, nullptr, pasteboard);
  EXPECT_EQ(pasteboard.writtenTypes(), (std::vector<std::string>{kAllFour[0], kAllFour[1], kAllFour[2]}));
  EXPECT_EQ(pasteboard.dataForType(Pasteboard::typeSVG), std::nullopt);
}

TEST_F(PasteboardTest, DocumentWritesItsOwnDesignAndLogo) {
  QRCodeDocument doc(kLink, QRCode::ErrorCorrection::high);
  doc.design()->style()->setOnPixels(QRCodeFillStyleSolid::withSrgbRed(0.1, 0.2, 0.5));
  doc.design()->style()->setShadow(std::make_shared<QRCodeShadow>());
  std::vector<std::uint8_t> px(24 * 24 * 4, 255);
  for (std::size_t i = 0; i < px.size(); i += 4) px[i + 1] = 0;  // magenta
  doc.setLogoTemplate(QRCodeLogoTemplate::SquareCenterWithImage(gfx::Image::make(24, 24, std::move(px)), 2));

  Pasteboard pasteboard = privatePasteboard();
  doc.addToPasteboardWithDimension(320, 72, pasteboard);
  EXPECT_EQ(pasteboard.writtenTypes(), kAllFour);
  EXPECT_EQ(*pasteboard.dataForType(Pasteboard::typeSVG), doc.svgDataWithDimension(320));
  EXPECT_EQ(*pasteboard.dataForType(Pasteboard::typePNG), doc.pngDataWithDimension(320, 72));
  const gfx::Image png = imageio::readPNG(*pasteboard.dataForType(Pasteboard::typePNG));
  testsupport::writeImagePNG(png, "pasteboard-document.png");
  EXPECT_TRUE(testsupport::decodeImage(png).bothRead(kLink));
  // The logo is at the centre.
  const auto centre = testsupport::meanColor(png, 150, 150, 170, 170);
  EXPECT_GT(centre.r, 230);
  EXPECT_LT(centre.g, 30);

  doc.addToPasteboard(gfx::Size{250.5, 250.5}, 144, pasteboard);
  EXPECT_EQ(pasteboard.writtenTypes(), kAllFour);
  EXPECT_EQ(*pasteboard.dataForType(Pasteboard::typeSVG), doc.svgDataWithDimension(250));
  EXPECT_NEAR(testsupport::pdfInfo(*pasteboard.dataForType(Pasteboard::typePDF)).pageSize.width, 125.25, 0.01);
}

TEST_F(PasteboardTest, DocumentWithAKeptRegenerationErrorLeavesThePasteboardEmpty) {
  struct Failing : QRCodeEngine {
    bool fail = false;
    QRCodeEngineExternal inner;
    std::string name() const override { return "failing"; }
    QRCodeBoolMatrix generateWithData(std::span<const std::uint8_t> d, int l) override {
      if (fail) foundation::raise(QRCodeError::cannotGenerateQRCode);
      return inner.generateWithData(d, l);
    }
    QRCodeBoolMatrix generateWithText(std::string_view t, int l) override {
      if (fail) foundation::raise(QRCodeError::cannotGenerateQRCode);
      return inner.generateWithText(t, l);
    }
  };
  const auto previous = foundation::setOutputSink([](std::string_view) {});
  auto engine = std::make_shared<Failing>();
  QRCodeDocument doc(kLink, QRCode::ErrorCorrection::medium, engine);
  engine->fail = true;
  doc.setUtf8String("changed");
  foundation::setOutputSink(previous);
  ASSERT_TRUE(doc.regenerationError().has_value());

  Pasteboard pasteboard = privatePasteboard();
  pasteboard.setString("held before");
  doc.addToPasteboardWithDimension(300, 72, pasteboard);
  EXPECT_TRUE(pasteboard.types().empty());
  EXPECT_TRUE(pasteboard.writtenTypes().empty());
}

}  // namespace
