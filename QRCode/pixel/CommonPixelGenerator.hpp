#pragma once
// The one path builder behind the twelve pixel shapes over a fixed module outline
// (square, circle, crt, roundedRect, squircle, sharp, star, flower, shiny, donut, arrow,
// wave). It lays a matrix out on a centred grid of square cells, shrinks each drawn
// module by the inset its inset generator gives, draws the module's outline and turns it
// about the cell centre by a fixed or a per-module random angle.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "QRCode/pixel/QRCodePixelInsetGenerator.hpp"
#include "platform/foundation/Settings.hpp"
#include "platform/graphics/Geometry.hpp"
#include "platform/graphics/Path.hpp"

class QRCodeBoolMatrix;

class CommonPixelGenerator {
 public:
  enum class PixelType : std::uint8_t {
    square, circle, crt, roundedRect, squircle, sharp, star, flower, shiny, donut, arrow, wave
  };
  static constexpr std::array<PixelType, 12> allPixelTypes{
      PixelType::square, PixelType::circle,  PixelType::crt,   PixelType::roundedRect,
      PixelType::squircle, PixelType::sharp, PixelType::star,  PixelType::flower,
      PixelType::shiny,  PixelType::donut,   PixelType::arrow, PixelType::wave};
  // The case name ("roundedRect"), and back (none for an unknown text).
  static std::string_view rawValue(PixelType type);
  static std::optional<PixelType> pixelTypeFromRawValue(std::string_view raw);

  // Seed of the per-call random rotation source.
  static constexpr std::uint64_t rotationSeed = 0x028C9A3A91D15E75ULL;

  // cornerRadiusFraction and rotationFraction are clamped to 0...1 (NaN -> 0);
  // insetFraction is kept as given; a null inset generator becomes a new "fixed" one.
  CommonPixelGenerator(PixelType pixelType, std::shared_ptr<QRCodePixelInsetGenerator> insetGenerator,
                       double insetFraction, double cornerRadiusFraction, double rotationFraction,
                       bool useRandomRotation);

  // A new generator with the same type, fractions and flag and a fresh copy of the
  // inset generator (in its initial state).
  CommonPixelGenerator copy() const;

  PixelType pixelType() const { return pixelType_; }
  const std::shared_ptr<QRCodePixelInsetGenerator>& insetGenerator() const { return insetGenerator_; }
  double insetFraction() const { return insetFraction_; }
  double cornerRadiusFraction() const { return cornerRadiusFraction_; }
  double rotationFraction() const { return rotationFraction_; }
  bool useRandomRotation() const { return useRandomRotation_; }
  // Replaces the inset generator (null is ignored).
  void setInsetGenerator(std::shared_ptr<QRCodePixelInsetGenerator> generator);

  // One closed outline (two for donut) per set module of the matrix, laid out in size. A
  // negative inset enlarges a module beyond its cell, by at most twice the symbol's side
  // on each side; an inset that empties a module or is not finite leaves it out.
  gfx::Path generatePath(const QRCodeBoolMatrix& matrix, gfx::Size size);

  // Settings appliers. value is null when absent. Each answers whether it took the
  // value; a value of the wrong kind changes nothing and answers false.
  bool applyInsetFraction(const foundation::Settings& value);        // null -> 0; finite, unclamped
  bool applyInsetGeneratorName(const foundation::Settings& value);   // known name only
  bool applyCornerRadiusFraction(const foundation::Settings& value); // null -> 0; clamped
  bool applyRotationFraction(const foundation::Settings& value);     // null -> 0; clamped
  bool applyUseRandomRotation(const foundation::Settings& value);    // null -> false

  // Module-space outline templates (10 x 10 units).
  static const gfx::Path& flowerTemplate();
  // Rounded diamond when row + column is even, concave four-point star when odd.
  static const gfx::Path& shinyTemplate(std::int64_t row, std::int64_t column);
  // The template of squircle, crt, sharp, star, arrow, wave, flower and donut; null for
  // the types drawn from rectangles (square, circle, roundedRect) and for shiny.
  static const gfx::Path* templateFor(PixelType type);

 private:
  PixelType pixelType_;
  std::shared_ptr<QRCodePixelInsetGenerator> insetGenerator_;
  double insetFraction_;
  double cornerRadiusFraction_;
  double rotationFraction_;
  bool useRandomRotation_;
};
