// The fluent builder: every step reaches the document or its design, failing operations
// change nothing, and each output forwards to the document's exports.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "QRCode/QRCodePixelShape.hpp"
#include "QRCode/core/QRCodeColor.hpp"
#include "QRCode/core/QRCodeEngineExternal.hpp"
#include "QRCode/core/QRCodeError.hpp"
#include "QRCode/core/QRCodePathHelpers.hpp"
#include "QRCode/design/QRCodeFillStyleImage.hpp"
#include "QRCode/design/QRCodeFillStyleSolid.hpp"
#include "QRCode/design/QRCodeMessageFormatters.hpp"
#include "QRCode/document/QRCodeBuilder.hpp"
#include "QRCode/eye/QRCodeEyeShapeFactory.hpp"
#include "QRCode/eye/QRCodePupilShapeFactory.hpp"
#include "QRCode/pixel/QRCodePixelShapeFactory.hpp"
#include "imageio/ImageLoad.hpp"
#include "platform/foundation/Numbers.hpp"
#include "platform/foundation/Output.hpp"
#include "support/Raster.hpp"
#include "support/Expect.hpp"

namespace {

using testsupport::expectError;

using Level = QRCode::ErrorCorrection;

const std::string kURL = "https://vidlumen.example.com/wallpaper/aurora?utm_source=builder";

const QRCodeFillStyleSolid& solidOf(const QRCodeFillStyleGeneratorPtr& fill) {
  const auto* solid = dynamic_cast<const QRCodeFillStyleSolid*>(fill.get());
  if (!solid) throw std::runtime_error("not a solid fill");
  return *solid;
}

std::string rgba(const gfx::Color& color) { return qrcolor::rgbaComponents(color).stringValue(); }

TEST(Builder, StartsWithADefaultDocument) {
  const auto builder = QRCodeBuilder::build();
  const auto& document = *builder.document();
  ASSERT_NE(document.data(), nullptr);
  EXPECT_TRUE(document.data()->empty());
  EXPECT_EQ(document.errorCorrection(), Level::quartile);
  EXPECT_EQ(document.design()->settings(), QRCodeDesign().settings());
  EXPECT_EQ(document.logoTemplate(), nullptr);
}

TEST(Builder, OneChainStylesAndExports) {
  const auto builder = QRCodeBuilder::build();
  const foundation::Bytes png = builder.content()
                                    .text(kURL)
                                    .errorCorrection(Level::high)
                                    .quietZonePixelCount(1)
                                    .onPixels()
                                    .shape(QRCodePixelShapeFactory::shared().named("circle"))
                                    .foreground()
                                    .color("#1040a0")
                                    .eye()
                                    .shape(QRCodeEyeShapeFactory::shared().named("roundedRect"))
                                    .pupil()
                                    .color("#a01010")
                                    .background()
                                    .color("fffff0")
                                    .background()
                                    .cornerRadius(0.1)
                                    .generate()
                                    .imageData(360, ImageExportType::png(1.0));
  const auto& document = *builder.document();
  EXPECT_EQ(*document.utf8String(), kURL);
  EXPECT_EQ(document.errorCorrection(), Level::high);
  EXPECT_EQ(document.design()->additionalQuietZonePixels(), 1u);
  EXPECT_EQ(document.design()->shape()->onPixels()->name(), "circle");
  EXPECT_EQ(document.design()->style()->backgroundFractionalCornerRadius(), 0.1);
  EXPECT_EQ(qrcolor::hexString(solidOf(document.design()->style()->onPixels()).color()), "#1040a0");
  EXPECT_EQ(qrcolor::hexString(solidOf(document.design()->style()->pupil()).color()), "#a01010");
  const gfx::Image image = imageio::loadImageFromData(png);
  EXPECT_EQ(image.width(), 360);
  testsupport::writeImagePNG(image, "builder-chain.png");
  EXPECT_TRUE(testsupport::decodeImage(image).bothRead(kURL));
}

TEST(Builder, ContentStep) {
  QRCodeBuilder builder;
  builder.content().data(foundation::bytesOf("raw"));
  ASSERT_NE(builder.document()->data(), nullptr);
  EXPECT_EQ(*builder.document()->data(), foundation::bytesOf("raw"));
  builder.content().base64(foundation::bytesOf("hello"));
  EXPECT_EQ(*builder.document()->utf8String(), "aGVsbG8=");
  builder.content().url(kURL);
  EXPECT_EQ(*builder.document()->utf8String(), kURL);

  builder.content().formatted(QRCodeDocument::FormattedContent::phone("+1 (555) 010-9999"));
  EXPECT_EQ(*builder.document()->utf8String(), "TEL:+15550109999");
  expectError([&] { builder.content().formatted(QRCodeDocument::FormattedContent::link("not a url")); },
              QRCodeError::invalidURL);
  EXPECT_EQ(*builder.document()->utf8String(), "TEL:+15550109999");
  // Content the engine refuses is stored like any other: printed, kept, and exports refuse.
  testsupport::CapturedOutput output;
  builder.errorCorrection(Level::high).content().formatted(QRCodeDocument::FormattedContent::text(std::string(5000, 'x')));
  EXPECT_EQ(*builder.document()->utf8String(), std::string(5000, 'x'));
  EXPECT_EQ(output.lines, std::vector<std::string>{"QRCode.Document: Could not regenerate. Error was 'cannotGenerateImage'"});
  expectError([&] { builder.generate().cgImage(100); }, QRCodeError::cannotGenerateImage);
}

TEST(Builder, AMessageStaysTheContentThroughLaterSetters) {
  const gfx::Image logo = gfx::Image::filled(8, 8, {30, 30, 200, 255});
  const QRCodeMessageSMS sms("+44 20 7946 0958", "on my way");
  const QRCodeMessageData bytes(foundation::bytesOf("raw bytes 42"));
  for (const QRCodeMessageFormatterBase* message : {static_cast<const QRCodeMessageFormatterBase*>(&sms),
                                                    static_cast<const QRCodeMessageFormatterBase*>(&bytes)}) {
    const std::string expected = foundation::stringOf(message->dataRef());
    SCOPED_TRACE(expected);
    QRCodeBuilder builder;
    builder.content().text("stored").errorCorrection(Level::low);
    builder.content().message(*message);
    // The message is the content, at the document's level.
    EXPECT_EQ(builder.document()->content(), message->textRef() ? QRCode::Content::text(*message->textRef())
                                                                : QRCode::Content::data(message->dataRef()));
    EXPECT_EQ(builder.document()->qrcode().currentErrorCorrection(), Level::low);
    // Every later setter regenerates from it.
    builder.errorCorrection(Level::high)
        .logo(logo, QRCodeBuilder::LogoPosition::squareCenter(1))
        .foreground()
        .color("#1040a0")
        .onPixels()
        .shape(QRCodePixelShapeFactory::shared().named("circle"))
        .engine(std::make_shared<QRCodeEngineExternal>());
    EXPECT_EQ(builder.document()->qrcode().currentErrorCorrection(), Level::high);
    EXPECT_TRUE(testsupport::decodeImage(builder.generate().cgImage(400)).bothRead(expected));
  }
}

TEST(Builder, AMessageTheEngineRefusesChangesNothing) {
  QRCodeBuilder builder;
  builder.content().text("stored").errorCorrection(Level::high);
  const auto matrix = builder.document()->boolMatrix();
  testsupport::CapturedOutput output;
  expectError([&] { builder.content().message(QRCodeMessageText(std::string(3000, 'a'))); },
              QRCodeError::cannotGenerateImage, "text");
  expectError([&] { builder.content().message(QRCodeMessageData(foundation::Bytes(3000, 0xAB))); },
              QRCodeError::cannotGenerateImage, "bytes");
  expectError([&] { builder.errorCorrection(static_cast<Level>(9)); }, QRCodeError::cannotGenerateQRCode, "level");
  expectError([&] { builder.document()->setErrorCorrection(static_cast<Level>(-1)); }, QRCodeError::cannotGenerateQRCode);
  expectError([&] { builder.document()->modifyErrorCorrection([](Level& l) { l = static_cast<Level>(4); }); },
              QRCodeError::cannotGenerateQRCode);
  EXPECT_EQ(builder.document()->settings()["correction"], "H");
  EXPECT_EQ(*builder.document()->utf8String(), "stored");
  EXPECT_EQ(builder.document()->boolMatrix(), matrix);
  EXPECT_FALSE(builder.document()->regenerationError().has_value());
  EXPECT_TRUE(output.lines.empty());
}

// The builder's message against the document's setMessage on the same document: the same
// outcome (the same content and matrix, or the same error - which setMessage keeps rather
// than raises on its bytes path), and a builder that fails has changed nothing. Capacities
// from the QR standard's version 40 table: 1663 bytes at quartile; 7089 digits and 2953
// bytes at low.
TEST(Builder, AMessageDoesWhatSetMessageDoesOrNothing) {
  std::string latin1;
  for (int i = 0; i < 1600; ++i) latin1 += "\u00e9";  // 1600 bytes in Latin-1, 3200 in UTF-8
  const QRCodeMessageText latin1Text(latin1, QRCodeMessageText::Encoding::isoLatin1);
  const QRCodeMessageText digits(std::string(4000, '7'));
  const QRCodeMessageText tooManyDigits(std::string(7090, '7'));
  const QRCodeMessageData tooManyBytes(foundation::Bytes(2954, 0xAB));
  const QRCodeMessageData fewBytes(foundation::bytesOf("raw bytes 42"));
  const auto external = [] { return std::make_shared<QRCodeEngineExternal>(); };
  struct Row {
    const char* name;
    const QRCodeMessageFormatterBase& message;
    std::shared_ptr<QRCodeEngine> engine;  // null: the default engine
    Level level;
    bool fits;
  };
  const Row rows[] = {
      {"Latin-1 text of 1600 e-acute, default engine", latin1Text, nullptr, Level::quartile, false},
      {"Latin-1 text of 1600 e-acute, external engine", latin1Text, external(), Level::quartile, false},
      {"4000 digits, external engine at low", digits, external(), Level::low, true},
      {"7090 digits, too long for any version", tooManyDigits, external(), Level::low, false},
      {"2954 bytes, too long for any version", tooManyBytes, external(), Level::low, false},
      {"12 bytes", fewBytes, nullptr, Level::low, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const QRCodeBuilder builder;
    builder.engine(row.engine).errorCorrection(row.level).content().text("stored");
    const QRCodeDocument& document = *builder.document();
    const auto matrixBefore = document.boolMatrix();
    ASSERT_FALSE(document.regenerationError().has_value());

    testsupport::CapturedOutput output;
    std::optional<std::string> builderError;
    try {
      builder.content().message(row.message);
    } catch (const foundation::Error& e) {
      builderError = e.what();
    }
    EXPECT_EQ(!builderError.has_value(), row.fits) << builderError.value_or("");
    if (builderError) {
      EXPECT_EQ(document.content(), QRCode::Content::text("stored"));
      EXPECT_EQ(document.boolMatrix(), matrixBefore);
      EXPECT_FALSE(document.regenerationError().has_value());
      EXPECT_TRUE(output.lines.empty());
    } else {
      const std::string expected = foundation::stringOf(row.message.dataRef());
      const std::int64_t dimension = document.cellDimension() * 4;
      EXPECT_TRUE(testsupport::decodeImage(builder.generate().cgImage(dimension)).bothRead(
          row.message.textRef() ? *row.message.textRef() : expected));
    }
    const QRCode::Content builderContent = document.content();
    const auto builderMatrix = document.boolMatrix();  // a regeneration replaces it, not changes it

    std::optional<std::string> setMessageError;
    try {
      builder.document()->setMessage(row.message);
    } catch (const foundation::Error& e) {
      setMessageError = e.what();
    }
    if (!setMessageError && document.regenerationError()) setMessageError = document.regenerationError()->what();
    EXPECT_EQ(builderError, setMessageError);
    if (!setMessageError) {
      EXPECT_EQ(document.content(), builderContent);
      EXPECT_EQ(*document.boolMatrix(), *builderMatrix);
    }
  }
}

TEST(Builder, ForegroundClearsEyeFillsWhileOnPixelsKeepsThem) {
  QRCodeBuilder builder;
  builder.eye().color("#00ff00").pupil().color("#0000ff");
  builder.onPixels().color("#ff0000");
  const auto& style = *builder.document()->design()->style();
  ASSERT_TRUE(style.eye());
  ASSERT_TRUE(style.pupil());
  EXPECT_EQ(qrcolor::hexString(solidOf(style.onPixels()).color()), "#ff0000");
  builder.foreground().color(gfx::Color::sRGB(0, 0, 0.5));
  EXPECT_EQ(style.eye(), nullptr);
  EXPECT_EQ(style.pupil(), nullptr);
  EXPECT_EQ(style.actualPupilStyle(), style.onPixels());
}

TEST(Builder, EyeShapeClearsThePupilPupilShapeAfterEyeSticks) {
  QRCodeBuilder builder;
  const auto& shape = *builder.document()->design()->shape();
  builder.pupil().shape(QRCodePupilShapeFactory::shared().named("circle"));
  builder.eye().shape(QRCodeEyeShapeFactory::shared().named("roundedRect"));
  EXPECT_EQ(shape.pupil(), nullptr);
  builder.pupil().shape(QRCodePupilShapeFactory::shared().named("circle"));
  ASSERT_TRUE(shape.pupil());
  EXPECT_EQ(shape.pupil()->name(), "circle");
  EXPECT_EQ(shape.eye()->name(), "roundedRect");
}

TEST(Builder, BadHexColoursChangeNothing) {
  QRCodeBuilder builder;
  const auto& style = *builder.document()->design()->style();
  const QRCodeFillStyleGeneratorPtr onPixels = style.onPixels();
  const QRCodeFillStyleGeneratorPtr background = style.background();
  for (const char* bad : {"", "#12", "12345", "#ggg", "red", "#1234567"}) {
    expectError([&] { builder.foreground().color(bad); }, QRCodeError::invalidHexColorString, bad);
    expectError([&] { builder.background().color(bad); }, QRCodeError::invalidHexColorString, bad);
    expectError([&] { builder.onPixels().backgroundColor(bad); }, QRCodeError::invalidHexColorString, bad);
    expectError([&] { builder.eye().color(bad); }, QRCodeError::invalidHexColorString, bad);
    expectError([&] { builder.offPixels().color(bad); }, QRCodeError::invalidHexColorString, bad);
  }
  EXPECT_EQ(style.onPixels(), onPixels);
  EXPECT_EQ(style.background(), background);
  EXPECT_FALSE(style.onPixelsBackground().has_value());
  EXPECT_EQ(style.eye(), nullptr);
  EXPECT_EQ(style.offPixels(), nullptr);
}

TEST(Builder, HexForms) {
  QRCodeBuilder builder;
  const auto& style = *builder.document()->design()->style();
  builder.onPixels().backgroundColor("#f00");
  EXPECT_EQ(rgba(*style.onPixelsBackground()), "1.0,0.0,0.0,1.0");
  builder.eye().backgroundColor("00ff0080");
  EXPECT_EQ(rgba(*style.eyeBackground()), "0.0,1.0,0.0," + foundation::shortestString(128.0 / 255.0));
  builder.offPixels().backgroundColor("#0000FF");
  EXPECT_EQ(rgba(*style.offPixelsBackground()), "0.0,0.0,1.0,1.0");
  builder.offPixels().color("#ffff");
  EXPECT_EQ(rgba(solidOf(style.offPixels()).color()), "1.0,1.0,1.0,1.0");
}

TEST(Builder, StylesShapesAndFlags) {
  QRCodeBuilder builder;
  auto fill = QRCodeFillStyleSolid::withGray(0.3);
  auto offShape = QRCodePixelShapeFactory::shared().named("circle");
  builder.offPixels().shape(offShape).offPixels().style(fill).negatedOnPixelsOnly(true);
  const auto& design = *builder.document()->design();
  EXPECT_EQ(design.shape()->offPixels(), offShape);
  EXPECT_EQ(design.style()->offPixels(), fill);
  EXPECT_TRUE(design.shape()->negatedOnPixelsOnly());
  builder.background().style(nullptr);
  EXPECT_EQ(design.style()->background(), nullptr);
  builder.background().image(gfx::Image::filled(4, 4, {0, 0, 255, 255}));
  EXPECT_NE(dynamic_cast<const QRCodeFillStyleImage*>(design.style()->background().get()), nullptr);
  builder.eye().style(fill).pupil().style(fill).onPixels().style(fill);
  EXPECT_EQ(design.style()->eye(), fill);
  EXPECT_EQ(design.style()->pupil(), fill);
  EXPECT_EQ(design.style()->onPixels(), fill);
}

TEST(Builder, Shadows) {
  QRCodeBuilder builder;
  builder.shadow(QRCodeShadow::ShadowType::innerShadow, 0.3, -0.4, 2.0, gfx::Color::sRGB(1, 0, 0));
  const auto& style = *builder.document()->design()->style();
  ASSERT_TRUE(style.shadow());
  EXPECT_EQ(style.shadow()->type(), QRCodeShadow::ShadowType::innerShadow);
  EXPECT_DOUBLE_EQ(style.shadow()->offset().width, 0.3);
  EXPECT_DOUBLE_EQ(style.shadow()->offset().height, -0.4);
  EXPECT_DOUBLE_EQ(style.shadow()->blur(), 2.0);
  builder.shadow(QRCodeShadow::ShadowType::dropShadow, gfx::Size{1, 2}, 3.0, gfx::Color::sRGB(0, 0, 0));
  EXPECT_EQ(style.shadow()->type(), QRCodeShadow::ShadowType::dropShadow);
  EXPECT_DOUBLE_EQ(style.shadow()->offset().height, 2);
  auto shared = std::make_shared<QRCodeShadow>();
  builder.shadow(shared);
  EXPECT_EQ(style.shadow(), shared);
  builder.shadow(nullptr);
  EXPECT_EQ(style.shadow(), nullptr);
}

TEST(Builder, Logos) {
  const gfx::Image image = gfx::Image::filled(8, 8, {200, 0, 0, 255});
  QRCodeBuilder builder;
  builder.logo(image, QRCodeBuilder::LogoPosition::squareBottomRight(2));
  const auto& logo = builder.document()->logoTemplate();
  ASSERT_TRUE(logo);
  EXPECT_FALSE(logo->useImageMasking());
  EXPECT_TRUE(logo->masksQRCodePixels());
  EXPECT_EQ(logo->inset(), 2);
  gfx::Path expected;
  expected.addRect(gfx::Rect{0.7, 0.7, 0.25, 0.25});
  EXPECT_EQ(logo->path(), expected);

  builder.logo(image, QRCodeBuilder::LogoPosition::circleCenter(1));
  gfx::Path circle;
  circle.addEllipse(gfx::Rect{0.375, 0.375, 0.25, 0.25});
  EXPECT_EQ(builder.document()->logoTemplate()->path(), circle);
  EXPECT_EQ(builder.document()->logoTemplate()->inset(), 1);

  builder.logo(image, gfx::Rect{0.1, 0.2, 0.3, 0.2}, 0.5);
  gfx::Path rect;
  rect.addRect(gfx::Rect{0.1, 0.2, 0.3, 0.2});
  EXPECT_EQ(builder.document()->logoTemplate()->path(), rect);
  EXPECT_FALSE(builder.document()->logoTemplate()->useImageMasking());

  builder.logo(image, gfx::Image::filled(8, 8, {0, 0, 0, 255}));
  const auto& masked = builder.document()->logoTemplate();
  EXPECT_TRUE(masked->useImageMasking());
  EXPECT_TRUE(masked->masksQRCodePixels());
  EXPECT_TRUE(masked->maskImage().has_value());
  EXPECT_EQ(masked->inset(), 0);

  auto given = QRCodeLogoTemplate::SquareCenterWithImage(image, 0);
  builder.logo(given);
  EXPECT_EQ(builder.document()->logoTemplate(), given);
}

TEST(Builder, LogoModulesAreRemovedAndTheCodeStillReads) {
  const gfx::Image image = gfx::Image::filled(8, 8, {30, 30, 200, 255});
  const auto builder = QRCodeBuilder::build();
  builder.content().text(kURL).errorCorrection(Level::high).logo(image, QRCodeBuilder::LogoPosition::squareCenter(2));
  const gfx::Image bitmap = builder.generate().cgImage(400);
  EXPECT_TRUE(testsupport::decodeImage(bitmap).bothRead(kURL));
  // The centre of the code is the logo's colour.
  const auto centre = testsupport::meanColor(bitmap, 195, 195, 205, 205);
  EXPECT_NEAR(centre.b, 200, 2);
  EXPECT_NEAR(centre.r, 30, 2);
}

TEST(Builder, EngineAndErrorCorrection) {
  QRCodeBuilder builder;
  auto engine = std::make_shared<QRCodeEngineExternal>();
  builder.engine(engine).content().text("engine");
  EXPECT_EQ(builder.document()->engine(), engine);
  std::vector<std::string> lines;
  const auto previous = foundation::setOutputSink([&](std::string_view line) { lines.emplace_back(line); });
  builder.content().text(std::string(3500, '7')).errorCorrection(Level::high);  // fits at quartile only
  foundation::setOutputSink(previous);
  EXPECT_EQ(builder.document()->errorCorrection(), Level::high);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back().rfind("QRCode.Document: Could not regenerate. Error was '", 0), 0u);
}

TEST(Builder, Outputs) {
  const auto builder = QRCodeBuilder::build();
  builder.content().text("outputs").errorCorrection(Level::medium);
  const auto generate = builder.generate();

  const foundation::Bytes pdf = generate.pdfData(200, 144);
  EXPECT_DOUBLE_EQ(testsupport::pdfInfo(pdf).pageSize.width, 100);
  EXPECT_TRUE(testsupport::decodeImage(testsupport::rasterizePDF(pdf, 300, 300)).bothRead("outputs"));

  const foundation::Bytes svg = generate.svgData(300);
  EXPECT_TRUE(testsupport::decodeImage(testsupport::rasterizeSVG(svg, 300, 300)).bothRead("outputs"));

  const foundation::Bytes jpeg = generate.imageData(250, ImageExportType::jpg(2.0, 0.9));
  const auto decoded = testsupport::decodeJPEGFile(jpeg);
  EXPECT_EQ(decoded.image.width(), 250);
  EXPECT_DOUBLE_EQ(decoded.dpiX, 144);
  EXPECT_TRUE(testsupport::decodeImage(decoded.image).bothRead("outputs"));

  const gfx::Path path = generate.path(210);
  EXPECT_EQ(path, builder.document()->pathWithDimension(
                      210, {QRCodeComponents::eye(), QRCodeComponents::pupil(), QRCodeComponents::onPixels()}));
  const gfx::Rect bounds = path.bounds();
  EXPECT_GT(bounds.size.width, 150);
  const gfx::Path bezier = generate.bezierPath(210);
  EXPECT_EQ(bezier.size(), path.size());
  EXPECT_EQ(bezier, qrcore::bezierPathFromCGPath(path));
  EXPECT_NEAR(bezier.bounds().size.width, bounds.size.width, 1e-9);
  EXPECT_NEAR(bezier.bounds().origin.x, bounds.origin.x, 1e-9);

  EXPECT_EQ(generate.ascii(), builder.document()->asciiRepresentation());
  EXPECT_EQ(generate.smallAscii(), builder.document()->smallAsciiRepresentation());
  EXPECT_FALSE(generate.ascii().empty());

  expectError([&] { generate.cgImage(0); }, QRCodeError::cannotGenerateImage, "zero dimension");
}

TEST(Builder, EveryStepIsReachableFromWhatAnOperationHandsBack) {
  const auto builder = QRCodeBuilder::build();
  const QRCodeBuilder handedBack = builder.content().text("x");
  EXPECT_EQ(handedBack.document(), builder.document());
  EXPECT_EQ(handedBack.eye().builder().document(), builder.document());
  EXPECT_EQ(handedBack.generate().builder().document(), builder.document());
}

// A step, a builder an operation handed back and the document are kept after the
// builder's temporary is gone; they still work on that builder (use after free shows
// in the sanitizer build).
TEST(Builder, StepsAndHandedBackBuildersKeepTheBuilderAlive) {
  const QRCodeBuilder::Content content = QRCodeBuilder::build().content();
  const QRCodeBuilder& handedBack = content.text("first").errorCorrection(Level::high);
  const QRCodeBuilder::Generate generate = handedBack.foreground().color("#1040a0").generate();
  content.text(kURL);
  EXPECT_EQ(*handedBack.document()->utf8String(), kURL);
  EXPECT_EQ(handedBack.document()->errorCorrection(), Level::high);
  EXPECT_TRUE(testsupport::decodeImage(generate.cgImage(400)).bothRead(kURL));

  const std::shared_ptr<QRCodeDocument> document = QRCodeBuilder::build().content().text(kURL).document();
  EXPECT_TRUE(testsupport::decodeImage(document->cgImageWithDimension(400)).bothRead(kURL));

  // Copies and moves refer to the same builder; a moved-from one stays usable.
  QRCodeBuilder first;
  QRCodeBuilder second = std::move(first);
  first.content().text("shared");
  EXPECT_EQ(second.document(), first.document());
  EXPECT_EQ(*second.document()->utf8String(), "shared");
}

// The example at the top of QRCodeBuilder.hpp, as written there.
TEST(Builder, TheHeaderExampleRuns) {
  const foundation::Bytes png = QRCodeBuilder::build()
                                    .content().text("https://example.com")
                                    .errorCorrection(QRCode::ErrorCorrection::high)
                                    .onPixels().shape(QRCodePixelShapeCircle::Create())
                                    .foreground().color("#1040a0")
                                    .generate().imageData(300, ImageExportType::png(1.0));
  const gfx::Image image = imageio::loadImageFromData(png);
  EXPECT_EQ(image.width(), 300);
  EXPECT_TRUE(testsupport::decodeImage(image).bothRead("https://example.com"));
}

}  // namespace
