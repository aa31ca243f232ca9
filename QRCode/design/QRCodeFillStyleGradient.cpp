// The linear and radial gradient fills share their painting, SVG and settings code here.

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "QRCode/core/QRCodeColor.hpp"
#include "QRCode/core/QRCodeError.hpp"
#include "QRCode/design/QRCodeFillStyleLinearGradient.hpp"
#include "QRCode/design/QRCodeFillStyleRadialGradient.hpp"
#include "QRCode/design/QRCodeShadow.hpp"
#include "platform/foundation/Error.hpp"
#include "platform/foundation/Numbers.hpp"
#include "platform/graphics/Canvas.hpp"

namespace {

// Painting a path: the gradient inside the path, then the shadow (which does not change
// the gradient).
template <class DrawGradient>
void fillPathWithGradient(gfx::Canvas& ctx, const gfx::Rect& rect, const gfx::Path& path,
                          double expectedPixelSize, const QRCodeShadow* shadow, DrawGradient&& draw) {
  ctx.save();
  ctx.clipToPath(path, false);
  draw();
  ctx.restore();
  if (!shadow) return;
  if (shadow->type() == QRCodeShadow::ShadowType::dropShadow)
    QRCodeFillStyle::outerShadowPass(ctx, rect, path, *shadow, expectedPixelSize);
  else
    QRCodeFillStyle::innerShadowPass(ctx, path, *shadow, expectedPixelSize);
}

// The shadow filter (when there is a shadow), the stop lines and the closing tag, after
// the opening line already in definition. Stops are written in ascending position (a
// stable sort of a copy of the pins).
void appendGradientBody(std::string& definition, const KvelGradient& gradient, std::string_view styleIdentifier,
                        double expectedPixelSize, const QRCodeShadow* shadow, std::string_view stopIndent,
                        std::string_view closing) {
  if (shadow) {
    const std::string filterId = std::string(styleIdentifier) + "-shadow";
    definition += shadow->type() == QRCodeShadow::ShadowType::dropShadow
                      ? shadow->svgDropShadowFilter(filterId, expectedPixelSize)
                      : shadow->svgInnerShadowFilter(filterId, expectedPixelSize);
  }
  std::vector<KvelGradientPin> pins = gradient.pins();
  std::stable_sort(pins.begin(), pins.end(),
                   [](const KvelGradientPin& l, const KvelGradientPin& r) { return l.position() < r.position(); });
  for (const KvelGradientPin& pin : pins) {
    const RGBAComponents rgba = qrcolor::rgbaComponents(pin.color());
    definition += stopIndent;
    definition += "<stop offset=\"";
    definition += foundation::shortestString(pin.position());
    definition += "\" stop-color=\"";
    definition += qrcolor::hexString(pin.color());
    definition += "\" stop-opacity=\"";
    definition += foundation::shortestString(rgba.a);
    definition += "\" />\n";
  }
  definition += closing;
}

std::string gradientAttribute(std::string_view styleIdentifier, const QRCodeShadow* shadow) {
  std::string attribute = "fill=\"url(#" + std::string(styleIdentifier) + ")\" ";
  if (shadow) attribute += "style=\"filter:url(#" + std::string(styleIdentifier) + "-shadow)\"";
  return attribute;
}

// A coordinate that must be present and a number.
double requiredNumber(const foundation::Settings& settings, std::string_view key, std::string_view family) {
  const auto value = foundation::doubleValue(settings, key);
  if (!value)
    foundation::raise(QRCodeError::cannotCreateGenerator,
                      std::string(family) + " fill: \"" + std::string(key) + "\" is missing or not a number");
  return *value;
}

KvelGradient requiredGradient(const foundation::Settings& settings, std::string_view family) {
  const auto text = foundation::stringValue(settings, "gradient");
  if (!text)
    foundation::raise(QRCodeError::cannotCreateGenerator,
                      std::string(family) + " fill: \"gradient\" is missing or not text");
  return KvelGradient::FromRGBAGradientString(*text);
}

void checkSettings(const foundation::Settings& settings, std::string_view family) {
  if (!settings.is_object() || settings.empty())
    foundation::raise(QRCodeError::cannotCreateGenerator, std::string(family) + " fill has no settings");
}

constexpr auto kExtendBoth = gfx::GradientExtend::both;

// Unit points are not clamped to the area, but a coordinate far beyond it would overflow
// once scaled by the area's size: a million areas out, a gradient already shows what it
// shows further out (one end colour, or the colours along the same direction), so
// coordinates are limited there. A coordinate that is not a number has no direction and
// takes the default one.
constexpr double kMaxUnitCoordinate = 1e6;

double finiteUnitCoordinate(double value, double fallback) {
  if (std::isnan(value)) return fallback;
  return std::clamp(value, -kMaxUnitCoordinate, kMaxUnitCoordinate);
}

gfx::Point finiteUnitPoint(gfx::Point point, gfx::Point fallback) {
  return {finiteUnitCoordinate(point.x, fallback.x), finiteUnitCoordinate(point.y, fallback.y)};
}

}  // namespace

// --- linear ----------------------------------------------------------------------------

QRCodeFillStyleLinearGradient::QRCodeFillStyleLinearGradient(KvelGradient gradient, gfx::Point startPoint,
                                                             gfx::Point endPoint)
    : gradient_(std::move(gradient)),
      startPoint_(finiteUnitPoint(startPoint, {0, 0})),
      endPoint_(finiteUnitPoint(endPoint, {1, 1})) {}

std::pair<gfx::Point, gfx::Point> QRCodeFillStyleLinearGradient::placement(const gfx::Rect& rect) const {
  const double x = rect.minX(), y = rect.minY(), w = rect.size.width;
  return {gfx::Point{x + startPoint_.x * w, y + startPoint_.y * w},
          gfx::Point{x + endPoint_.x * w, y + endPoint_.y * w}};
}

std::shared_ptr<QRCodeFillStyleGenerator> QRCodeFillStyleLinearGradient::copyStyle() const {
  return std::make_shared<QRCodeFillStyleLinearGradient>(gradient_.copyGradient(), startPoint_, endPoint_);
}

foundation::Settings QRCodeFillStyleLinearGradient::settings() const {
  std::string gradient = gradient_.asRGBAGradientString();
  foundation::Settings s = foundation::Settings::object();
  s["startX"] = static_cast<double>(startPoint_.x);
  s["startY"] = static_cast<double>(startPoint_.y);
  s["endX"] = static_cast<double>(endPoint_.x);
  s["endY"] = static_cast<double>(endPoint_.y);
  s["gradient"] = std::move(gradient);
  return s;
}

void QRCodeFillStyleLinearGradient::fillWithCtx(gfx::Canvas& ctx, const gfx::Rect& rect) const {
  const auto [start, end] = placement(rect);
  ctx.drawLinearGradient(gradient_.cgGradient(), start, end, kExtendBoth);
}

void QRCodeFillStyleLinearGradient::fillWithCtx(gfx::Canvas& ctx, const gfx::Rect& rect, const gfx::Path& path,
                                                double expectedPixelSize, const QRCodeShadow* shadow) const {
  fillPathWithGradient(ctx, rect, path, expectedPixelSize, shadow, [&] { fillWithCtx(ctx, rect); });
}

QRCodeFillStyle::SVGDefinition QRCodeFillStyleLinearGradient::svgRepresentationWithStyleIdentifier(
    std::string_view styleIdentifier, double expectedPixelSize, const QRCodeShadow* shadow) const {
  std::string definition;
  definition.reserve(160 + 80 * gradient_.pins().size() + (shadow ? 1200 : 0));
  definition += "<linearGradient id=\"";
  definition += styleIdentifier;
  definition += "\" x1=\"" + foundation::shortestString(startPoint_.x) + "\" y1=\"" +
                foundation::shortestString(startPoint_.y) + "\" x2=\"" + foundation::shortestString(endPoint_.x) +
                "\" y2=\"" + foundation::shortestString(endPoint_.y) + "\">\n";
  appendGradientBody(definition, gradient_, styleIdentifier, expectedPixelSize, shadow, "",
                     "</linearGradient>\n");
  return {gradientAttribute(styleIdentifier, shadow), std::move(definition)};
}

std::shared_ptr<QRCodeFillStyleLinearGradient> QRCodeFillStyleLinearGradient::CreateWithSettings(
    const foundation::Settings& settings) {
  constexpr std::string_view family = "linear gradient";
  checkSettings(settings, family);
  const double startX = requiredNumber(settings, "startX", family);
  const double startY = requiredNumber(settings, "startY", family);
  const double endX = requiredNumber(settings, "endX", family);
  const double endY = requiredNumber(settings, "endY", family);
  return make(requiredGradient(settings, family), gfx::Point{startX, startY}, gfx::Point{endX, endY});
}

// --- radial ----------------------------------------------------------------------------

QRCodeFillStyleRadialGradient::QRCodeFillStyleRadialGradient(KvelGradient gradient, gfx::Point centerPoint)
    : gradient_(std::move(gradient)), centerPoint_(finiteUnitPoint(centerPoint, {0.5, 0.5})) {}

void QRCodeFillStyleRadialGradient::setCenterPoint(gfx::Point centerPoint) {
  centerPoint_ = finiteUnitPoint(centerPoint, {0.5, 0.5});
}

QRCodeFillStyleRadialGradient::Placement QRCodeFillStyleRadialGradient::placement(const gfx::Rect& rect) const {
  const double w = rect.size.width, h = rect.size.height;
  return {gfx::Point{rect.minX() + centerPoint_.x * w, rect.minY() + centerPoint_.y * h}, w / 1.75};
}

std::shared_ptr<QRCodeFillStyleGenerator> QRCodeFillStyleRadialGradient::copyStyle() const {
  return std::make_shared<QRCodeFillStyleRadialGradient>(gradient_.copyGradient(), centerPoint_);
}

foundation::Settings QRCodeFillStyleRadialGradient::settings() const {
  std::string gradient = gradient_.asRGBAGradientString();
  foundation::Settings s = foundation::Settings::object();
  s["centerX"] = static_cast<double>(centerPoint_.x);
  s["centerY"] = static_cast<double>(centerPoint_.y);
  s["gradient"] = std::move(gradient);
  return s;
}

void QRCodeFillStyleRadialGradient::fillWithCtx(gfx::Canvas& ctx, const gfx::Rect& rect) const {
  const Placement p = placement(rect);
  ctx.drawRadialGradient(gradient_.cgGradient(), p.center, 0, p.center, p.endRadius, kExtendBoth);
}

void QRCodeFillStyleRadialGradient::fillWithCtx(gfx::Canvas& ctx, const gfx::Rect& rect, const gfx::Path& path,
                                                double expectedPixelSize, const QRCodeShadow* shadow) const {
  fillPathWithGradient(ctx, rect, path, expectedPixelSize, shadow, [&] { fillWithCtx(ctx, rect); });
}

QRCodeFillStyle::SVGDefinition QRCodeFillStyleRadialGradient::svgRepresentationWithStyleIdentifier(
    std::string_view styleIdentifier, double expectedPixelSize, const QRCodeShadow* shadow) const {
  std::string definition;
  definition.reserve(160 + 80 * gradient_.pins().size() + (shadow ? 1200 : 0));
  definition += "<radialGradient id=\"";
  definition += styleIdentifier;
  definition += "\" cx=\"" + foundation::shortestString(centerPoint_.x) + "\" cy=\"" +
                foundation::shortestString(centerPoint_.y) + "\" r=\"0.5\">\n";
  appendGradientBody(definition, gradient_, styleIdentifier, expectedPixelSize, shadow, "   ",
                     "</radialGradient>\n");
  return {gradientAttribute(styleIdentifier, shadow), std::move(definition)};
}

std::shared_ptr<QRCodeFillStyleRadialGradient> QRCodeFillStyleRadialGradient::CreateWithSettings(
    const foundation::Settings& settings) {
  constexpr std::string_view family = "radial gradient";
  checkSettings(settings, family);
  const double centerX = requiredNumber(settings, "centerX", family);
  const double centerY = requiredNumber(settings, "centerY", family);
  return make(requiredGradient(settings, family), gfx::Point{centerX, centerY});
}
