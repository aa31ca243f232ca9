#pragma once
// The twelve pixel shapes over the common generator. They share one implementation
// (CommonPixelShape); what differs from class to class is data (CommonPixelShapeTraits):
// name, title, pixel type, which settings keys the class supports, handles and writes,
// and its defaults. Each class is a thin subclass that fixes its traits and keeps its
// own constructor and its static Name, Title and Create.

#include <cstdint>
#include <memory>
#include <string_view>
#include <utility>

#include "QRCode/pixel/CommonPixelGenerator.hpp"
#include "QRCode/pixel/QRCodePixelInsetGenerator.hpp"
#include "QRCode/pixel/QRCodePixelShapeGenerator.hpp"
#include "platform/foundation/Settings.hpp"
#include "platform/graphics/Geometry.hpp"
#include "platform/graphics/Path.hpp"

// Settings keys of the shapes over the common generator, as bits.
namespace CommonPixelKey {
inline constexpr std::uint8_t insetFraction = 1;
inline constexpr std::uint8_t cornerRadiusFraction = 2;
inline constexpr std::uint8_t insetGeneratorName = 4;
inline constexpr std::uint8_t rotationFraction = 8;
inline constexpr std::uint8_t useRandomRotation = 16;
inline constexpr std::uint8_t useRandomInset = 32;
}  // namespace CommonPixelKey

struct CommonPixelShapeTraits {
  std::string_view name;
  std::string_view title;
  CommonPixelGenerator::PixelType pixelType;
  std::uint8_t supportedKeys;  // answered true by supportsSettingValueForKey
  std::uint8_t handledKeys;    // taken by setSettingValue (and read by Create)
  std::uint8_t writtenKeys;    // written by settings; useRandomInset only with a random inset
  double defaultInsetFraction;
  double defaultCornerRadiusFraction;
};

class CommonPixelShape : public QRCodePixelShapeGenerator {
 public:
  // The configuration a shape is built from.
  struct Configuration {
    std::shared_ptr<QRCodePixelInsetGenerator> insetGenerator;
    double insetFraction = 0;
    double cornerRadiusFraction = 0;
    double rotationFraction = 0;
    bool useRandomRotation = false;
  };

  std::string_view name() const override { return traits_->name; }
  std::string_view title() const override { return traits_->title; }
  gfx::Path generatePathFrom(const QRCodeBoolMatrix& matrix, gfx::Size size) override;
  foundation::Settings settings() const override;
  bool setSettingValue(const foundation::Settings& value, std::string_view key) override;
  bool supportsSettingValueForKey(std::string_view key) const override;

  const CommonPixelShapeTraits& traits() const { return *traits_; }
  // The generator behind the shape (the renderer calls its generatePath directly).
  CommonPixelGenerator& common() { return common_; }
  const CommonPixelGenerator& common() const { return common_; }

  // The configuration Create makes from a settings dictionary for a class.
  static Configuration configurationFrom(const CommonPixelShapeTraits& traits,
                                         const foundation::Settings& settings);

 protected:
  // Keeps to the class's traits: a field the class does not handle takes its fixed
  // value (no corner radius, no rotation, or the plain default for classes without
  // settings).
  CommonPixelShape(const CommonPixelShapeTraits& traits, Configuration configuration);
  // The configuration copyShape builds the copy from (a fresh inset generator).
  Configuration copyConfiguration() const;

 private:
  const CommonPixelShapeTraits* traits_;
  CommonPixelGenerator common_;
};

// Name, Title, Create and copyShape of one class, from its static `shapeTraits`.
template <class Self>
class CommonPixelShapeClass : public CommonPixelShape {
 public:
  static std::string_view Name() { return Self::shapeTraits.name; }
  static std::string_view Title() { return Self::shapeTraits.title; }
  static std::shared_ptr<Self> Create(const foundation::Settings& settings = {}) {
    return std::make_shared<Self>(configurationFrom(Self::shapeTraits, settings));
  }
  std::shared_ptr<QRCodePixelShapeGenerator> copyShape() const override {
    return std::make_shared<Self>(copyConfiguration());
  }

  explicit CommonPixelShapeClass(Configuration configuration)
      : CommonPixelShape(Self::shapeTraits, std::move(configuration)) {}
};

namespace CommonPixelKeySets {
using namespace CommonPixelKey;
// Square group: fixed or random inset, rotation.
inline constexpr std::uint8_t square = insetFraction | insetGeneratorName | rotationFraction | useRandomRotation;
inline constexpr std::uint8_t squareHandled = square | useRandomInset;
inline constexpr std::uint8_t roundedRect = square | cornerRadiusFraction;
inline constexpr std::uint8_t roundedRectHandled = roundedRect | useRandomInset;
inline constexpr std::uint8_t circle = insetFraction | insetGeneratorName | useRandomInset;
inline constexpr std::uint8_t circleWritten = insetFraction | insetGeneratorName;
}  // namespace CommonPixelKeySets

// Traits of a class of the square group (inset and rotation settings, defaults 0).
constexpr CommonPixelShapeTraits squareGroupPixelTraits(std::string_view name, std::string_view title,
                                                        CommonPixelGenerator::PixelType type,
                                                        std::uint8_t extraSupportedKeys = 0) {
  return {name,
          title,
          type,
          static_cast<std::uint8_t>(CommonPixelKeySets::square | extraSupportedKeys),
          CommonPixelKeySets::squareHandled,
          CommonPixelKeySets::squareHandled,
          0,
          0};
}

// The constructor form shared by the square group.
template <class Self>
class SquareGroupPixelShape : public CommonPixelShapeClass<Self> {
 public:
  using Configuration = CommonPixelShape::Configuration;
  using CommonPixelShapeClass<Self>::CommonPixelShapeClass;
  SquareGroupPixelShape(std::shared_ptr<QRCodePixelInsetGenerator> insetGenerator, double insetFraction,
                        double rotationFraction, bool useRandomRotation)
      : CommonPixelShapeClass<Self>(
            Configuration{std::move(insetGenerator), insetFraction, 0, rotationFraction, useRandomRotation}) {}
};

class QRCodePixelShapeRoundedRect final : public CommonPixelShapeClass<QRCodePixelShapeRoundedRect> {
 public:
  static constexpr CommonPixelShapeTraits shapeTraits{"roundedRect",
                                                      "Rounded rectangle",
                                                      CommonPixelGenerator::PixelType::roundedRect,
                                                      CommonPixelKeySets::roundedRect,
                                                      CommonPixelKeySets::roundedRectHandled,
                                                      CommonPixelKeySets::roundedRectHandled,
                                                      0.1,
                                                      0.65};
  static double DefaultInset() { return shapeTraits.defaultInsetFraction; }
  static double DefaultCornerRadius() { return shapeTraits.defaultCornerRadiusFraction; }

  using CommonPixelShapeClass::CommonPixelShapeClass;
  QRCodePixelShapeRoundedRect(double cornerRadiusFraction,
                              std::shared_ptr<QRCodePixelInsetGenerator> insetGenerator,
                              double insetFraction, double rotationFraction, bool useRandomRotation)
      : CommonPixelShapeClass(Configuration{std::move(insetGenerator), insetFraction,
                                            cornerRadiusFraction, rotationFraction, useRandomRotation}) {}
  double insetFraction() const { return common().insetFraction(); }
  double cornerRadiusFraction() const { return common().cornerRadiusFraction(); }
};

class QRCodePixelShapeSquare final : public SquareGroupPixelShape<QRCodePixelShapeSquare> {
 public:
  static constexpr CommonPixelShapeTraits shapeTraits =
      squareGroupPixelTraits("square", "Square", CommonPixelGenerator::PixelType::square);
  using SquareGroupPixelShape::SquareGroupPixelShape;
};

class QRCodePixelShapeArrow final : public SquareGroupPixelShape<QRCodePixelShapeArrow> {
 public:
  static constexpr CommonPixelShapeTraits shapeTraits =
      squareGroupPixelTraits("arrow", "Arrow", CommonPixelGenerator::PixelType::arrow);
  using SquareGroupPixelShape::SquareGroupPixelShape;
};

class QRCodePixelShapeFlower final : public SquareGroupPixelShape<QRCodePixelShapeFlower> {
 public:
  static constexpr CommonPixelShapeTraits shapeTraits =
      squareGroupPixelTraits("flower", "Flower", CommonPixelGenerator::PixelType::flower);
  using SquareGroupPixelShape::SquareGroupPixelShape;
};

class QRCodePixelShapeSharp final : public SquareGroupPixelShape<QRCodePixelShapeSharp> {
 public:
  static constexpr CommonPixelShapeTraits shapeTraits =
      squareGroupPixelTraits("sharp", "Sharp", CommonPixelGenerator::PixelType::sharp);
  using SquareGroupPixelShape::SquareGroupPixelShape;
};

class QRCodePixelShapeSquircle final : public SquareGroupPixelShape<QRCodePixelShapeSquircle> {
 public:
  static constexpr CommonPixelShapeTraits shapeTraits =
      squareGroupPixelTraits("squircle", "Squircle", CommonPixelGenerator::PixelType::squircle);
  using SquareGroupPixelShape::SquareGroupPixelShape;
  double insetFraction() const { return common().insetFraction(); }
};

class QRCodePixelShapeStar final : public SquareGroupPixelShape<QRCodePixelShapeStar> {
 public:
  static constexpr CommonPixelShapeTraits shapeTraits =
      squareGroupPixelTraits("star", "Star", CommonPixelGenerator::PixelType::star);
  using SquareGroupPixelShape::SquareGroupPixelShape;
};

class QRCodePixelShapeWave final : public SquareGroupPixelShape<QRCodePixelShapeWave> {
 public:
  static constexpr CommonPixelShapeTraits shapeTraits =
      squareGroupPixelTraits("wave", "Wave", CommonPixelGenerator::PixelType::wave);
  using SquareGroupPixelShape::SquareGroupPixelShape;
};

// CRT also reports "useRandomInset" as supported.
class QRCodePixelShapeCRT final : public SquareGroupPixelShape<QRCodePixelShapeCRT> {
 public:
  static constexpr CommonPixelShapeTraits shapeTraits = squareGroupPixelTraits(
      "crt", "CRT", CommonPixelGenerator::PixelType::crt, CommonPixelKey::useRandomInset);
  using SquareGroupPixelShape::SquareGroupPixelShape;
};

// Circle: inset settings only, never rotated.
class QRCodePixelShapeCircle final : public CommonPixelShapeClass<QRCodePixelShapeCircle> {
 public:
  static constexpr CommonPixelShapeTraits shapeTraits{"circle",
                                                      "Circle",
                                                      CommonPixelGenerator::PixelType::circle,
                                                      CommonPixelKeySets::circle,
                                                      CommonPixelKeySets::circle,
                                                      CommonPixelKeySets::circleWritten,
                                                      0,
                                                      0};
  using CommonPixelShapeClass::CommonPixelShapeClass;
  QRCodePixelShapeCircle(std::shared_ptr<QRCodePixelInsetGenerator> insetGenerator, double insetFraction)
      : CommonPixelShapeClass(Configuration{std::move(insetGenerator), insetFraction, 0, 0, false}) {}
  double insetFraction() const { return common().insetFraction(); }
};

// Donut and Shiny have no settings: a plain "fixed" inset, all fractions 0.
class QRCodePixelShapeDonut final : public CommonPixelShapeClass<QRCodePixelShapeDonut> {
 public:
  static constexpr CommonPixelShapeTraits shapeTraits{
      "donut", "Donut", CommonPixelGenerator::PixelType::donut, 0, 0, 0, 0, 0};
  using CommonPixelShapeClass::CommonPixelShapeClass;
  QRCodePixelShapeDonut() : CommonPixelShapeClass(Configuration{}) {}
};

class QRCodePixelShapeShiny final : public CommonPixelShapeClass<QRCodePixelShapeShiny> {
 public:
  static constexpr CommonPixelShapeTraits shapeTraits{
      "shiny", "Shiny", CommonPixelGenerator::PixelType::shiny, 0, 0, 0, 0, 0};
  using CommonPixelShapeClass::CommonPixelShapeClass;
  QRCodePixelShapeShiny() : CommonPixelShapeClass(Configuration{}) {}
};
