#include "QRCode/pixel/QRCodePixelShapeBars.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "QRCode/core/QRCodeBoolMatrix.hpp"
#include "QRCode/pixel/CommonPixelGenerator.hpp"
#include "platform/foundation/Clamp.hpp"

namespace {

constexpr std::string_view insetKey = "insetFraction";
constexpr std::string_view cornerRadiusKey = "cornerRadiusFraction";

// Stores a setting value (see foundation::settingValueOr), as it is; a number that is not
// finite is refused like a value of another kind.
bool applyFraction(const foundation::Settings& value, double fallback, double& field) {
  const auto number = foundation::settingValueOr(value, fallback, foundation::DoubleValue);
  if (!number || !std::isfinite(*number)) return false;
  field = *number;
  return true;
}

}  // namespace

QRCodePixelShapeBars::QRCodePixelShapeBars(Direction direction, double insetFraction, double cornerRadiusFraction)
    : direction_(direction),
      insetFraction_(foundation::clampedFraction(insetFraction)),
      cornerRadiusFraction_(foundation::clampedFraction(cornerRadiusFraction)) {}

QRCodePixelShapeBars::Fractions QRCodePixelShapeBars::fractionsFrom(const foundation::Settings& settings) {
  return {foundation::doubleValue(settings, insetKey).value_or(DefaultInset()),
          foundation::doubleValue(settings, cornerRadiusKey).value_or(DefaultCornerRadius())};
}

foundation::Settings QRCodePixelShapeBars::settings() const {
  foundation::Settings result = foundation::Settings::object();
  result[std::string(insetKey)] = insetFraction_;
  result[std::string(cornerRadiusKey)] = cornerRadiusFraction_;
  return result;
}

bool QRCodePixelShapeBars::supportsSettingValueForKey(std::string_view key) const {
  return key == insetKey || key == cornerRadiusKey;
}

bool QRCodePixelShapeBars::setSettingValue(const foundation::Settings& value, std::string_view key) {
  if (key == insetKey) return applyFraction(value, DefaultInset(), insetFraction_);
  if (key == cornerRadiusKey) return applyFraction(value, DefaultCornerRadius(), cornerRadiusFraction_);
  return false;
}

gfx::Path QRCodePixelShapeBars::generatePathFrom(const QRCodeBoolMatrix& matrix, gfx::Size size) {
  gfx::Path path;
  const std::int64_t n = matrix.dimension();
  if (n <= 0) return path;
  const double dn = static_cast<double>(n);
  const double cell = std::min(size.width / dn, size.height / dn);
  const double xOffset = (size.width - dn * cell) * 0.5;
  const double yOffset = (size.height - dn * cell) * 0.5;
  // A size without a finite, positive cell lays nothing out.
  if (!(cell > 0) || !std::isfinite(cell) || !std::isfinite(xOffset) || !std::isfinite(yOffset)) return path;

  const bool horizontal = direction_ == Direction::horizontal;
  // Cell index steps: `along` moves one module along a run, `across` to the next line.
  const std::int64_t along = horizontal ? 1 : n;
  const std::int64_t across = horizontal ? n : 1;
  const bool* cells = matrix.data();

  // One rounded rectangle (at most ten elements) per run.
  std::size_t runs = 0;
  for (std::int64_t line = 0; line < n; ++line) {
    bool previous = false;
    const bool* first = cells + line * across;
    for (std::int64_t k = 0; k < n; ++k) {
      const bool on = first[k * along];
      runs += on && !previous;
      previous = on;
    }
  }
  if (runs == 0) return path;
  path.reserve(runs * 10);

  // Every run is one cell thick. A negative inset grows a bar by at most twice the
  // symbol's side on each side (fraction >= -4n), as the common pixel shapes bound it, so
  // coordinates stay finite and short.
  const double inset = cell * std::max(insetFraction_, -4 * dn) * 0.5;
  const double fraction = cornerRadiusFraction_;
  auto emit = [&](const gfx::Rect& run) {
    // Fractions set through the settings are not clamped: an inset that swallows the run
    // (or is not a number) leaves the bar out, and the radius never exceeds half the
    // bar's thickness.
    const gfx::Rect bar = run.insetBy(inset, inset);
    if (bar.isNull()) return;
    const double thickness = horizontal ? bar.size.height : bar.size.width;
    const double radius = std::min(thickness * 0.5 * fraction, thickness * 0.5);
    path.addRoundedRect(bar, radius, radius);
  };

  for (std::int64_t line = 0; line < n; ++line) {
    const double lineStart = (horizontal ? yOffset : xOffset) + static_cast<double>(line) * cell;
    const double runStart = horizontal ? xOffset : yOffset;
    const bool* first = cells + line * across;
    bool previousOff = true;
    gfx::Rect run;
    for (std::int64_t k = 0; k < n; ++k) {
      if (first[k * along]) {
        if (previousOff) {
          const double start = runStart + static_cast<double>(k) * cell;
          run = horizontal ? gfx::Rect(start, lineStart, cell, cell) : gfx::Rect(lineStart, start, cell, cell);
        } else if (horizontal) {
          run.size.width += cell;
        } else {
          run.size.height += cell;
        }
        previousOff = false;
      } else {
        if (!previousOff) emit(run);
        previousOff = true;
      }
    }
    if (!previousOff) emit(run);
  }
  return path;
}

std::shared_ptr<QRCodePixelShapeHorizontal> QRCodePixelShapeHorizontal::Create(const foundation::Settings& settings) {
  const Fractions f = fractionsFrom(settings);
  return std::make_shared<QRCodePixelShapeHorizontal>(f.insetFraction, f.cornerRadiusFraction);
}

std::shared_ptr<QRCodePixelShapeGenerator> QRCodePixelShapeHorizontal::copyShape() const {
  return std::make_shared<QRCodePixelShapeHorizontal>(insetFraction(), cornerRadiusFraction());
}

std::shared_ptr<QRCodePixelShapeVertical> QRCodePixelShapeVertical::Create(const foundation::Settings& settings) {
  const Fractions f = fractionsFrom(settings);
  return std::make_shared<QRCodePixelShapeVertical>(f.insetFraction, f.cornerRadiusFraction);
}

std::shared_ptr<QRCodePixelShapeGenerator> QRCodePixelShapeVertical::copyShape() const {
  return std::make_shared<QRCodePixelShapeVertical>(insetFraction(), cornerRadiusFraction());
}
