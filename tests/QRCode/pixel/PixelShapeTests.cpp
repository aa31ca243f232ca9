#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <memory>
#include <set>
#include <string>
#include <typeinfo>
#include <vector>

#include "QRCode/QRCodePixelShape.hpp"
#include "QRCode/core/QRCodeBoolMatrix.hpp"
#include "platform/graphics/Canvas.hpp"

namespace {

using foundation::Settings;
using Ptr = std::shared_ptr<QRCodePixelShapeGenerator>;

struct ShapeClass {
  std::string name;
  std::string title;
  std::function<Ptr(const Settings&)> create;
  std::set<std::string> supported;
  std::set<std::string> handled;
  // Keys written by settings for a non-random inset.
  std::set<std::string> written;
};

template <class C>
ShapeClass shapeClass(std::set<std::string> supported, std::set<std::string> handled, std::set<std::string> written) {
  return {std::string(C::Name()), std::string(C::Title()), [](const Settings& s) -> Ptr { return C::Create(s); },
          std::move(supported), std::move(handled), std::move(written)};
}

const std::vector<ShapeClass>& shapeClasses() {
  static const std::vector<ShapeClass> classes = [] {
    const std::set<std::string> square{"insetFraction", "insetGeneratorName", "rotationFraction", "useRandomRotation"};
    std::set<std::string> squareHandled = square;
    squareHandled.insert("useRandomInset");
    std::set<std::string> rounded = square;
    rounded.insert("cornerRadiusFraction");
    std::set<std::string> roundedHandled = rounded;
    roundedHandled.insert("useRandomInset");
    const std::set<std::string> circle{"insetFraction", "insetGeneratorName", "useRandomInset"};
    return std::vector<ShapeClass>{
        shapeClass<QRCodePixelShapeRoundedRect>(rounded, roundedHandled, rounded),
        shapeClass<QRCodePixelShapeSquare>(square, squareHandled, square),
        shapeClass<QRCodePixelShapeArrow>(square, squareHandled, square),
        shapeClass<QRCodePixelShapeFlower>(square, squareHandled, square),
        shapeClass<QRCodePixelShapeSharp>(square, squareHandled, square),
        shapeClass<QRCodePixelShapeSquircle>(square, squareHandled, square),
        shapeClass<QRCodePixelShapeStar>(square, squareHandled, square),
        shapeClass<QRCodePixelShapeWave>(square, squareHandled, square),
        shapeClass<QRCodePixelShapeCRT>(squareHandled, squareHandled, square),
        shapeClass<QRCodePixelShapeCircle>(circle, circle, {"insetFraction", "insetGeneratorName"}),
        shapeClass<QRCodePixelShapeDonut>({}, {}, {}),
        shapeClass<QRCodePixelShapeShiny>({}, {}, {}),
    };
  }();
  return classes;
}

const std::vector<std::string>& allKeys() {
  static const std::vector<std::string> keys{"insetFraction",     "cornerRadiusFraction", "insetGeneratorName",
                                             "rotationFraction",  "useRandomRotation",    "useRandomInset",
                                             "hasInnerCorners",   "corners",              ""};
  return keys;
}

std::set<std::string> keysOf(const Settings& s) {
  std::set<std::string> keys;
  for (auto it = s.begin(); it != s.end(); ++it) keys.insert(it.key());
  return keys;
}

const QRCodeBoolMatrix& sample() {
  static const QRCodeBoolMatrix m = [] {
    QRCodeBoolMatrix x(9);
    for (int r = 0; r < 9; ++r)
      for (int c = 0; c < 9; ++c) x.setValue(r, c, (r * 7 + c * 3) % 5 < 3);
    return x;
  }();
  return m;
}

const Settings& nonDefaultSettings() {
  static const Settings s = Settings::parse(R"({"insetFraction": 0.35, "cornerRadiusFraction": 0.4,
      "rotationFraction": 0.15, "useRandomRotation": true, "insetGeneratorName": "punch"})");
  return s;
}

TEST(PixelShapes, SettingsRoundTripForEveryClass) {
  for (const auto& cls : shapeClasses()) {
    SCOPED_TRACE(cls.name);
    const Ptr shape = cls.create(nonDefaultSettings());
    EXPECT_EQ(shape->name(), cls.name);
    EXPECT_EQ(shape->title(), cls.title);
    const GeneratorSettingsRecord record = shape->typeAndSettings();
    EXPECT_EQ(keysOf(record), (std::set<std::string>{"settings", "type"}));
    EXPECT_EQ(record["type"], cls.name);
    const Settings& settings = record["settings"];
    ASSERT_TRUE(settings.is_object());
    EXPECT_EQ(keysOf(settings), cls.written);
    // Every written value is the non-default one given.
    for (const auto& key : cls.written) EXPECT_EQ(settings[key], nonDefaultSettings()[key]) << key;

    const Ptr back = cls.create(settings);
    EXPECT_EQ(back->settings(), settings);
    const auto& backObject = *back;  // typeid of a plain reference: no call inside it
    const auto& shapeObject = *shape;
    EXPECT_EQ(typeid(backObject), typeid(shapeObject));
    EXPECT_EQ(back->generatePathFrom(sample(), {90, 90}), shape->generatePathFrom(sample(), {90, 90}));
  }
}

TEST(PixelShapes, RandomInsetRoundTripsWithTheOlderFlag) {
  for (const auto& cls : shapeClasses()) {
    SCOPED_TRACE(cls.name);
    const Ptr shape = cls.create(Settings::parse(R"({"useRandomInset": true, "insetFraction": 0.5})"));
    const Settings settings = shape->settings();
    if (cls.handled.empty()) {
      EXPECT_EQ(settings, Settings::object());
      continue;
    }
    EXPECT_EQ(settings["insetGeneratorName"], "random");
    // Circle writes only its two keys; the others add the older flag for older readers.
    EXPECT_EQ(settings.contains("useRandomInset"), cls.name != "circle");
    if (settings.contains("useRandomInset")) {
      EXPECT_EQ(settings["useRandomInset"], true);
    }
    const Ptr back = cls.create(settings);
    EXPECT_EQ(back->settings(), settings);
    EXPECT_EQ(back->generatePathFrom(sample(), {90, 90}), shape->generatePathFrom(sample(), {90, 90}));
  }
}

TEST(PixelShapes, CreateDefaults) {
  auto rounded = QRCodePixelShapeRoundedRect::Create();
  EXPECT_EQ(rounded->insetFraction(), 0.1);
  EXPECT_EQ(rounded->cornerRadiusFraction(), 0.65);
  EXPECT_EQ(QRCodePixelShapeRoundedRect::DefaultInset(), 0.1);
  EXPECT_EQ(QRCodePixelShapeRoundedRect::DefaultCornerRadius(), 0.65);
  EXPECT_EQ(rounded->settings(), Settings::parse(R"({"insetGeneratorName": "fixed", "insetFraction": 0.1,
      "cornerRadiusFraction": 0.65, "rotationFraction": 0.0, "useRandomRotation": false})"));

  EXPECT_EQ(QRCodePixelShapeSquare::Create()->typeAndSettings(),
            Settings::parse(R"({"type": "square", "settings": {"insetGeneratorName": "fixed", "insetFraction": 0.0,
                "rotationFraction": 0.0, "useRandomRotation": false}})"));
  EXPECT_EQ(QRCodePixelShapeCircle::Create()->settings(),
            Settings::parse(R"({"insetGeneratorName": "fixed", "insetFraction": 0.0})"));
  EXPECT_EQ(QRCodePixelShapeDonut::Create()->typeAndSettings(), Settings::parse(R"({"type": "donut", "settings": {}})"));
  // A dictionary that is not an object gives the defaults too.
  for (const Settings& odd : {Settings(), Settings::array({1, 2}), Settings("text"), Settings(3)})
    EXPECT_EQ(QRCodePixelShapeRoundedRect::Create(odd)->settings(), rounded->settings());
}

TEST(PixelShapes, CreateReadsNumbersOnlyAndClamps) {
  auto a = QRCodePixelShapeRoundedRect::Create(Settings::parse(R"({"cornerRadiusFraction": 3, "rotationFraction": -1})"));
  EXPECT_EQ(a->cornerRadiusFraction(), 1.0);
  EXPECT_EQ(a->common().rotationFraction(), 0.0);
  // Text is never read as a number: the defaults stay.
  auto b = QRCodePixelShapeRoundedRect::Create(
      Settings::parse(R"({"insetFraction": "0.5", "cornerRadiusFraction": "1", "useRandomRotation": "true"})"));
  EXPECT_EQ(b->insetFraction(), 0.1);
  EXPECT_EQ(b->cornerRadiusFraction(), 0.65);
  EXPECT_FALSE(b->common().useRandomRotation());
  // A name wins over the older flag; an unknown name falls back to "fixed".
  auto c = QRCodePixelShapeSquare::Create(Settings::parse(R"({"insetGeneratorName": "nope", "useRandomInset": true})"));
  EXPECT_EQ(c->common().insetGenerator()->name(), "fixed");
  auto d = QRCodePixelShapeSquare::Create(Settings::parse(R"({"insetGeneratorName": 4, "useRandomInset": 1})"));
  EXPECT_EQ(d->common().insetGenerator()->name(), "random");
  // Circle reads no rotation; Donut and Shiny ignore everything.
  auto e = QRCodePixelShapeCircle::Create(nonDefaultSettings());
  EXPECT_EQ(e->common().rotationFraction(), 0.0);
  EXPECT_FALSE(e->common().useRandomRotation());
  auto f = QRCodePixelShapeShiny::Create(nonDefaultSettings());
  EXPECT_EQ(f->common().insetFraction(), 0.0);
  EXPECT_EQ(f->common().insetGenerator()->name(), "fixed");
}

TEST(PixelShapes, SupportedAndHandledKeysPerClass) {
  for (const auto& cls : shapeClasses()) {
    SCOPED_TRACE(cls.name);
    for (const auto& key : allKeys()) {
      const Ptr shape = cls.create(Settings());
      EXPECT_EQ(shape->supportsSettingValueForKey(key), cls.supported.count(key) == 1) << key;
      // A value of the right kind for the key.
      const Settings value = key == "insetGeneratorName" ? Settings("verticalWave") : Settings(0.25);
      EXPECT_EQ(shape->setSettingValue(value, key), cls.handled.count(key) == 1) << key;
    }
    // cornerRadiusFraction stays 0 everywhere but in RoundedRect.
    const Ptr shape = cls.create(nonDefaultSettings());
    auto* common = dynamic_cast<CommonPixelShape*>(shape.get());
    ASSERT_NE(common, nullptr);
    EXPECT_EQ(common->common().cornerRadiusFraction(), cls.name == "roundedRect" ? 0.4 : 0.0);
    EXPECT_EQ(common->copyShape()->settings(), shape->settings());
  }
}

// A value of the wrong kind changes nothing and answers false, for every key.
TEST(PixelShapes, WrongKindOfValueIsRefusedForEveryKey) {
  for (const auto& cls : shapeClasses()) {
    SCOPED_TRACE(cls.name);
    const Ptr shape = cls.create(Settings::parse(R"({"insetFraction": 0.35, "cornerRadiusFraction": 0.4,
        "rotationFraction": 0.15, "useRandomRotation": true, "useRandomInset": true})"));
    const Settings before = shape->settings();
    const gfx::Path pathBefore = shape->generatePathFrom(sample(), {90, 90});
    for (const auto& key : allKeys()) {
      const Settings wrong = key == "insetGeneratorName" ? Settings(1) : Settings("1");
      EXPECT_FALSE(shape->setSettingValue(wrong, key)) << key;
      EXPECT_FALSE(shape->setSettingValue(Settings::array({0.5}), key)) << key;
      EXPECT_FALSE(shape->setSettingValue(Settings::object(), key)) << key;
    }
    EXPECT_EQ(shape->settings(), before);
    EXPECT_EQ(shape->generatePathFrom(sample(), {90, 90}), pathBefore);
  }
}

TEST(PixelShapes, UseRandomInsetChoosesTheInsetGenerator) {
  struct Case {
    Settings value;
    bool accepted;
    std::string inset;  // after the call, starting from "punch"
  };
  const std::vector<Case> cases{{Settings(true), true, "random"}, {Settings(2.5), true, "random"},
                                {Settings(0), true, "fixed"},     {Settings(false), true, "fixed"},
                                {Settings(), true, "fixed"},      {Settings("true"), false, "punch"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value.dump());
    auto star = QRCodePixelShapeStar::Create(Settings::parse(R"({"insetGeneratorName": "punch"})"));
    EXPECT_FALSE(star->supportsSettingValueForKey("useRandomInset"));
    EXPECT_EQ(star->setSettingValue(c.value, "useRandomInset"), c.accepted);
    EXPECT_EQ(star->common().insetGenerator()->name(), c.inset);
    auto crt = QRCodePixelShapeCRT::Create(Settings::parse(R"({"insetGeneratorName": "punch"})"));
    EXPECT_TRUE(crt->supportsSettingValueForKey("useRandomInset"));
    EXPECT_EQ(crt->setSettingValue(c.value, "useRandomInset"), c.accepted);
    EXPECT_EQ(crt->common().insetGenerator()->name(), c.inset);
  }
}

TEST(PixelShapes, ClassRulesOfTheSmallerClasses) {
  auto square = QRCodePixelShapeSquare::Create();
  EXPECT_FALSE(square->setSettingValue(Settings(0.5), "cornerRadiusFraction"));
  EXPECT_FALSE(square->settings().contains("cornerRadiusFraction"));

  auto circle = QRCodePixelShapeCircle::Create();
  EXPECT_FALSE(circle->setSettingValue(Settings(0.25), "rotationFraction"));
  EXPECT_FALSE(circle->setSettingValue(Settings(true), "useRandomRotation"));
  EXPECT_FALSE(circle->settings().contains("rotationFraction"));
  EXPECT_TRUE(circle->setSettingValue(Settings(0.2), "insetFraction"));
  EXPECT_EQ(circle->insetFraction(), 0.2);

  for (Ptr p : {Ptr(std::make_shared<QRCodePixelShapeDonut>()), Ptr(std::make_shared<QRCodePixelShapeShiny>())}) {
    for (const auto& key : allKeys()) {
      EXPECT_FALSE(p->setSettingValue(Settings(0.5), key));
      EXPECT_FALSE(p->setSettingValue(Settings(), key));
      EXPECT_FALSE(p->supportsSettingValueForKey(key));
    }
    EXPECT_EQ(p->settings(), Settings::object());
  }
}

TEST(PixelShapes, ConstructorsClampAndKeepTheInsetGenerator) {
  auto inset = std::make_shared<QRCodePixelInsetFixed>();
  QRCodePixelShapeRoundedRect share(0.7, inset, 0.1, 0.0, false);
  EXPECT_EQ(share.common().insetGenerator().get(), inset.get());
  EXPECT_EQ(share.cornerRadiusFraction(), 0.7);
  QRCodePixelShapeRoundedRect clamped(5, nullptr, -3, 7, true);
  EXPECT_EQ(clamped.cornerRadiusFraction(), 1.0);
  EXPECT_EQ(clamped.insetFraction(), -3.0);
  EXPECT_EQ(clamped.common().rotationFraction(), 1.0);
  EXPECT_EQ(clamped.common().insetGenerator()->name(), "fixed");

  QRCodePixelShapeSquircle squircle(QRCodePixelInsetRandom::Create(), 0.4, 0.1, true);
  EXPECT_EQ(squircle.insetFraction(), 0.4);
  EXPECT_EQ(squircle.common().pixelType(), CommonPixelGenerator::PixelType::squircle);
  QRCodePixelShapeCircle circle(nullptr, 0.3);
  EXPECT_EQ(circle.insetFraction(), 0.3);
  EXPECT_EQ(circle.common().pixelType(), CommonPixelGenerator::PixelType::circle);
}

TEST(PixelShapes, NegativeInsetIsStoredSurvivesJSONAndEnlargesTheModule) {
  // One module in the middle of a 5 x 5 matrix on 50 x 50 units: a 10-unit cell. An inset
  // of -0.3 grows it by 1.5 units on each side, so every outline is drawn 1.3 times as
  // wide and covers 1.69 times the area it covers at inset 0.
  QRCodeBoolMatrix one(5);
  one.setValue(2, 2, true);
  auto darkArea = [&](QRCodePixelShapeGenerator& shape) {
    gfx::Canvas canvas = gfx::Canvas::bitmap(50, 50);
    canvas.setFillColor(gfx::Color::sRGB(0, 0, 0, 1));
    canvas.fillPath(shape.generatePathFrom(one, {50, 50}));
    const gfx::Image image = canvas.makeImage();
    double area = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) area += image.pixelAt(x, y).a / 255.0;
    return area;
  };
  for (const char* name : {"square", "circle", "roundedRect", "squircle"}) {
    SCOPED_TRACE(name);
    const auto& factory = QRCodePixelShapeFactory::shared();
    const Ptr plain = factory.named(name, Settings::parse(R"({"insetFraction": 0})"));
    const Ptr grown = factory.named(name, Settings::parse(R"({"insetFraction": -0.3})"));
    EXPECT_EQ(grown->settings()["insetFraction"], -0.3);
    // Set through the settings too, then through JSON text and back.
    const Ptr set = factory.named(name);
    EXPECT_TRUE(set->setSettingValue(Settings(-0.3), "insetFraction"));
    const auto json = foundation::writeJSON(set->typeAndSettings());
    ASSERT_TRUE(json.has_value());
    const Ptr back = factory.createWithSettings(*foundation::readJSON(*json));
    EXPECT_EQ(back->settings()["insetFraction"], -0.3);
    // Numbers that are not finite are refused and leave the value alone.
    EXPECT_FALSE(back->setSettingValue(Settings(std::numeric_limits<double>::quiet_NaN()), "insetFraction"));
    EXPECT_FALSE(back->setSettingValue(Settings(-std::numeric_limits<double>::infinity()), "insetFraction"));
    EXPECT_EQ(back->settings()["insetFraction"], -0.3);

    const double before = darkArea(*plain), after = darkArea(*back);
    EXPECT_GT(before, 60);  // even the circle covers pi * 25 units
    EXPECT_NEAR(after / before, 1.69, 0.02) << before << " -> " << after;
  }
}

TEST(PixelShapes, GenerationIsRepeatableAndCopiesDrawAlike) {
  const Settings random = Settings::parse(R"({"insetGeneratorName": "random", "insetFraction": 0.6,
      "cornerRadiusFraction": 0.5, "rotationFraction": 0.3, "useRandomRotation": true})");
  for (const auto& cls : shapeClasses()) {
    SCOPED_TRACE(cls.name);
    const Ptr shape = cls.create(random);
    const gfx::Path first = shape->generatePathFrom(sample(), {123, 101});
    EXPECT_FALSE(first.empty());
    EXPECT_EQ(shape->generatePathFrom(sample(), {123, 101}).elements(), first.elements());
    const Ptr copy = shape->copyShape();
    EXPECT_NE(copy.get(), shape.get());
    const auto& copyObject = *copy;  // typeid of a plain reference: no call inside it
    const auto& shapeObject = *shape;
    EXPECT_EQ(typeid(copyObject), typeid(shapeObject));
    EXPECT_EQ(copy->generatePathFrom(sample(), {123, 101}), first);
    // The copy is independent.
    copy->setSettingValue(Settings(0.0), "insetFraction");
    EXPECT_EQ(shape->settings(), cls.create(random)->settings());
  }
}

TEST(PixelShapes, SettingValueForKeyConvertsOrAnswersNothing) {
  auto shape = QRCodePixelShapeRoundedRect::Create(nonDefaultSettings());
  EXPECT_EQ(shape->settingValueForKey<double>("insetFraction"), 0.35);
  EXPECT_EQ(shape->settingValueForKey<bool>("useRandomRotation"), true);
  EXPECT_EQ(shape->settingValueForKey<std::string>("insetGeneratorName"), "punch");
  EXPECT_FALSE(shape->settingValueForKey<double>("insetGeneratorName").has_value());
  EXPECT_FALSE(shape->settingValueForKey<std::string>("insetFraction").has_value());
  EXPECT_FALSE(shape->settingValueForKey<double>("hasInnerCorners").has_value());
}

TEST(PixelShapes, NamesAndTitlesThroughTheHolder) {
  EXPECT_EQ(QRCodePixelShape::nameOfGenerator<QRCodePixelShapeCRT>(), "crt");
  EXPECT_EQ(QRCodePixelShape::titleOfGenerator<QRCodePixelShapeCRT>(), "CRT");
  EXPECT_EQ(QRCodePixelShape::titleOfGenerator<QRCodePixelShapeRoundedRect>(), "Rounded rectangle");
  const Ptr shape = QRCodePixelShapeWave::Create();
  EXPECT_EQ(QRCodePixelShape::nameOfGenerator(*shape), "wave");
  EXPECT_EQ(QRCodePixelShape::titleOfGenerator(*shape), "Wave");
  EXPECT_EQ(qrshape::makeGeneratorSettingsRecord("x", Settings(3)), Settings::parse(R"({"type": "x", "settings": {}})"));
}

}  // namespace
