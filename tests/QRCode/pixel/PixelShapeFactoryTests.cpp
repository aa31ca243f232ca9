#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "QRCode/QRCodePixelShape.hpp"
#include "QRCode/core/QRCodeBoolMatrix.hpp"
#include "QRCode/core/QRCodeError.hpp"
#include "support/Expect.hpp"

namespace {

using testsupport::expectError;

using foundation::Settings;

const std::vector<std::string>& sortedNames() {
  static const std::vector<std::string> names{"arrow", "blob",  "crt",    "circle",   "circuit", "curvePixel",
                                              "donut", "flower", "horizontal", "pointy", "razor", "roundedEndIndent",
                                              "roundedPath", "roundedRect", "sharp", "shiny", "square", "squircle",
                                              "star", "vertical", "wave"};
  return names;
}

TEST(PixelShapeFactory, ListsTheShapesByTitleInCodePointOrder) {
  const auto& factory = QRCodePixelShapeFactory::shared();
  EXPECT_EQ(&factory, &QRCodePixelShapeFactory::shared());
  EXPECT_EQ(factory.availableGeneratorNames(), sortedNames());
  const auto all = factory.all();
  ASSERT_EQ(all.size(), sortedNames().size());
  for (std::size_t i = 0; i < all.size(); ++i) {
    EXPECT_EQ(all[i]->name(), sortedNames()[i]);
    EXPECT_EQ(all[i]->settings(), factory.named(sortedNames()[i])->settings());
  }
  // A factory of one's own builds the same list.
  QRCodePixelShapeFactory own;
  EXPECT_EQ(own.availableGeneratorNames(), sortedNames());
}

TEST(PixelShapeFactory, TemplateSortsTitlesByCodePoint) {
  struct Dummy {};
  using Factory = QRCodeGeneratorFactory<Dummy>;
  auto make = [](std::string_view name, std::string_view title) {
    return Factory::Descriptor{name, title, [](const Settings&) { return std::make_shared<Dummy>(); }};
  };
  Factory factory({make("c1", "Circle"), make("c2", "CRT"), make("a", "a"), make("e", "\xC3\x89t\xC3\xA9"),
                   make("z", "Z"), make("ab", "Ab"), make("a2", "A")});
  EXPECT_EQ(factory.availableGeneratorNames(), (std::vector<std::string>{"a2", "ab", "c2", "c1", "z", "a", "e"}));
  EXPECT_NE(factory.named("e"), nullptr);
  expectError([&] { factory.named("E"); }, QRCodeError::unsupportedGeneratorName);
}

TEST(PixelShapeFactory, CreatesByExactName) {
  const auto& factory = QRCodePixelShapeFactory::shared();
  expectError([&] { factory.named("Square"); }, QRCodeError::unsupportedGeneratorName);
  expectError([&] { factory.named(""); }, QRCodeError::unsupportedGeneratorName);
  auto square = factory.named("square");
  EXPECT_NE(dynamic_cast<QRCodePixelShapeSquare*>(square.get()), nullptr);
  EXPECT_EQ(square->settings(), QRCodePixelShapeSquare::Create()->settings());
  auto star = factory.named("star", Settings::parse(R"({"insetFraction": 0.3})"));
  EXPECT_EQ(star->settingValueForKey<double>("insetFraction"), 0.3);
  // Names differing only in case are not registered.
  for (const char* name : {"Horizontal", "roundedendindent", "RoundedPath", "VERTICAL"}) {
    expectError([&] { factory.named(name); }, QRCodeError::unsupportedGeneratorName);
    expectError([&] { factory.createWithSettings(qrshape::makeGeneratorSettingsRecord(name, Settings::object())); },
                QRCodeError::unsupportedGeneratorName);
  }
}

TEST(PixelShapeFactory, CreatesFromRecords) {
  const auto& factory = QRCodePixelShapeFactory::shared();
  auto circle = factory.createWithSettings(Settings::parse(R"({"type": "circle"})"));
  EXPECT_NE(dynamic_cast<QRCodePixelShapeCircle*>(circle.get()), nullptr);
  EXPECT_EQ(circle->settings(), QRCodePixelShapeCircle::Create()->settings());

  auto rounded = factory.createWithSettings(Settings::parse(R"({"type": "roundedRect", "settings": "no"})"));
  EXPECT_EQ(rounded->settings(), QRCodePixelShapeRoundedRect::Create()->settings());

  struct Case {
    const char* record;
    QRCodeError error;
  };
  const std::vector<Case> failures{{R"({"settings": {}})", QRCodeError::cannotCreateGenerator},
                                   {R"({"type": 3})", QRCodeError::cannotCreateGenerator},
                                   {R"({"type": null})", QRCodeError::cannotCreateGenerator},
                                   {R"(["square"])", QRCodeError::cannotCreateGenerator},
                                   {R"("square")", QRCodeError::cannotCreateGenerator},
                                   {R"({"type": "Edges"})", QRCodeError::unsupportedGeneratorName}};
  for (const auto& f : failures) {
    SCOPED_TRACE(f.record);
    expectError([&] { factory.createWithSettings(Settings::parse(f.record)); }, f.error);
  }

  // Every registered shape comes back from its own record with equal settings.
  for (const auto& shape : factory.all()) {
    shape->setSettingValue(Settings(0.2), "insetFraction");
    auto back = factory.createWithSettings(shape->typeAndSettings());
    EXPECT_EQ(back->name(), shape->name());
    EXPECT_EQ(back->settings(), shape->settings());
  }
}

bool dark(const gfx::Image& image, int x, int y) {
  const auto p = image.pixelAt(x, y);
  return p.a > 200 && p.r < 60 && p.g < 60 && p.b < 60;
}

TEST(PixelShapeFactory, PreviewFillsTheSampleCells) {
  const auto& sample = QRCodePixelShapeFactory::samplePixelMatrix();
  ASSERT_EQ(sample.dimension(), 7);
  EXPECT_EQ(sample.setCount(), 13);
  EXPECT_EQ(sample.description(), ".......\n...##..\n....#..\n.#.###.\n.####..\n...#.#.\n.......\n");

  auto square = QRCodePixelShapeSquare::Create();
  const gfx::Color black = gfx::Color::sRGB(0, 0, 0);
  const gfx::Color white = gfx::Color::sRGB(1, 1, 1);
  for (bool isOn : {true, false}) {
    const gfx::Image image = QRCodePixelShapeFactory::imageWithPixelGenerator(*square, 70, black, &white, nullptr, isOn);
    ASSERT_EQ(image.width(), 70);
    ASSERT_EQ(image.height(), 70);
    int filled = 0;
    for (int r = 0; r < 7; ++r)
      for (int c = 0; c < 7; ++c) {
        const bool isDark = dark(image, 10 * c + 5, 10 * r + 5);
        EXPECT_EQ(isDark, sample.value(r, c) == isOn) << r << "," << c;
        filled += isDark;
      }
    EXPECT_EQ(filled, isOn ? 13 : 36);
  }
}

TEST(PixelShapeFactory, PreviewSizeTruncatesAndBackgroundIsOptional) {
  auto circle = QRCodePixelShapeCircle::Create();
  const gfx::Color red = gfx::Color::sRGB(1, 0, 0);
  const gfx::Image image = QRCodePixelShapeFactory::imageWithPixelGenerator(*circle, 100.7, red);
  EXPECT_EQ(image.width(), 100);
  EXPECT_EQ(image.height(), 100);
  EXPECT_EQ(image.pixelAt(0, 0).a, 0);  // transparent without a background
  // Module (1, 3) of the sample is drawn for the size 100.7: its centre is red.
  const double cell = 100.7 / 7;
  const auto p = image.pixelAt(static_cast<int>(3.5 * cell), static_cast<int>(1.5 * cell));
  EXPECT_EQ(p.a, 255);
  EXPECT_GT(p.r, 200);
  EXPECT_LT(p.g, 30);

  // A matrix of one's own is drawn instead of the sample.
  QRCodeBoolMatrix one(2);
  one.setValue(1, 0, true);
  const gfx::Image mine = QRCodePixelShapeFactory::imageWithPixelGenerator(*circle, 20, red, nullptr, &one);
  EXPECT_EQ(mine.pixelAt(5, 15).a, 255);
  EXPECT_EQ(mine.pixelAt(15, 5).a, 0);
}

TEST(PixelShapeFactory, PreviewOfAnImpossibleSizeFails) {
  auto square = QRCodePixelShapeSquare::Create();
  for (double d : {0.0, 0.5, -10.0, std::numeric_limits<double>::quiet_NaN(),
                   std::numeric_limits<double>::infinity(), 1e12}) {
    SCOPED_TRACE(d);
    expectError([&] { QRCodePixelShapeFactory::imageWithPixelGenerator(*square, d, gfx::Color()); },
                QRCodeError::cannotGenerateImage);
  }
  expectError([&] { QRCodePixelShapeFactory::allPreviewImages(-1, gfx::Color()); }, QRCodeError::cannotGenerateImage);
}

TEST(PixelShapeFactory, AllPreviewImagesInRegistryOrder) {
  const gfx::Color white = gfx::Color::sRGB(1, 1, 1);
  const auto previews = QRCodePixelShapeFactory::allPreviewImages(56, gfx::Color(), &white);
  ASSERT_EQ(previews.size(), sortedNames().size());
  for (std::size_t i = 0; i < previews.size(); ++i) {
    const auto& [name, image] = previews[i];
    EXPECT_EQ(name, sortedNames()[i]);
    ASSERT_EQ(image.width(), 56);
    // The centre of sample cell (4, 3) is set in every shape's preview, an empty corner
    // cell is not.
    EXPECT_TRUE(dark(image, 3 * 8 + 4, 4 * 8 + 4)) << name;
    EXPECT_FALSE(dark(image, 4, 4)) << name;
    EXPECT_EQ(image.pixelAt(55, 55), (gfx::Image::RGBA{255, 255, 255, 255})) << name;
  }
}

}  // namespace
