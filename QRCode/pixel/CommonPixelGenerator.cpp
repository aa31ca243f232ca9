#include "QRCode/pixel/CommonPixelGenerator.hpp"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <utility>

#include "QRCode/core/QRCodeBoolMatrix.hpp"
#include "QRCode/core/QRCodePathHelpers.hpp"
#include "QRCode/core/SplitMix64.hpp"
#include "platform/foundation/Clamp.hpp"
#include "platform/graphics/AffineTransform.hpp"

namespace {

constexpr double twoPi = 6.283185307179586;
constexpr std::uint64_t twoTo53 = std::uint64_t(1) << 53;

// Module outlines in module space (10 x 10 units, y growing downwards).
constexpr std::string_view squircleOutline =
    "M 5,0; C 7.19,0 8.41,0 9.2,0.8; C 10,1.59 10,2.81 10,5; C 10,7.19 10,8.41 9.2,9.2; "
    "C 8.41,10 7.19,10 5,10; C 2.81,10 1.59,10 0.8,9.2; C 0,8.41 0,7.19 0,5; "
    "C 0,2.81 0,1.59 0.8,0.8; C 1.59,0 2.81,0 5,0; Z";

constexpr std::string_view crtOutline =
    "M 0,5; C 0,2.5 0.6,0.6 0.6,0.6; C 0.6,0.6 2.5,0 5,0; C 7.5,0 9.4,0.6 9.4,0.6; "
    "C 9.4,0.6 10,2.5 10,5; C 10,7.5 9.4,9.4 9.4,9.4; C 9.4,9.4 7.5,10 5,10; "
    "C 2.5,10 0.6,9.4 0.6,9.4; C 0.6,9.4 0,7.5 0,5; Z";

constexpr std::string_view sharpOutline =
    "M 1,5; C 1,2.5 0,0 0,0; C 0,0 2.5,1 5,1; C 7.5,1 10,0 10,0; C 10,0 9,2.5 9,5; "
    "C 9,7.5 10,10 10,10; C 10,10 7.5,9 5,9; C 2.5,9 0,10 0,10; C 0,10 1,7.5 1,5; Z";

constexpr std::string_view starOutline =
    "M 5,0; L 6.85,2.83; L 9.99,3.8; L 8,6.52; L 8.09,9.95; L 5,8.8; L 1.91,9.95; "
    "L 2,6.52; L 0.01,3.8; L 3.15,2.83; Z";

constexpr std::string_view arrowOutline =
    "M 5,0; L 10,2; L 10,10; L 5,8; L 0,10; L 0,2; L 5,0; Z";

constexpr std::string_view waveOutline =
    "M 0,2; C 0,2 1,2 2.5,1; C 4,0 5,0 5,0; C 5,0 6,0 7.5,1; C 9,2 10,2 10,2; L 10,10; "
    "C 10,10 9,10 7.5,9; C 6,8 5,8 5,8; C 5,8 4,8 2.5,9; C 1,10 0,10 0,10; L 0,2; Z";

constexpr std::string_view flowerOutline =
    "M 10,7.5; C 10,6.47 9.38,5.59 8.49,5.21; C 8.5,5.14 8.5,5.07 8.5,5; "
    "C 8.5,4.93 8.5,4.86 8.49,4.79; C 9.38,4.41 10,3.53 10,2.5; C 10,1.12 8.88,0 7.5,0; "
    "C 6.59,0 5.8,0.48 5.36,1.2; C 5.3,1.3 5.25,1.4 5.21,1.51; "
    "C 5.14,1.5 5.07,1.5 5,1.5; C 4.93,1.5 4.86,1.5 4.79,1.51; C 4.41,0.62 3.53,0 2.5,0; "
    "C 1.96,0 1.45,0.17 1.04,0.47; L 0.95,0.54; C 0.37,0.99 0,1.7 0,2.5; "
    "C 0,3.53 0.62,4.41 1.51,4.79; C 1.5,4.86 1.5,4.93 1.5,5; "
    "C 1.5,5.07 1.5,5.14 1.51,5.21; C 0.62,5.59 0,6.47 0,7.5; C 0,8.88 1.12,10 2.5,10; "
    "C 3.53,10 4.41,9.38 4.79,8.49; C 4.86,8.5 4.93,8.5 5,8.5; "
    "C 5.07,8.5 5.14,8.5 5.21,8.49; C 5.59,9.38 6.47,10 7.5,10; "
    "C 8.88,10 10,8.88 10,7.5; Z";

constexpr std::string_view shinyDiamondOutline =
    "M 1.47,5.88; C 0.98,5.4 0.98,4.6 1.47,4.12; L 4.12,1.47; "
    "C 4.6,0.98 5.4,0.98 5.88,1.47; L 8.53,4.12; C 9.02,4.6 9.02,5.4 8.53,5.88; "
    "L 5.88,8.53; C 5.4,9.02 4.6,9.02 4.12,8.53; L 1.47,5.88; Z";

constexpr std::string_view shinyStarOutline =
    "M 3,5; C 3,3.33 0,0 0,0; C 0,0 3.33,3 5,3; C 6.67,3 10,0 10,0; C 10,0 7,3.33 7,5; "
    "C 7,6.67 10,10 10,10; C 10,10 6.67,7 5,7; C 3.33,7 0,10 0,10; C 0,10 3,6.67 3,5; Z";

constexpr std::string_view donutOutline =
    "M 5,6.5; C 4.17,6.5 3.5,5.83 3.5,5; C 3.5,4.27 4.03,3.66 4.72,3.53; "
    "C 4.81,3.51 4.91,3.5 5,3.5; C 5.83,3.5 6.5,4.17 6.5,5; C 6.5,5.83 5.83,6.5 5,6.5; Z; "
    "M 10,5; C 10,2.24 7.76,0 5,0; C 3.89,0 2.87,0.36 2.04,0.97; C 0.8,1.88 0,3.35 0,5; "
    "C 0,7.76 2.24,10 5,10; C 7.76,10 10,7.76 10,5; Z";

struct Templates {
  gfx::Path squircle = qrcore::builtInOutline(squircleOutline);
  gfx::Path crt = qrcore::builtInOutline(crtOutline);
  gfx::Path sharp = qrcore::builtInOutline(sharpOutline);
  gfx::Path star = qrcore::builtInOutline(starOutline);
  gfx::Path arrow = qrcore::builtInOutline(arrowOutline);
  gfx::Path wave = qrcore::builtInOutline(waveOutline);
  gfx::Path flower = qrcore::builtInOutline(flowerOutline);
  gfx::Path shinyDiamond = qrcore::builtInOutline(shinyDiamondOutline);
  gfx::Path shinyStar = qrcore::builtInOutline(shinyStarOutline);
  gfx::Path donut = qrcore::builtInOutline(donutOutline);
};

const Templates& templates() {
  static const Templates shared;
  return shared;
}

constexpr std::string_view rawValues[] = {"square", "circle", "crt",    "roundedRect",
                                          "squircle", "sharp", "star",  "flower",
                                          "shiny",  "donut",  "arrow",  "wave"};

// A fraction in [-q, +q] from the rotation source (q finite, not below 0).
double randomRotationFraction(SplitMix64& source, double q) {
  const std::uint64_t k = source.nextBounded(twoTo53 + 1);
  if (k == twoTo53) return q;
  return (2 * q) * (static_cast<double>(k) * 0x1p-53) - q;
}

// The inset value a module is drawn with: as given, with one bound, which keeps every
// coordinate finite and short whatever finite insetFraction is stored: a negative value
// enlarges a module by at most twice the symbol's side on each side (v >= -4n, n the
// dimension), so no coordinate lies more than six times the layout's size from its origin
// (shiny and donut outlines reach furthest, 1.125 times their width past the cell corner).
// A value that is not finite gives NaN, which leaves the module out.
double drawnInset(double v, double dimension) {
  if (!std::isfinite(v)) return std::numeric_limits<double>::quiet_NaN();
  return std::max(v, -4 * dimension);
}

// Most elements one module adds, for reserving the result path.
std::size_t elementsPerModule(CommonPixelGenerator::PixelType type) {
  using T = CommonPixelGenerator::PixelType;
  switch (type) {
    case T::square: return 5;
    case T::circle: return 6;
    case T::roundedRect: return 10;
    case T::shiny: return std::max(templates().shinyDiamond.size(), templates().shinyStar.size());
    default: {
      const gfx::Path* t = CommonPixelGenerator::templateFor(type);
      return t ? t->size() : 0;
    }
  }
}

// Stores a setting value (see foundation::settingValueOr) through adjust.
template <class T, class Adjust = std::identity>
bool applySetting(const foundation::Settings& value, T& field, T whenAbsent,
                  std::optional<T> (*read)(const foundation::Settings*) noexcept, Adjust adjust = {}) {
  const std::optional<T> stored = foundation::settingValueOr(value, whenAbsent, read);
  if (!stored) return false;
  field = adjust(*stored);
  return true;
}

}  // namespace

std::string_view CommonPixelGenerator::rawValue(PixelType type) {
  const auto i = static_cast<std::size_t>(type);
  return i < std::size(rawValues) ? rawValues[i] : std::string_view();
}

std::optional<CommonPixelGenerator::PixelType> CommonPixelGenerator::pixelTypeFromRawValue(std::string_view raw) {
  for (std::size_t i = 0; i < std::size(rawValues); ++i)
    if (rawValues[i] == raw) return static_cast<PixelType>(i);
  return std::nullopt;
}

CommonPixelGenerator::CommonPixelGenerator(PixelType pixelType,
                                           std::shared_ptr<QRCodePixelInsetGenerator> insetGenerator,
                                           double insetFraction, double cornerRadiusFraction,
                                           double rotationFraction, bool useRandomRotation)
    : pixelType_(pixelType),
      insetGenerator_(insetGenerator ? std::move(insetGenerator) : QRCodePixelInsetFixed::Create()),
      insetFraction_(insetFraction),
      cornerRadiusFraction_(foundation::clampedFraction(cornerRadiusFraction)),
      rotationFraction_(foundation::clampedFraction(rotationFraction)),
      useRandomRotation_(useRandomRotation) {}

CommonPixelGenerator CommonPixelGenerator::copy() const {
  return CommonPixelGenerator(pixelType_, insetGenerator_->copyInsetGenerator(), insetFraction_,
                              cornerRadiusFraction_, rotationFraction_, useRandomRotation_);
}

void CommonPixelGenerator::setInsetGenerator(std::shared_ptr<QRCodePixelInsetGenerator> generator) {
  if (generator) insetGenerator_ = std::move(generator);
}

const gfx::Path& CommonPixelGenerator::flowerTemplate() { return templates().flower; }

const gfx::Path& CommonPixelGenerator::shinyTemplate(std::int64_t row, std::int64_t column) {
  // Parity of row + column without overflow or negative remainders.
  const bool even = ((row & 1) ^ (column & 1)) == 0;
  return even ? templates().shinyDiamond : templates().shinyStar;
}

const gfx::Path* CommonPixelGenerator::templateFor(PixelType type) {
  const Templates& t = templates();
  switch (type) {
    case PixelType::squircle: return &t.squircle;
    case PixelType::crt: return &t.crt;
    case PixelType::sharp: return &t.sharp;
    case PixelType::star: return &t.star;
    case PixelType::flower: return &t.flower;
    case PixelType::donut: return &t.donut;
    case PixelType::arrow: return &t.arrow;
    case PixelType::wave: return &t.wave;
    default: return nullptr;
  }
}

gfx::Path CommonPixelGenerator::generatePath(const QRCodeBoolMatrix& matrix, gfx::Size size) {
  gfx::Path path;

  const bool fixedRotation = rotationFraction_ != 0;
  const gfx::AffineTransform rotation =
      fixedRotation ? gfx::AffineTransform::rotation(rotationFraction_ * twoPi) : gfx::AffineTransform::identity();

  // A random inset generator restarts its sequence here.
  insetGenerator_->reset();

  const std::int64_t n = matrix.dimension();
  if (n <= 0) return path;
  const double dn = static_cast<double>(n);
  const double cell = std::min(size.width / dn, size.height / dn);
  const double x0 = (size.width - dn * cell) * 0.5;
  const double y0 = (size.height - dn * cell) * 0.5;
  // A size without a finite, positive cell lays nothing out.
  if (!(cell > 0) || !std::isfinite(cell) || !std::isfinite(x0) || !std::isfinite(y0)) return path;

  SplitMix64 rotationSource(rotationSeed);
  const gfx::Path* outline = templateFor(pixelType_);
  const bool* cells = matrix.data();
  path.reserve(static_cast<std::size_t>(matrix.setCount()) * elementsPerModule(pixelType_));

  for (std::int64_t r = 0; r < n; ++r) {
    const bool* rowCells = cells + r * n;
    for (std::int64_t c = 0; c < n; ++c) {
      if (!rowCells[c]) continue;
      const double x = x0 + static_cast<double>(c) * cell;
      const double y = y0 + static_cast<double>(r) * cell;
      const double v = drawnInset(insetGenerator_->insetValueFor(matrix, r, c, insetFraction_), dn);
      const double d = cell * 0.5 * v;
      const gfx::Rect inset = gfx::Rect(x, y, cell, cell).insetBy(d, d);

      // The rotation draw happens for every drawn module, also one that the inset empties,
      // so that the modules after it keep their angles.
      gfx::AffineTransform moduleTransform;  // identity
      if (useRandomRotation_) {
        const double f = randomRotationFraction(rotationSource, rotationFraction_);
        const double cx = x + cell / 2, cy = y + cell / 2;
        moduleTransform = gfx::AffineTransform::translation(-cx, -cy)
                              .concatenating(gfx::AffineTransform::rotation(f * twoPi))
                              .concatenating(gfx::AffineTransform::translation(cx, cy));
      } else if (fixedRotation) {
        const double cx = x + cell / 2, cy = y + cell / 2;
        moduleTransform = gfx::AffineTransform::translation(-cx, -cy)
                              .concatenating(rotation)
                              .concatenating(gfx::AffineTransform::translation(cx, cy));
      }
      // An inset that swallows the module (or is not finite) leaves it out.
      if (inset.isNull()) continue;
      const double w = inset.size.width;

      switch (pixelType_) {
        case PixelType::roundedRect: {
          const double radius = inset.size.height * 0.5 * cornerRadiusFraction_;
          path.addRoundedRect(inset, radius, radius, moduleTransform);
          break;
        }
        case PixelType::circle:
          path.addEllipse(inset);
          break;
        case PixelType::shiny: {
          const double s = w / 8;
          path.addPath(shinyTemplate(r, c), gfx::AffineTransform::scale(s, s)
                                                .concatenating(gfx::AffineTransform::translation(x, y))
                                                .concatenating(gfx::AffineTransform::translation(-s, -s)));
          break;
        }
        case PixelType::donut: {
          const double s = w / 10;
          path.addPath(*outline, gfx::AffineTransform::scale(s, s)
                                     .concatenating(gfx::AffineTransform::translation(x, y))
                                     .concatenating(gfx::AffineTransform::translation(-s, -s)));
          break;
        }
        case PixelType::square:
          path.addRect(inset, moduleTransform);
          break;
        default: {
          const double s = w / 10;
          path.addPath(*outline, gfx::AffineTransform::scale(s, s)
                                     .concatenating(gfx::AffineTransform::translation(x + d, y + d))
                                     .concatenating(moduleTransform));
          break;
        }
      }
    }
  }
  return path;
}

bool CommonPixelGenerator::applyInsetFraction(const foundation::Settings& value) {
  // Finite numbers are stored as given (a negative inset enlarges the module); a number
  // that is not finite is refused like a value of another kind.
  const std::optional<double> stored = foundation::settingValueOr(value, 0.0, foundation::DoubleValue);
  if (!stored || !std::isfinite(*stored)) return false;
  insetFraction_ = *stored;
  return true;
}

bool CommonPixelGenerator::applyInsetGeneratorName(const foundation::Settings& value) {
  const auto name = foundation::StringValue(value);
  if (!name) return false;
  auto generator = QRCodePixelInset::generatorNamed(*name);
  if (!generator) return false;
  insetGenerator_ = std::move(generator);
  return true;
}

bool CommonPixelGenerator::applyCornerRadiusFraction(const foundation::Settings& value) {
  return applySetting(value, cornerRadiusFraction_, 0.0, foundation::DoubleValue, foundation::clampedFraction);
}

bool CommonPixelGenerator::applyRotationFraction(const foundation::Settings& value) {
  return applySetting(value, rotationFraction_, 0.0, foundation::DoubleValue, foundation::clampedFraction);
}

bool CommonPixelGenerator::applyUseRandomRotation(const foundation::Settings& value) {
  return applySetting(value, useRandomRotation_, false, foundation::BoolValue);
}
