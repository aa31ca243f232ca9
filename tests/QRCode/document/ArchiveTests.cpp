// The document archive: the settings dictionary and its JSON forms, full round trips that
// draw the same pixels, the readers' precedence and fall-backs, the errors, the template
// operations, and documents from formatted content and messages.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "QRCode/core/QRCodeEngineCoreImage.hpp"
#include "QRCode/core/QRCodeEngineExternal.hpp"
#include "QRCode/core/QRCodeError.hpp"
#include "QRCode/design/QRCodeFillStyleLinearGradient.hpp"
#include "QRCode/design/QRCodeFillStyleSolid.hpp"
#include "QRCode/design/QRCodeLogoTemplate.hpp"
#include "QRCode/design/QRCodeStyle.hpp"
#include "QRCode/design/QRCodeMessageFormatters.hpp"
#include "QRCode/document/QRCodeDocument.hpp"
#include "QRCode/eye/QRCodeEyeShapeFactory.hpp"
#include "QRCode/eye/QRCodePupilShapeFactory.hpp"
#include "QRCode/pixel/QRCodePixelShapeFactory.hpp"
#include "imageio/ImageLoad.hpp"
#include "platform/foundation/Output.hpp"
#include "platform/foundation/Settings.hpp"
#include "support/ChildRun.hpp"
#include "support/Raster.hpp"
#include "support/TestData.hpp"
#include "support/Expect.hpp"
#include "support/HostileMessages.hpp"
#include "SwitchableEngine.hpp"

namespace {

using testsupport::expectError;
using testsupport::CapturedOutput;

using Level = QRCode::ErrorCorrection;
using foundation::Settings;

const std::string kURL = "https://vidlumen.example.com/wallpaper/waves-dp3YBose?utm_source=app";

foundation::Error caught(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const foundation::Error& e) {
    return e;
  }
  ADD_FAILURE() << "no error";
  return foundation::Error("none", 0, "none");
}

std::span<const std::uint8_t> bytesOfText(const std::string& s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

// A 16 x 16 logo: a blue disc on transparent.
gfx::Image logoImage() {
  std::vector<std::uint8_t> px(16 * 16 * 4, 0);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      const double dx = x - 7.5, dy = y - 7.5;
      if (dx * dx + dy * dy <= 56) {
        std::uint8_t* p = px.data() + (y * 16 + x) * 4;
        p[0] = 20, p[1] = 60, p[2] = 200, p[3] = 255;
      }
    }
  return gfx::Image::make(16, 16, std::move(px));
}

// A document with every optional part of the archive set.
std::shared_ptr<QRCodeDocument> fullDocument() {
  auto document = std::make_shared<QRCodeDocument>(kURL, Level::high);
  auto design = document->design();
  auto& shape = *design->shape();
  shape.setOnPixels(QRCodePixelShapeFactory::shared().named("circle", Settings{{"insetFraction", 0.1}}));
  shape.setEye(QRCodeEyeShapeFactory::shared().named("roundedRect"));
  shape.setPupil(QRCodePupilShapeFactory::shared().named("circle"));
  shape.setOffPixels(QRCodePixelShapeFactory::shared().named("square", Settings{{"insetFraction", 0.6}}));
  auto& style = *design->style();
  style.setOnPixels(QRCodeFillStyleSolid::withSrgbRed(0.05, 0.1, 0.4));
  style.setEye(QRCodeFillStyleLinearGradient::make(
      KvelGradient(std::vector<std::pair<double, std::string>>{{0.0, "#102050"}, {1.0, "#301010"}}), {0, 0}, {1, 1}));
  style.setPupil(QRCodeFillStyleSolid::withSrgbRed(0.5, 0.0, 0.1));
  style.setOffPixels(QRCodeFillStyleSolid::withSrgbRed(0.9, 0.9, 0.95));
  style.setBackground(QRCodeFillStyleSolid::withSrgbRed(1.0, 1.0, 0.9));
  style.setBackgroundFractionalCornerRadius(0.25);
  style.setEyeBackground(gfx::Color::sRGB(1.0, 0.95, 0.95));
  style.setOnPixelsBackground(gfx::Color::sRGB(0.98, 0.98, 1.0));
  style.setOffPixelsBackground(gfx::Color::sRGB(1.0, 1.0, 0.98));
  style.setShadow(std::make_shared<QRCodeShadow>(QRCodeShadow::ShadowType::dropShadow, 0.1, -0.1, 1.5,
                                                 gfx::Color::sRGB(0, 0, 0, 0.4)));
  design->setAdditionalQuietZonePixels(2);
  document->setLogoTemplate(QRCodeLogoTemplate::CircleCenterWithImage(logoImage(), 2.0));
  return document;
}

// --- writing ---------------------------------------------------------------------------

TEST(DocumentArchive, SettingsHoldExactlyTheirKeys) {
  QRCodeDocument text(std::string_view("hello"), Level::low);
  const Settings t = text.settings();
  EXPECT_EQ(t.size(), 3u);
  EXPECT_EQ(foundation::stringValue(t, "correction"), "L");
  EXPECT_EQ(foundation::stringValue(t, "text"), "hello");
  EXPECT_EQ(foundation::find(t, "data"), nullptr);
  EXPECT_EQ(foundation::find(t, "logoTemplate"), nullptr);
  EXPECT_EQ(*foundation::objectValue(t, "design"), text.design()->settings());

  const foundation::Bytes bytes{0x00, 0xFF, 0x41, 0x80, 0x7F};
  QRCodeDocument data(std::span<const std::uint8_t>(bytes), Level::medium);
  data.setLogoTemplate(QRCodeLogoTemplate::SquareCenterWithImage(logoImage(), 0));
  const Settings d = data.settings();
  EXPECT_EQ(d.size(), 4u);
  EXPECT_EQ(foundation::stringValue(d, "correction"), "M");
  EXPECT_EQ(foundation::stringValue(d, "data"), "AP9BgH8=");
  EXPECT_EQ(foundation::find(d, "text"), nullptr);
  EXPECT_EQ(*foundation::objectValue(d, "logoTemplate"), data.logoTemplate()->settings());

  for (const auto& [level, letter] : {std::pair{Level::quartile, "Q"}, std::pair{Level::high, "H"}}) {
    text.setErrorCorrection(level);
    EXPECT_EQ(foundation::stringValue(text.settings(), "correction"), letter);
  }
}

TEST(DocumentArchive, JSONDataIsCompactAndFormattedTextSortedOnManyLines) {
  const auto document = fullDocument();
  const foundation::Bytes json = document->jsonData();
  const std::string compact(json.begin(), json.end());
  EXPECT_EQ(compact.find('\n'), std::string::npos);
  EXPECT_EQ(nlohmann::json::parse(compact), document->settings());

  const std::string formatted = document->jsonStringFormatted();
  EXPECT_GT(std::count(formatted.begin(), formatted.end(), '\n'), 20);
  EXPECT_EQ(nlohmann::json::parse(formatted), document->settings());
  // Keys appear in sorted order at every level of the text.
  std::function<void(const nlohmann::ordered_json&)> sorted = [&](const nlohmann::ordered_json& v) {
    if (v.is_object()) {
      std::string previous;
      bool first = true;
      for (const auto& [key, member] : v.items()) {
        if (!first) {
          EXPECT_LT(previous, key);
        }
        previous = key;
        first = false;
        sorted(member);
      }
    } else if (v.is_array()) {
      for (const auto& member : v) sorted(member);
    }
  };
  sorted(nlohmann::ordered_json::parse(formatted));
}

TEST(DocumentArchive, WritingRefusesNonFiniteNumbersAndBrokenText) {
  {
    auto document = fullDocument();
    document->design()->style()->setBackgroundFractionalCornerRadius(std::numeric_limits<double>::infinity());
    EXPECT_NO_THROW(document->settings());  // the dictionary itself can hold it
    expectError([&] { document->jsonData(); }, QRCodeError::cannotGenerateJSON, "data");
    expectError([&] { document->jsonStringFormatted(); }, QRCodeError::cannotGenerateJSON, "formatted");
  }
  {
    QRCodeDocument document(std::string_view("ok"), Level::low);
    document.setUtf8String(std::string("caf\xE9"));  // Latin-1, not UTF-8
    expectError([&] { document.jsonData(); }, QRCodeError::cannotGenerateJSON, "text");
    expectError([&] { document.jsonStringFormatted(); }, QRCodeError::cannotGenerateJSON, "formatted text");
  }
}

// --- round trips -----------------------------------------------------------------------

TEST(DocumentArchive, FullRoundTripDrawsTheSamePixels) {
  const auto original = fullDocument();
  const foundation::Bytes json = original->jsonData();
  const auto restored = QRCodeDocument::CreateWithJsonData(json);
  EXPECT_EQ(restored->settings(), original->settings());
  EXPECT_EQ(*restored->utf8String(), kURL);
  EXPECT_EQ(restored->errorCorrection(), Level::high);
  ASSERT_TRUE(restored->logoTemplate());
  EXPECT_EQ(restored->design()->additionalQuietZonePixels(), 2u);
  EXPECT_EQ(restored->design()->shape()->pupil()->name(), "circle");
  EXPECT_EQ(restored->design()->style()->eye()->name(), "lineargradient");
  ASSERT_TRUE(restored->design()->style()->shadow());

  const gfx::Image a = original->cgImageWithDimension(400);
  const gfx::Image b = restored->cgImageWithDimension(400);
  testsupport::writeImagePNG(b, "archive-roundtrip.png");
  // Colours travel through their text forms (the gradient's stops among them), which may
  // move a blended channel by one step; nothing else may change.
  EXPECT_LE(testsupport::imageDifference(a, b).largest, 1);
  EXPECT_TRUE(testsupport::decodeImage(b).bothRead(kURL));

  // The formatted text reads back the same way.
  const std::string formatted = original->jsonStringFormatted();
  const auto again = QRCodeDocument::CreateWithJsonData(bytesOfText(formatted));
  EXPECT_EQ(again->settings(), original->settings());
}

TEST(DocumentArchive, DataContentRoundTrip) {
  foundation::Bytes bytes(200);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 37 + 11);
  QRCodeDocument document(std::span<const std::uint8_t>(bytes), Level::low);
  const auto restored = QRCodeDocument::CreateWithJsonData(document.jsonData());
  ASSERT_NE(restored->data(), nullptr);
  EXPECT_EQ(*restored->data(), bytes);
  EXPECT_EQ(restored->utf8String(), nullptr);
  EXPECT_EQ(restored->errorCorrection(), Level::low);
  EXPECT_TRUE(*restored->boolMatrix() == *document.boolMatrix());
}

TEST(DocumentArchive, MakersInstallTheEngineBeforeLoading) {
  const Settings settings = QRCodeDocument(std::string_view("engine"), Level::medium).settings();
  auto engine = std::make_shared<SwitchableEngine>();
  const auto withEngine = QRCodeDocument::CreateWithSettings(settings, engine);
  EXPECT_EQ(withEngine->engine(), engine);
  EXPECT_EQ(*withEngine->utf8String(), "engine");
  const auto byDefault = QRCodeDocument::CreateWithSettings(settings);
  EXPECT_NE(std::dynamic_pointer_cast<QRCodeEngineCoreImage>(byDefault->engine()), nullptr);

  engine->fail = true;
  expectError([&] { QRCodeDocument::CreateWithSettings(settings, engine); }, QRCodeError::cannotGenerateQRCode);
}

// --- reading ---------------------------------------------------------------------------

TEST(DocumentArchive, EmptySettingsKeepDesignAndLogo) {
  auto document = fullDocument();
  document->setEngine(std::make_shared<QRCodeEngineExternal>());  // it encodes empty bytes
  const QRCodeDesignPtr design = document->design();
  const QRCodeLogoTemplatePtr logo = document->logoTemplate();
  document->loadWithSettings(Settings::object());
  ASSERT_NE(document->data(), nullptr);
  EXPECT_TRUE(document->data()->empty());
  EXPECT_EQ(document->errorCorrection(), Level::quartile);
  EXPECT_EQ(document->design(), design);
  EXPECT_EQ(document->logoTemplate(), logo);

  // The default engine cannot encode empty bytes: the fields load, the final regeneration
  // raises.
  QRCodeDocument text(std::string_view("text"), Level::high);
  expectError([&] { text.loadWithSettings(Settings::object()); }, QRCodeError::cannotGenerateImage);
  ASSERT_NE(text.data(), nullptr);
  EXPECT_TRUE(text.data()->empty());
  EXPECT_EQ(text.errorCorrection(), Level::quartile);
}

TEST(DocumentArchive, ContentPrecedence) {
  struct Row {
    const char* name;
    Settings settings;
    bool isData;
    std::string value;
  };
  const std::vector<Row> rows = {
      {"valid data wins", Settings{{"data", "YWJj"}, {"text", "ignored"}}, true, "abc"},
      {"bad base64 falls to text", Settings{{"data", "not base64!"}, {"text", "abc"}}, false, "abc"},
      {"data not text falls to text", Settings{{"data", 12}, {"text", "abc"}}, false, "abc"},
      {"base64 with blanks is bad", Settings{{"data", "YW Jj"}, {"text", "t"}}, false, "t"},
      {"text alone", Settings{{"text", "only"}}, false, "only"},
      {"text of the wrong kind", Settings{{"text", 5}}, true, ""},
      {"empty data is data", Settings{{"data", ""}, {"text", "x"}}, true, ""},
      {"neither", Settings::object(), true, ""},
  };
  for (const Row& row : rows) {
    QRCodeDocument document(std::string_view("before"), Level::low, std::make_shared<QRCodeEngineExternal>());
    document.loadWithSettings(row.settings);
    if (row.isData) {
      ASSERT_NE(document.data(), nullptr) << row.name;
      EXPECT_EQ(foundation::stringOf(*document.data()), row.value) << row.name;
    } else {
      ASSERT_NE(document.utf8String(), nullptr) << row.name;
      EXPECT_EQ(*document.utf8String(), row.value) << row.name;
    }
  }
}

TEST(DocumentArchive, CorrectionLetters) {
  const std::vector<std::pair<Settings, Level>> rows = {
      {"m", Level::medium}, {"M", Level::medium}, {"Medium", Level::medium}, {"h", Level::high},
      {"L", Level::low},    {"Q", Level::quartile}, {"x", Level::quartile},  {"", Level::quartile},
      {1, Level::quartile}, {true, Level::quartile}, {nullptr, Level::quartile},
  };
  for (const auto& [value, level] : rows) {
    QRCodeDocument document(std::string_view("c"), Level::high);
    document.loadWithSettings(Settings{{"text", "c"}, {"correction", value}});
    EXPECT_EQ(document.errorCorrection(), level) << value.dump();
  }
}

TEST(DocumentArchive, DesignAndLogoOnlyReplacedByReadableValues) {
  auto document = fullDocument();
  const QRCodeDesignPtr design = document->design();
  const QRCodeLogoTemplatePtr logo = document->logoTemplate();
  document->loadWithSettings(Settings{{"text", "x"}, {"design", "square"}, {"logoTemplate", Settings::array()}});
  EXPECT_EQ(document->design(), design);
  EXPECT_EQ(document->logoTemplate(), logo);
  document->loadWithSettings(Settings{{"text", "x"}, {"logoTemplate", Settings{{"inset", 3}}}});
  EXPECT_EQ(document->logoTemplate(), logo);  // no path, no image: no template

  // A design object replaces the design, even an empty one (the default design).
  document->loadWithSettings(Settings{{"text", "x"}, {"design", Settings::object()}});
  EXPECT_NE(document->design(), design);
  EXPECT_EQ(document->design()->settings(), QRCodeDesign().settings());

  // A readable template replaces the logo.
  const Settings other = QRCodeLogoTemplate::SquareBottomRightWithImage(logoImage(), 1.0)->settings();
  document->loadWithSettings(Settings{{"text", "x"}, {"logoTemplate", other}});
  ASSERT_NE(document->logoTemplate(), logo);
  EXPECT_EQ(document->logoTemplate()->settings(), other);
}

TEST(DocumentArchive, UnknownGeneratorNamesFallBackToDefaults) {
  const Settings design{
      {"shape",
       {{"onPixels", {{"type", "noSuchPixel"}, {"settings", Settings::object()}}},
        {"eye", {{"type", "noSuchEye"}}},
        {"pupil", {{"type", 7}}},
        {"negatedOnPixelsOnly", true}}},
      {"style", {{"onPixels", {{"type", "noSuchFill"}, {"settings", {{"color", "1,0,0,1"}}}}}}},
  };
  QRCodeDocument document(std::string_view("x"), Level::low);
  document.loadWithSettings(Settings{{"text", "generators"}, {"design", design}});
  const auto& shape = *document.design()->shape();
  EXPECT_EQ(shape.onPixels()->name(), "square");
  EXPECT_EQ(shape.eye()->name(), "square");
  EXPECT_EQ(shape.pupil(), nullptr);
  EXPECT_TRUE(shape.negatedOnPixelsOnly());
  EXPECT_EQ(document.design()->style()->onPixels()->name(), "solid");
  EXPECT_TRUE(testsupport::decodeImage(document.cgImageWithDimension(300)).bothRead("generators"));
}

TEST(DocumentArchive, KeysOfOtherNamesAreIgnored) {
  QRCodeDocument document(std::string_view("x"), Level::low);
  document.loadWithSettings(Settings{{"text", "kept"}, {"engine", "external"}, {"Text", "no"}, {"correction", "h"}});
  EXPECT_EQ(*document.utf8String(), "kept");
  EXPECT_EQ(document.errorCorrection(), Level::high);
  EXPECT_EQ(document.settings().size(), 3u);
}

TEST(DocumentArchive, FinalRegenerationErrorIsRaisedWithTheLoadedFields) {
  auto engine = std::make_shared<SwitchableEngine>();
  QRCodeDocument document(std::string_view("old"), Level::low, engine);
  const auto matrix = document.boolMatrix();
  engine->fail = true;
  CapturedOutput output;
  expectError([&] { document.loadWithSettings(Settings{{"text", "new"}, {"correction", "H"}}); },
              QRCodeError::cannotGenerateQRCode);
  EXPECT_EQ(*document.utf8String(), "new");
  EXPECT_EQ(document.errorCorrection(), Level::high);
  EXPECT_EQ(document.boolMatrix(), matrix);
  // Content and level were each stored through their setter, which printed the failure.
  ASSERT_EQ(output.lines.size(), 2u);
  for (const auto& line : output.lines)
    EXPECT_EQ(line, "QRCode.Document: Could not regenerate. Error was 'cannotGenerateQRCode'");
  expectError([&] { document.pngDataWithDimension(100, 72); }, QRCodeError::cannotGenerateQRCode);
}

TEST(DocumentArchive, TooLongTextLoadsButRaises) {
  QRCodeDocument document(std::string_view("short"), Level::low);
  CapturedOutput output;
  const std::string huge(4000, 'x');
  expectError([&] { document.loadWithSettings(Settings{{"text", huge}, {"correction", "H"}}); },
              QRCodeError::cannotGenerateImage);
  EXPECT_EQ(document.utf8String()->size(), huge.size());
  EXPECT_FALSE(output.lines.empty());
}

// --- JSON reading errors -----------------------------------------------------------------

TEST(DocumentArchive, MalformedJSONAndWrongTopLevel) {
  for (const std::string& text : {std::string("{\"text\": "), std::string("not json"), std::string(""),
                                 std::string("{\"text\": \"a\"} trailing"), std::string("{\"t\": \"\xC3(\"}")}) {
    const foundation::Error e = caught([&] { QRCodeDocument::CreateWithJsonData(bytesOfText(text)); });
    EXPECT_EQ(e.domain(), QRCodeDocument::jsonReaderErrorDomain) << text;
    QRCodeDocument document(std::string_view("keep"), Level::medium);
    const foundation::Error load = caught([&] { document.loadWithJsonData(bytesOfText(text)); });
    EXPECT_EQ(load.domain(), QRCodeDocument::jsonReaderErrorDomain);
    EXPECT_EQ(*document.utf8String(), "keep");
  }
  for (const std::string& text : {std::string("[1, 2]"), std::string("\"text\""), std::string("42"),
                                 std::string("null")}) {
    const foundation::Error e = caught([&] { QRCodeDocument::CreateWithJsonData(bytesOfText(text)); });
    EXPECT_EQ(e.domain(), "QRCodeDocument") << text;
    EXPECT_EQ(e.code(), -1);
    EXPECT_EQ(e.text(), "Unable to decode object");
  }
}

// --- templates ---------------------------------------------------------------------------

TEST(DocumentArchive, ApplyDesignFrom) {
  const auto source = fullDocument();
  QRCodeDocument target(std::string_view("target"), Level::low);
  const auto targetLogo = QRCodeLogoTemplate::SquareCenterWithImage(logoImage(), 0);
  target.setLogoTemplate(targetLogo);

  target.applyDesignFrom(*source, false);
  EXPECT_NE(target.design(), source->design());
  EXPECT_EQ(target.design()->settings(), source->design()->settings());
  EXPECT_EQ(target.logoTemplate(), targetLogo);
  EXPECT_EQ(*target.utf8String(), "target");
  EXPECT_EQ(target.errorCorrection(), Level::low);

  target.applyDesignFrom(*source, true);
  ASSERT_TRUE(target.logoTemplate());
  EXPECT_NE(target.logoTemplate(), source->logoTemplate());
  EXPECT_EQ(target.logoTemplate()->settings(), source->logoTemplate()->settings());

  const QRCodeDocument plain(std::string_view("plain"), Level::low);
  target.applyDesignFrom(plain, true);
  EXPECT_EQ(target.logoTemplate(), nullptr);
}

TEST(DocumentArchive, ApplyingDesignFromLeavesTheReceiverAlone) {
  const auto source = fullDocument();
  QRCodeDocument receiver(std::string_view("receiver"), Level::high);
  const QRCodeDesignPtr design = receiver.design();
  const auto result = receiver.applyingDesignFrom(*source, true);
  EXPECT_EQ(receiver.design(), design);
  EXPECT_EQ(receiver.logoTemplate(), nullptr);
  EXPECT_EQ(*result->utf8String(), "receiver");
  EXPECT_EQ(result->errorCorrection(), Level::high);
  EXPECT_EQ(result->design()->settings(), source->design()->settings());
  ASSERT_TRUE(result->logoTemplate());
  const gfx::Image image = result->cgImageWithDimension(400);
  testsupport::writeImagePNG(image, "archive-applying.png");
  EXPECT_TRUE(testsupport::decodeImage(image).bothRead("receiver"));
}

TEST(DocumentArchive, DocumentsFromATemplate) {
  // The template holds bytes at level high; its content is replaced by the text.
  auto source = fullDocument();
  source->setData(foundation::bytesOf("template content"));
  const foundation::Bytes templateJSON = source->jsonData();

  const auto document = QRCodeDocument::UsingTemplateWithTemplateJSONData(templateJSON, "abc");
  EXPECT_EQ(*document->utf8String(), "abc");
  EXPECT_EQ(document->errorCorrection(), Level::high);
  EXPECT_EQ(document->qrcode().currentErrorCorrection(), Level::high);
  EXPECT_EQ(document->design()->settings(), source->design()->settings());
  EXPECT_TRUE(document->logoTemplate());

  const foundation::Bytes png = QRCodeDocument::PNGUsingTemplateWithTemplateJSONData(templateJSON, "abc", 360);
  const gfx::Image image = imageio::loadImageFromData(png);
  EXPECT_EQ(image.width(), 360);
  testsupport::writeImagePNG(image, "archive-template.png");
  EXPECT_TRUE(testsupport::decodeImage(image).bothRead("abc"));

  const foundation::Bytes pdf = QRCodeDocument::PDFUsingTemplateWithTemplateJSONData(templateJSON, "abc", 300, 144);
  const testsupport::PDFInfo info = testsupport::pdfInfo(pdf);
  EXPECT_EQ(info.pageCount, 1);
  EXPECT_DOUBLE_EQ(info.pageSize.width, 150);
  EXPECT_TRUE(testsupport::decodeImage(testsupport::rasterizePDF(pdf, 400, 400)).bothRead("abc"));

  const foundation::Error e = caught([] { QRCodeDocument::UsingTemplateWithTemplateJSONData(bytesOfText("[]"), "abc"); });
  EXPECT_EQ(e.domain(), "QRCodeDocument");
  EXPECT_EQ(e.code(), -1);
}

TEST(DocumentArchive, DesignWritesTheSettingsKey) {
  QRCodeDocument document(std::string_view("k"), Level::low);
  document.design()->setAdditionalQuietZonePixels(3);
  const Settings settings = document.settings();
  const Settings* design = foundation::objectValue(settings, "design");
  ASSERT_NE(design, nullptr);
  EXPECT_EQ(foundation::uint64Value(*design, QRCode::SettingsKey::additionalQuietZonePixels()), 3u);
  EXPECT_EQ(QRCode::SettingsKey::additionalQuietZonePixels(), "additionalQuietZonePixels");
}


// --- formatted content and messages ------------------------------------------------------

using FC = QRCodeDocument::FormattedContent;

std::chrono::sys_seconds utc(int y, unsigned m, unsigned d, int hh, int mm, int ss) {
  using namespace std::chrono;
  return sys_days(year(y) / month(m) / day(d)) + hours(hh) + minutes(mm) + seconds(ss);
}

TEST(DocumentMessages, FormattedContentCases) {
  const foundation::Bytes bytes{0x01, 0x02, 0xFE};
  struct Row {
    const char* name;
    FC content;
    bool isData;
    std::string value;
  };
  const std::vector<Row> rows = {
      {"text", FC::text("plain"), false, "plain"},
      {"base64", FC::base64(bytes), false, "AQL+"},
      {"rawData", FC::rawData(bytes), true, foundation::stringOf(bytes)},
      {"link", FC::link(kURL), false, kURL},
      {"location", FC::location(52.5, 13.25), false, "geo:52.5,13.25?q=52.5,13.25"},
      {"phone", FC::phone("+1 (555) 010-9999"), false, "TEL:+15550109999"},
      {"sms", FC::sms("+1 555 0100", "hi: there"), false, "SMSTO:+15550100:hi: there"},
      {"event", FC::event("Party\r\nTonight", "Dock", utc(2024, 3, 5, 14, 7, 9), utc(2024, 3, 5, 16, 0, 0)),
       false,
       "BEGIN:VEVENT\r\nSUMMARY:PartyTonight\r\nLOCATION:Dock\r\nDTSTART:20240305T140709Z\r\n"
       "DTEND:20240305T160000Z\r\nEND:VEVENT"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    QRCodeDocument document(std::string_view("before"), Level::low);
    document.setFormattedContent(row.content, Level::medium);
    EXPECT_EQ(document.errorCorrection(), Level::medium);
    if (row.isData) {
      ASSERT_NE(document.data(), nullptr);
      EXPECT_EQ(foundation::stringOf(*document.data()), row.value);
    } else {
      ASSERT_NE(document.utf8String(), nullptr);
      EXPECT_EQ(*document.utf8String(), row.value);
    }
    const auto made = QRCodeDocument::withFormattedContent(row.content, Level::high);
    EXPECT_EQ(made->content(), document.content());
    EXPECT_EQ(made->errorCorrection(), Level::high);
    EXPECT_EQ(made->qrcode().currentErrorCorrection(), Level::high);
  }
}

TEST(DocumentMessages, FormattedMessagesDecodeToExactlyTheirText) {
  const std::vector<FC> contents = {
      FC::event("Launch party", "Dock 4, Pier 2", utc(2025, 6, 1, 18, 30, 0), utc(2025, 6, 1, 21, 0, 0)),
      FC::sms("+44 20 7946 0958", "Running late: 10 min"), FC::location(-33.8688, 151.2093), FC::link(kURL)};
  for (const FC& content : contents) {
    const auto document = QRCodeDocument::withFormattedContent(content, Level::medium);
    const std::string text = *document->utf8String();
    const gfx::Image image = document->cgImageWithDimension(400);
    EXPECT_TRUE(testsupport::decodeImage(image).bothRead(text)) << text;
  }
  const QRCodeMessageMail mail("jo@example.com", "Hello there", "See you & bye");
  const auto document = QRCodeDocument::withMessage(mail, Level::quartile);
  EXPECT_TRUE(testsupport::decodeImage(document->cgImageWithDimension(400)).bothRead(*mail.text()));

  // The escaped texts of hostile fields, through the document, decode to exactly that text.
  for (const testsupport::HostileValue& row : testsupport::hostileValues()) {
    const QRCodeMessageContact contact = testsupport::hostileContact(
        row.value, row.parameter ? row.value : "HOME", {testsupport::kHostileContactURL});
    const QRCodeMessageEvent event = testsupport::hostileEvent(row.value);
    const QRCodeMessageMail hostileMail = testsupport::hostileMail(row.value);
    for (const QRCodeMessageFormatterBase* message :
         std::initializer_list<const QRCodeMessageFormatterBase*>{&contact, &event, &hostileMail}) {
      const std::string& text = *message->textRef();
      SCOPED_TRACE(text);
      const auto coded = QRCodeDocument::withMessage(*message, Level::medium);
      const gfx::Image image = coded->cgImageWithDimension(coded->cellDimension() * 6);
      EXPECT_EQ(testsupport::decodeImage(image).zxing, std::vector<std::string>{text});
    }
  }
}

TEST(DocumentMessages, AFormatterErrorLeavesTheContent) {
  QRCodeDocument document(std::string_view("kept"), Level::low);
  expectError([&] { document.setFormattedContent(FC::link("no url here"), Level::high); }, QRCodeError::invalidURL);
  EXPECT_EQ(*document.utf8String(), "kept");
  EXPECT_EQ(document.errorCorrection(), Level::high);  // the level was stored first
  expectError([&] { document.setFormattedContent(FC::location(std::nan(""), 1), Level::high); },
              QRCodeError::unableToConvertTextToRequestedEncoding);
  expectError([&] { QRCodeDocument::withFormattedContent(FC::link("a b"), Level::low); }, QRCodeError::invalidURL);
}

TEST(DocumentMessages, DocumentsFromMessages) {
  const QRCodeMessagePhone phone("+1 555 0100");
  const auto text = QRCodeDocument::withMessage(phone, Level::high);
  EXPECT_EQ(*text->utf8String(), "TEL:+15550100");
  EXPECT_EQ(text->errorCorrection(), Level::high);
  const QRCodeMessageData raw(foundation::Bytes{0xDE, 0xAD});
  const auto data = QRCodeDocument::withMessage(raw, Level::low);
  ASSERT_NE(data->data(), nullptr);
  EXPECT_EQ(*data->data(), (foundation::Bytes{0xDE, 0xAD}));

  auto engine = std::make_shared<SwitchableEngine>();
  engine->fail = true;
  expectError([&] { QRCodeDocument::withMessage(phone, Level::low, engine); }, QRCodeError::cannotGenerateQRCode);
}

TEST(DocumentMessages, SetMessageRaisesOnlyOnItsTextPath) {
  auto engine = std::make_shared<SwitchableEngine>();
  QRCodeDocument document(std::string_view("start"), Level::low, engine);
  document.setMessage(QRCodeMessageText("next"));
  EXPECT_EQ(*document.utf8String(), "next");
  engine->fail = true;
  expectError([&] { document.setMessage(QRCodeMessageText("fails")); }, QRCodeError::cannotGenerateQRCode);
  EXPECT_EQ(*document.utf8String(), "fails");
  CapturedOutput output;
  EXPECT_NO_THROW(document.setMessage(QRCodeMessageData(foundation::Bytes{1, 2, 3})));
  ASSERT_NE(document.data(), nullptr);
  EXPECT_EQ(output.lines.size(), 1u);
  engine->fail = false;
  document.setMessage(QRCodeMessageData(foundation::Bytes{1, 2, 3}));
  EXPECT_FALSE(document.regenerationError().has_value());
}

TEST(DocumentMessages, UpdateWithMessageChangesOnlyTheMatrix) {
  auto engine = std::make_shared<SwitchableEngine>();
  QRCodeDocument document(std::string_view("stored"), Level::low, engine);
  const QRCodeMessageSMS sms("555", "update");
  document.updateWithMessage(sms, Level::high);
  EXPECT_EQ(*document.utf8String(), "stored");
  EXPECT_EQ(document.errorCorrection(), Level::low);
  EXPECT_EQ(document.qrcode().currentErrorCorrection(), Level::high);
  EXPECT_TRUE(testsupport::decodeImage(document.cgImageWithDimension(300)).bothRead(*sms.text()));

  const auto matrix = document.boolMatrix();
  engine->fail = true;
  expectError([&] { document.updateWithMessage(QRCodeMessageText("x"), Level::low); },
              QRCodeError::cannotGenerateQRCode);
  EXPECT_EQ(document.boolMatrix(), matrix);
  EXPECT_TRUE(testsupport::decodeImage(testsupport::decodePNGFile(document.pngDataWithDimension(300, 72)))
                  .bothRead(*sms.text()));
}

}  // namespace

TEST(DocumentArchive, ImagesOfOneArchiveShareOnePixelBudget) {
  // A 35-byte GIF whose screen is 32767 x 2048: one such image (256 MB) fits the budget of
  // a document load; the second, third and fourth are refused, whatever their kind.
  foundation::Bytes gif = {'G', 'I', 'F', '8', '9', 'a', 0xFF, 0x7F, 0x00, 0x08, 0x80, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0, 0,
                           0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 1, 0, 0x3B};
  ASSERT_EQ(gif.size(), 35u);
  const std::string image = foundation::base64Encode(gif);
  const Settings fill = {{"type", "image"}, {"settings", {{"imagePNGbase64", image}}}};
  const Settings logo = QRCodeLogoTemplate::SquareCenterWithImage(gfx::Image::filled(2, 2), 0)->settings();
  Settings archive = {{"text", "budget"},
                      {"design", {{"style", {{"onPixels", fill}, {"offPixels", fill}, {"background", fill}}}}},
                      {"logoTemplate", logo}};
  archive["logoTemplate"]["image"] = image;
  const auto document = QRCodeDocument::CreateWithSettings(archive, std::make_shared<QRCodeEngineExternal>());
  const QRCodeStyle& style = *document->design()->style();
  int images = 0;
  for (const auto* f : {&style.onPixels(), &style.offPixels(), &style.background()})
    if (*f && (*f)->name() == "image") ++images;
  if (document->logoTemplate() && document->logoTemplate()->image().width() == 32767) ++images;
  EXPECT_EQ(images, 1);
  // Each load has its own budget.
  EXPECT_NO_THROW((void)imageio::loadImageFromData(gif));
}

TEST(DocumentArchive, FailedImagesSpendThePixelBudgetAndFallBack) {
  // Five fills, the logo image and its mask, all one PNG whose header says 8192 x 8192
  // with almost no data: the first decode fails and spends the document's budget, the
  // others are refused before anything is allocated. Loading fails on no bad value, so
  // the document loads with what the failed fills fall back to.
  const foundation::Bytes json = testsupport::testData("repro/archive-truncated-png-fills.json");
  const testsupport::ChildRun run = testsupport::runInChild([&] {
    const auto document = QRCodeDocument::CreateWithJsonData(json, std::make_shared<QRCodeEngineExternal>());
    const QRCodeStyle& style = *document->design()->style();
    std::string fills = std::string(style.onPixels()->name());
    for (const auto* f : {&style.offPixels(), &style.eye(), &style.pupil(), &style.background()}) {
      fills += ' ';
      fills += *f ? std::string_view((*f)->name()) : std::string_view("none");
    }
    fills += document->logoTemplate() ? " logo" : " no logo";
    return fills;
  });
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(run.answer, "solid none none none none no logo");
  EXPECT_LT(run.peakBytes, 300u * 1000u * 1000u);
}
