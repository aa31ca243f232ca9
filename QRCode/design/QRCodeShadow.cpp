#include "QRCode/design/QRCodeShadow.hpp"

#include <algorithm>
#include <cmath>

#include "QRCode/core/QRCodeColor.hpp"
#include "platform/foundation/Error.hpp"
#include "platform/foundation/Numbers.hpp"

namespace {

double soundOffset(double value, double fallback) {
  if (!std::isfinite(value)) return fallback;
  return std::clamp(value, -QRCodeShadow::maxOffset, QRCodeShadow::maxOffset);
}

double soundBlur(double value) {
  if (!std::isfinite(value)) return QRCodeShadow::defaultBlur;
  return std::clamp(value, 0.0, QRCodeShadow::maxBlur);
}

bool isFiniteColor(const gfx::Color& color) {
  for (double c : color.components())
    if (!std::isfinite(c)) return false;
  return true;
}

// The values the SVG filters share.
struct FilterValues {
  int r, g, b;
  std::string a, s, dx, dy;
};

int channelByte(double component) {
  // Truncation toward zero, as the filter colour is written; components outside 0...1
  // (or not finite) cannot be written as a colour.
  const double v = component * 255.0;
  if (!std::isfinite(v)) foundation::raise(RGBAComponentsError::unableToConvertToRGBA);
  return static_cast<int>(std::clamp(std::trunc(v), 0.0, 255.0));
}

FilterValues filterValues(const QRCodeShadow& shadow, double expectedPixelSize) {
  const RGBAComponents rgba = qrcolor::rgbaComponents(shadow.color());
  if (!std::isfinite(rgba.a)) foundation::raise(RGBAComponentsError::unableToConvertToRGBA);
  FilterValues v;
  v.r = channelByte(rgba.r);
  v.g = channelByte(rgba.g);
  v.b = channelByte(rgba.b);
  v.a = foundation::shortestString(rgba.a);
  v.s = foundation::shortestString(shadow.blur() * 0.5);
  const gfx::Size offset = shadow.scaledOffset(expectedPixelSize);
  v.dx = foundation::shortestString(offset.width);
  // SVG's y axis runs downwards: a positive height (up) becomes a negative dy.
  v.dy = foundation::shortestString(-offset.height);
  return v;
}

std::string rgbText(const FilterValues& v) {
  return "rgb(" + std::to_string(v.r) + "," + std::to_string(v.g) + "," + std::to_string(v.b) + ")";
}

}  // namespace

gfx::Color QRCodeShadow::defaultColor() { return qrcolor::commonBlack().withAlpha(0.8); }

QRCodeShadow::QRCodeShadow()
    : offset_{defaultOffsetWidth, defaultOffsetHeight},
      blur_(defaultBlur),
      color_(defaultColor()),
      type_(ShadowType::dropShadow) {}

QRCodeShadow::QRCodeShadow(ShadowType type, double dx, double dy, double blur, const gfx::Color& color)
    : offset_{soundOffset(dx, defaultOffsetWidth), soundOffset(dy, defaultOffsetHeight)},
      blur_(soundBlur(blur)),
      color_(isFiniteColor(color) ? color : defaultColor()),
      type_(type) {}

QRCodeShadow::QRCodeShadow(ShadowType type, gfx::Size offset, double blur, const gfx::Color& color)
    : QRCodeShadow(type, offset.width, offset.height, blur, color) {}

void QRCodeShadow::setOffset(gfx::Size offset) {
  offset_ = {soundOffset(offset.width, defaultOffsetWidth), soundOffset(offset.height, defaultOffsetHeight)};
}

void QRCodeShadow::setBlur(double blur) { blur_ = soundBlur(blur); }

void QRCodeShadow::setColor(const gfx::Color& color) {
  color_ = isFiniteColor(color) ? color : defaultColor();
}

std::shared_ptr<QRCodeShadow> QRCodeShadow::copyShadow() const {
  return std::make_shared<QRCodeShadow>(type_, offset_, blur_, color_);
}

foundation::Settings QRCodeShadow::settings() const {
  foundation::Settings s = foundation::Settings::object();
  s["offset-width"] = offset_.width;
  s["offset-height"] = offset_.height;
  s["blur"] = blur_;
  s["type"] = static_cast<int>(type_);
  s["color"] = qrcolor::rgbaString(color_);
  return s;
}

std::shared_ptr<QRCodeShadow> QRCodeShadow::Create(const foundation::Settings& settings) {
  if (!settings.is_object() || settings.empty()) return nullptr;
  const auto dx = foundation::doubleValue(settings, "offset-width");
  const auto dy = foundation::doubleValue(settings, "offset-height");
  const auto blur = foundation::doubleValue(settings, "blur");
  if (!dx || !dy || !blur) return nullptr;
  // Values that are not finite are refused rather than drawn.
  if (!std::isfinite(*dx) || !std::isfinite(*dy) || !std::isfinite(*blur)) return nullptr;
  const auto type = foundation::int64Value(settings, "type");
  if (!type || (*type != 0 && *type != 1)) return nullptr;
  const auto colorText = foundation::stringValue(settings, "color");
  if (!colorText) return nullptr;
  std::optional<gfx::Color> color;
  try {
    color = qrcolor::fromRGBAString(*colorText);
  } catch (const foundation::Error&) {
    return nullptr;
  }
  if (!isFiniteColor(*color)) return nullptr;
  return std::make_shared<QRCodeShadow>(static_cast<ShadowType>(*type), *dx, *dy, *blur, *color);
}

gfx::Size QRCodeShadow::scaledOffset(double expectedPixelSize) const {
  if (!std::isfinite(expectedPixelSize)) return {0, 0};
  return {offset_.width * expectedPixelSize, offset_.height * expectedPixelSize};
}

std::string QRCodeShadow::svgDropShadowFilter(std::string_view idView, double expectedPixelSize) const {
  const FilterValues v = filterValues(*this, expectedPixelSize);
  const std::string id(idView);
  std::string t;
  t.reserve(1024 + 8 * id.size());
  t += "<filter\n";
  t += "   style='color-interpolation-filters:sRGB'\n";
  t += "   id='" + id + "'\n";
  t += "   x='-0.1'\n";
  t += "   y='-0.1'\n";
  t += "   width='1.2'\n";
  t += "   height='1.2'>\n";
  t += "     <feFlood\n";
  t += "      result='flood-" + id + "'\n";
  t += "      in='SourceGraphic'\n";
  t += "      flood-opacity='" + v.a + "'\n";
  t += "      flood-color='" + rgbText(v) + "'\n";
  t += "      id='feFlood-" + id + "' />\n";
  t += "     <feGaussianBlur\n";
  t += "      result='blur'\n";
  t += "      in='SourceGraphic'\n";
  t += "      stdDeviation='" + v.s + "'\n";
  t += "      id='feGaussian-" + id + "' />\n";
  t += "     <feOffset\n";
  t += "      result='offset-" + id + "'\n";
  t += "      in='blur'\n";
  t += "      dx='" + v.dx + "'\n";
  t += "      dy='" + v.dy + "'\n";
  t += "      id='feOffset-" + id + "' />\n";
  t += "     <feComposite\n";
  t += "      result='comp1'\n";
  t += "      operator='in'\n";
  t += "      in='flood-" + id + "'\n";
  t += "      in2='offset-" + id + "'\n";
  t += "      id='feComposite-" + id + "-6' />\n";
  t += "     <feComposite\n";
  t += "      result='comp2'\n";
  t += "      operator='over'\n";
  t += "      in='SourceGraphic'\n";
  t += "      in2='comp1'\n";
  t += "      id='feComposite-" + id + "-7' />\n";
  t += "   </filter>\n";
  return t;
}

std::string QRCodeShadow::svgInnerShadowFilter(std::string_view idView, double expectedPixelSize) const {
  const FilterValues v = filterValues(*this, expectedPixelSize);
  const std::string id(idView);
  std::string t;
  t.reserve(1024 + 8 * id.size());
  t += "<filter\n";
  t += " style='color-interpolation-filters:sRGB'\n";
  t += " id='" + id + "'\n";
  t += "   x='-0.1'\n";
  t += "   y='-0.1'\n";
  t += "   width='1.2'\n";
  t += "   height='1.2'>\n";
  t += "  <feFlood\n";
  t += "      result='flood-" + id + "'\n";
  t += "      in='SourceGraphic'\n";
  t += "      flood-opacity='" + v.a + "'\n";
  t += "      flood-color='" + rgbText(v) + "'\n";
  t += "      id='feFlood-" + id + "' />\n";
  t += "  <feGaussianBlur\n";
  t += "      result='blur'\n";
  t += "      in='SourceGraphic'\n";
  t += "      stdDeviation='" + v.s + "'\n";
  t += "      id='feGaussian-" + id + "' />\n";
  t += "  <feOffset\n";
  t += "      result='offset-" + id + "'\n";
  t += "      in='blur'\n";
  t += "      dx='" + v.dx + "'\n";
  t += "      dy='" + v.dy + "'\n";
  t += "      id='feOffset-" + id + "' />\n";
  t += "  <feComposite\n";
  t += "      result='comp1'\n";
  t += "      operator='out'\n";
  t += "      in='flood-" + id + "'\n";
  t += "      in2='offset-" + id + "'\n";
  t += "      id='feComposite-" + id + "-6' />\n";
  t += "  <feComposite\n";
  t += "      result='comp2'\n";
  t += "      operator='atop'\n";
  t += "      in='comp1'\n";
  t += "      in2='SourceGraphic'\n";
  t += "     id='feComposite-" + id + "-7' />\n";
  t += "</filter>\n";
  return t;
}
