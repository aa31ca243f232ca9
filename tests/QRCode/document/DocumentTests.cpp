#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

#include "QRCode/core/QRCodeColor.hpp"
#include "QRCode/core/QRCodeEngineCoreImage.hpp"
#include "QRCode/core/QRCodeEngineExternal.hpp"
#include "QRCode/core/QRCodeError.hpp"
#include "QRCode/design/QRCodeFillStyleSolid.hpp"
#include "QRCode/document/QRCodeDocument.hpp"
#include "platform/foundation/Error.hpp"
#include "platform/foundation/Output.hpp"
#include "platform/foundation/Text.hpp"
#include "support/Raster.hpp"
#include "support/Expect.hpp"
#include "SwitchableEngine.hpp"

namespace {

using testsupport::expectError;
using testsupport::CapturedOutput;

using Level = QRCode::ErrorCorrection;
using foundation::Settings;

std::string decodedBy(const gfx::Image& image) {
  const auto results = testsupport::decodeImage(image);
  return results.bothRead(results.zxing.empty() ? std::string() : results.zxing.front())
             ? results.zxing.front()
             : std::string("<not read by both>");
}

const std::string kLink = "https://vidlumen.example/wallpaper/waves-dp3YBose?utm_source=share";

// A document always holds a design, an engine and a matrix: nothing can leave one behind
// without them (documents are shared through QRCodeDocumentPtr).
static_assert(!std::is_move_constructible_v<QRCodeDocument> && !std::is_move_assignable_v<QRCodeDocument>);
static_assert(!std::is_copy_constructible_v<QRCodeDocument> && !std::is_copy_assignable_v<QRCodeDocument>);

TEST(QRCodeDocument, PlainInitialiser) {
  QRCodeDocument doc;
  ASSERT_NE(doc.data(), nullptr);
  EXPECT_TRUE(doc.data()->empty());
  EXPECT_EQ(doc.utf8String(), nullptr);
  EXPECT_EQ(doc.decodedText(), "");
  EXPECT_EQ(doc.errorCorrection(), Level::quartile);
  EXPECT_EQ(doc.logoTemplate(), nullptr);
  ASSERT_NE(doc.design(), nullptr);
  ASSERT_NE(doc.boolMatrix(), nullptr);
  // The default engine refuses empty content: the matrix stays empty and the document
  // keeps the error, so it does not export a blank code.
  EXPECT_EQ(doc.cellDimension(), 0);
  ASSERT_TRUE(doc.regenerationError().has_value());
  EXPECT_TRUE(doc.regenerationError()->is(QRCodeError::cannotGenerateImage));
}

TEST(QRCodeDocument, TextDocumentDecodes) {
  QRCodeDocument doc(kLink, Level::medium);
  ASSERT_NE(doc.utf8String(), nullptr);
  EXPECT_EQ(*doc.utf8String(), kLink);
  EXPECT_EQ(doc.data(), nullptr);
  EXPECT_EQ(doc.errorCorrection(), Level::medium);
  EXPECT_FALSE(doc.regenerationError());
  const gfx::Image image = doc.cgImageWithDimension(300);
  testsupport::writeImagePNG(image, "design_document_link.png");
  EXPECT_EQ(decodedBy(image), kLink);
}

TEST(QRCodeDocument, ContentAccessors) {
  QRCodeDocument doc;
  CapturedOutput out;
  doc.setUtf8String(std::nullopt);
  ASSERT_NE(doc.utf8String(), nullptr);
  EXPECT_EQ(*doc.utf8String(), "");
  EXPECT_EQ(doc.data(), nullptr);
  doc.setData(std::nullopt);
  ASSERT_NE(doc.data(), nullptr);
  EXPECT_TRUE(doc.data()->empty());
  // The default engine cannot encode empty content: each setter printed its line.
  EXPECT_EQ(out.lines, std::vector<std::string>(2, "QRCode.Document: Could not regenerate. Error was 'cannotGenerateImage'"));
  const foundation::Bytes bytes = {0x00, 0xff, 0x10, 0x41};
  doc.setData(bytes);
  EXPECT_EQ(*doc.data(), bytes);
  EXPECT_EQ(doc.utf8String(), nullptr);
  EXPECT_EQ(doc.decodedText(), "AP8QQQ==");
  EXPECT_FALSE(doc.regenerationError());
  doc.setContent(QRCode::Content::text("abc"));
  EXPECT_EQ(doc.decodedText(), "abc");
}

TEST(QRCodeDocument, EverySetterRegenerates) {
  auto engine = std::make_shared<SwitchableEngine>();
  QRCodeDocument doc("first", Level::low, engine);
  const auto low = doc.boolMatrix();
  doc.setErrorCorrection(Level::high);
  EXPECT_EQ(doc.qrcode().currentErrorCorrection(), Level::high);
  EXPECT_NE(doc.boolMatrix(), low);
  // The matrix handed out earlier stays valid and unchanged after regenerations.
  EXPECT_EQ(low->dimension(), 23);
  const auto before = doc.boolMatrix();
  doc.setDesign(QRCodeDesign::make());
  EXPECT_NE(doc.boolMatrix(), before);
  EXPECT_EQ(*doc.boolMatrix(), *before);
  const auto beforeLogo = doc.boolMatrix();
  doc.setLogoTemplate(nullptr);
  EXPECT_NE(doc.boolMatrix(), beforeLogo);
  doc.modifyContent([](QRCode::Content& c) { c = QRCode::Content::text("second, and a good deal longer"); });
  EXPECT_EQ(*doc.utf8String(), "second, and a good deal longer");
  EXPECT_GT(doc.cellDimension(), 23);
  // An access that throws puts its field back, and regenerates only when the closure's calls
  // back did: the matrix is made from what the document holds, never from what they set.
  const std::string second = *doc.utf8String();
  const auto kept = doc.boolMatrix();
  const auto png = [&] { return decodedBy(testsupport::decodePNGFile(doc.pngDataWithDimension(300, 72))); };
  const auto stop = [] { throw std::runtime_error("stop"); };
  const auto text = QRCode::Content::text;
  struct Row { std::function<void()> modify; std::string content; Level level; };
  const Row rows[] = {
      {[&] { doc.modifyErrorCorrection([&](Level&) { stop(); }); }, second, Level::high},
      {[&] { doc.modifyErrorCorrection([&](Level& l) { l = static_cast<Level>(9); stop(); }); }, second, Level::high},
      {[&] { doc.modifyDesign([&](QRCodeDesignPtr& d) { d = nullptr; EXPECT_EQ(png(), second); stop(); }); }, second, Level::high},
      {[&] { doc.modifyContent([&](QRCode::Content& c) { c = text("NEW"); stop(); }); }, second, Level::high},
      {[&] { doc.modifyContent([&](QRCode::Content&) { doc.modifyContent([&](QRCode::Content& c) { c = text("INNER"); }); stop(); }); }, second, Level::high},
      {[&] { doc.modifyContent([&](QRCode::Content& c) { c = text("M1"); doc.setErrorCorrection(Level::low); stop(); }); }, second, Level::low},
      {[&] { doc.modifyContent([&](QRCode::Content&) { doc.setContent(text("M5")); stop(); }); }, second, Level::low},
      {[&] { doc.modifyErrorCorrection([&](Level&) { doc.modifyErrorCorrection([](Level& l) { l = Level::medium; }); stop(); }); }, second, Level::low},
      {[&] { doc.modifyErrorCorrection([&](Level& l) { l = Level::high; doc.setContent(text("M2")); stop(); }); }, "M2", Level::low},
      {[&] { doc.modifyErrorCorrection([&](Level& l) { l = Level::medium; doc.setText("M3"); l = static_cast<Level>(9); }); }, "M3", Level::low},
  };
  for (const Row& row : rows) {
    EXPECT_ANY_THROW(row.modify());
    EXPECT_TRUE(&row - rows >= 4 || doc.boolMatrix() == kept) << "nothing regenerated";
    ASSERT_NE(doc.design(), nullptr);
    EXPECT_EQ(std::tuple(*doc.utf8String(), doc.errorCorrection(), doc.qrcode().currentErrorCorrection(), png()),
              std::tuple(row.content, row.level, row.level, row.content));
  }
  EXPECT_EQ(doc.cellSizeForImageDimension(doc.cellDimension() * 3), 3.0);
}

TEST(QRCodeDocument, TextSetTooLongKeepsTheOldMatrixPrintsAndRefusesToExport) {
  QRCodeDocument doc(kLink, Level::high);
  const auto matrix = doc.boolMatrix();
  CapturedOutput out;
  doc.setUtf8String(std::string(3000, 'a'));  // more than a version-40 code holds at high
  ASSERT_EQ(out.lines.size(), 1u);
  EXPECT_EQ(out.lines[0], "QRCode.Document: Could not regenerate. Error was 'cannotGenerateImage'");
  EXPECT_EQ(*doc.utf8String(), std::string(3000, 'a'));  // the new value is kept
  EXPECT_EQ(doc.boolMatrix(), matrix);                     // with the old matrix
  ASSERT_TRUE(doc.regenerationError());
  EXPECT_TRUE(doc.regenerationError()->is(QRCodeError::cannotGenerateImage));
  expectError([&] { doc.throwIfRegenerationFailed(); }, QRCodeError::cannotGenerateImage);
  expectError([&] { doc.cgImageWithDimension(300); }, QRCodeError::cannotGenerateImage, "bitmap");
  expectError([&] { doc.pngDataWithDimension(300, 72); }, QRCodeError::cannotGenerateImage, "png");
  expectError([&] { doc.pdfDataWithDimension(300, 72); }, QRCodeError::cannotGenerateImage, "pdf");

  // A later successful regeneration clears the error and exports work again.
  doc.setUtf8String(kLink);
  EXPECT_FALSE(doc.regenerationError());
  EXPECT_EQ(out.lines.size(), 1u);
  EXPECT_EQ(decodedBy(doc.cgImageWithDimension(300)), kLink);
}

TEST(QRCodeDocument, FailingEngineOnLevelChange) {
  auto engine = std::make_shared<SwitchableEngine>();
  QRCodeDocument doc("abc", Level::low, engine);
  const auto matrix = doc.boolMatrix();
  engine->fail = true;
  CapturedOutput out;
  doc.setErrorCorrection(Level::high);
  EXPECT_EQ(doc.errorCorrection(), Level::high);
  EXPECT_EQ(doc.boolMatrix(), matrix);
  EXPECT_EQ(doc.qrcode().currentErrorCorrection(), Level::low);
  ASSERT_EQ(out.lines.size(), 1u);
  EXPECT_EQ(out.lines[0].rfind("QRCode.Document: Could not regenerate. Error was '", 0), 0u);
  EXPECT_EQ(out.lines[0], "QRCode.Document: Could not regenerate. Error was 'cannotGenerateQRCode'");
}

TEST(QRCodeDocument, ThrowingOperations) {
  QRCodeDocument doc("abc", Level::low);
  CapturedOutput out;
  expectError([&] { doc.setText(std::string(8000, 'x')); }, QRCodeError::cannotGenerateImage, "setText");
  EXPECT_TRUE(out.lines.empty());  // thrown, not printed
  EXPECT_TRUE(doc.regenerationError());
  doc.setURL("https://example.com");
  EXPECT_FALSE(doc.regenerationError());
  EXPECT_EQ(*doc.utf8String(), "https://example.com");
  expectError([&] { doc.setText("\xff\xfe not UTF-8"); }, QRCodeError::unableToConvertTextToRequestedEncoding);
}

TEST(QRCodeDocument, UpdateWithTextLeavesContentAndLevel) {
  QRCodeDocument doc("short", Level::low, std::make_shared<QRCodeEngineExternal>());
  expectError([&] { doc.updateWithText(std::string(5000, 'x'), Level::high); }, QRCodeError::cannotGenerateQRCode);
  EXPECT_EQ(decodedBy(testsupport::decodePNGFile(doc.pngDataWithDimension(200, 72))), "short");
  const auto before = doc.boolMatrix();
  doc.updateWithText(kLink, Level::high);
  EXPECT_NE(*doc.boolMatrix(), *before);
  EXPECT_EQ(*doc.utf8String(), "short");
  EXPECT_EQ(doc.errorCorrection(), Level::low);
  // Setting the design afterwards brings the matrix back to the stored content.
  doc.setDesign(doc.design());
  EXPECT_EQ(*doc.boolMatrix(), *before);
}

TEST(QRCodeDocument, UpdateWithDataKeepsTheLevel) {
  QRCodeDocument doc("short", Level::low, std::make_shared<QRCodeEngineExternal>());
  // 2000 bytes fit at the stored level (low: 2953) but not at high (1273): drawn at low.
  const std::string many(2000, 'd');
  expectError([&] { doc.updateWithData(foundation::bytesOf(many), Level::high); }, QRCodeError::cannotGenerateQRCode);
  EXPECT_EQ(decodedBy(testsupport::decodePNGFile(doc.pngDataWithDimension(doc.cellDimension() * 4, 72))), many);
  // 3000 bytes fail at low as well: the matrix no longer matches the content, and exports refuse.
  expectError([&] { doc.updateWithData(foundation::bytesOf(std::string(3000, 'e')), Level::low); }, QRCodeError::cannotGenerateQRCode);
  expectError([&] { doc.pngDataWithDimension(200, 72); }, QRCodeError::cannotGenerateQRCode);
  const foundation::Bytes bytes = foundation::bytesOf("bytes");
  doc.updateWithData(bytes, Level::high);
  ASSERT_NE(doc.data(), nullptr);
  EXPECT_EQ(*doc.data(), bytes);
  EXPECT_EQ(doc.errorCorrection(), Level::low);
  EXPECT_EQ(doc.qrcode().currentErrorCorrection(), Level::high);
}

TEST(QRCodeDocument, EngineSetter) {
  QRCodeDocument doc("abc", Level::low);
  EXPECT_EQ(doc.engine()->name(), "coreimage");
  doc.setEngine(std::make_shared<QRCodeEngineExternal>());
  EXPECT_EQ(doc.engine()->name(), "external");
  doc.setEngine(nullptr);
  EXPECT_EQ(doc.engine()->name(), "coreimage");
}

TEST(QRCodeDocument, DesignAndLogoAreHeldByReference) {
  QRCodeDocument doc(kLink, Level::high);
  auto design = QRCodeDesign::make();
  doc.modifyDesign([&](QRCodeDesignPtr&) { doc.setDesign(design); });  // kept: the access stored no other
  EXPECT_EQ(doc.design(), design);
  design->foregroundColor(qrcolor::sRGB(0, 0, 0.5, 1));  // seen at the next drawing
  const auto* on = dynamic_cast<const QRCodeFillStyleSolid*>(doc.design()->style()->onPixels().get());
  ASSERT_NE(on, nullptr);
  EXPECT_EQ(on->color(), qrcolor::sRGB(0, 0, 0.5, 1));
  auto logo = QRCodeLogoTemplate::SquareCenterWithImage(gfx::Image::filled(4, 4, {255, 0, 0, 255}), 0);
  doc.setLogoTemplate(logo);
  EXPECT_EQ(doc.logoTemplate(), logo);
  const gfx::Image image = doc.cgImageWithDimension(330);
  testsupport::writeImagePNG(image, "design_document_logo.png");
  EXPECT_EQ(decodedBy(image), kLink);
}

TEST(QRCodeDocument, ImageMaskLogoDrawsAndDecodes) {
  QRCodeDocument doc(kLink, Level::high);
  // A 64 x 64 logo: an opaque green disc of radius 12 in the middle of a clear square.
  std::vector<std::uint8_t> px(64 * 64 * 4, 0);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x)
      if ((x - 31.5) * (x - 31.5) + (y - 31.5) * (y - 31.5) <= 144) {
        px[(y * 64 + x) * 4 + 1] = 160;
        px[(y * 64 + x) * 4 + 3] = 255;
      }
  auto logo = std::make_shared<QRCodeLogoTemplate>(gfx::Image::make(64, 64, px), std::nullopt);
  doc.setLogoTemplate(logo);
  const auto masked = logo->applyingMask(doc.boolMatrix(), 330);
  const std::int64_t n = doc.cellDimension();
  // Only modules near the middle are removed, and the middle one is.
  EXPECT_LT(masked->setCount(), doc.boolMatrix()->setCount());
  EXPECT_FALSE(masked->value(n / 2, n / 2));
  for (std::int64_t r = 0; r < n; ++r)
    for (std::int64_t c = 0; c < n; ++c)
      if (doc.boolMatrix()->value(r, c) && !masked->value(r, c)) {
        const double dx = (c + 0.5) / n - 0.5, dy = (r + 0.5) / n - 0.5;
        EXPECT_LT(dx * dx + dy * dy, 0.25 * 0.25) << r << "," << c;
      }
  const gfx::Image image = doc.cgImageWithDimension(330);
  testsupport::writeImagePNG(image, "design_document_image_mask.png");
  EXPECT_EQ(decodedBy(image), kLink);
}

TEST(QRCodeDocument, CopyUsesTheDefaultEngineAndDeepCopies) {
  QRCodeDocument doc("copy me", Level::high, std::make_shared<QRCodeEngineExternal>());
  doc.design()->setAdditionalQuietZonePixels(3);
  doc.setLogoTemplate(std::make_shared<QRCodeLogoTemplate>(gfx::Image::filled(2, 2), std::nullopt, false));
  const auto copy = doc.copyDocument();
  EXPECT_EQ(copy->engine()->name(), "coreimage");
  EXPECT_EQ(*copy->utf8String(), "copy me");
  EXPECT_EQ(copy->errorCorrection(), Level::high);
  EXPECT_NE(copy->design(), doc.design());
  EXPECT_EQ(copy->design()->settings(), doc.design()->settings());
  ASSERT_NE(copy->logoTemplate(), nullptr);
  EXPECT_NE(copy->logoTemplate(), doc.logoTemplate());
  EXPECT_TRUE(copy->logoTemplate()->useImageMasking());
  EXPECT_FALSE(copy->logoTemplate()->masksQRCodePixels());
  EXPECT_FALSE(copy->regenerationError());
  EXPECT_EQ(copy->qrcode().currentErrorCorrection(), Level::high);
}

TEST(QRCodeDocument, URLInitialiserAndEngineInitialiser) {
  const auto doc = QRCodeDocument::withURL("https://example.com/a", Level::quartile);
  EXPECT_EQ(*doc->utf8String(), "https://example.com/a");
  QRCodeDocument external(std::make_shared<QRCodeEngineExternal>());
  EXPECT_EQ(external.cellDimension(), 23);
  EXPECT_FALSE(external.regenerationError());
  expectError([] { QRCodeDocument(std::make_shared<QRCodeEngineCoreImage>()); }, QRCodeError::cannotGenerateImage);
  expectError([] { QRCodeDocument(std::string(8000, 'x'), Level::low); }, QRCodeError::cannotGenerateImage);
}

TEST(QRCodeDocument, ContentCoding) {
  const struct {
    const char* what;
    Settings coded;
    bool isData;
    std::string value;
  } cases[] = {
      {"text", {{"text", "hello"}}, false, "hello"},
      {"data", {{"data", "AP8="}}, true, std::string("\x00\xff", 2)},
      {"both: data wins", {{"data", "AP8="}, {"text", "hello"}}, true, std::string("\x00\xff", 2)},
  };
  for (const auto& c : cases) {
    const QRCode::Content content = qrdocument::decodeContent(c.coded);
    EXPECT_EQ(content.isData(), c.isData) << c.what;
    if (c.isData) {
      EXPECT_EQ(foundation::stringOf(*content.dataValue()), c.value) << c.what;
    } else {
      EXPECT_EQ(*content.textValue(), c.value) << c.what;
    }
  }
  for (const Settings& bad : {Settings::object(), Settings{{"other", 1}}, Settings{{"data", "not base64!"}},
                              Settings{{"text", 5}}, Settings::array({1})})
    expectError([&] { qrdocument::decodeContent(bad); }, QRCodeError::invalidContent, bad.dump());
  const auto text = QRCode::Content::text("a\"b");
  EXPECT_EQ(qrdocument::decodeContent(qrdocument::encodeContent(text)), text);
  const auto data = QRCode::Content::data({1, 2, 3, 250});
  EXPECT_EQ(qrdocument::encodeContent(data), (Settings{{"data", "AQID+g=="}}));
  EXPECT_EQ(qrdocument::decodeContent(qrdocument::encodeContent(data)), data);
}

}  // namespace
