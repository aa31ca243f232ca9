#include "QRCode/core/KvelGradient.hpp"

#include <algorithm>
#include <cmath>
#include <optional>

#include "platform/foundation/Numbers.hpp"

namespace {

double limitedPosition(double p) {
  if (std::isnan(p)) return 0;
  if (p > 1) p = 1;
  if (p < 0) p = 0;
  return p;
}

// The gradient number formatter's reading: an optional sign, digits with an optional "."
// fraction (at least one digit), nothing else.
std::optional<double> readGradientNumber(std::string_view text) {
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
  std::size_t digits = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') { ++i; ++digits; }
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') { ++i; ++digits; }
  }
  if (digits == 0 || i != text.size()) return std::nullopt;
  return foundation::parseDouble(text);
}

// The gradient number formatter's writing: at most four fraction digits, half to even.
std::string gradientNumber(double v) {
  if (!std::isfinite(v)) return "0";
  return foundation::fixedString(v, 4);
}

gfx::Gradient buildGradient(const std::vector<KvelGradientPin>& pins) {
  std::vector<gfx::Color> colors;
  std::vector<double> locations;
  colors.reserve(pins.size());
  locations.reserve(pins.size());
  for (const auto& pin : pins) {
    colors.push_back(pin.color());
    locations.push_back(pin.position());
  }
  auto g = gfx::Gradient::make(colors, locations);
  if (!g) foundation::raise(KvelGradient::GradientError::cannotCreateCoreGraphicsGradient);
  return std::move(*g);
}

std::vector<KvelGradientPin> pinsFrom(const std::vector<std::pair<double, gfx::Color>>& list) {
  std::vector<KvelGradientPin> pins;
  pins.reserve(list.size());
  for (const auto& [position, color] : list) pins.emplace_back(color, position);
  return pins;
}

std::vector<KvelGradientPin> pinsFrom(const std::vector<std::pair<double, std::string>>& list) {
  std::vector<KvelGradientPin> pins;
  pins.reserve(list.size());
  for (const auto& [position, hex] : list) pins.push_back(KvelGradientPin::withHexColor(hex, position));
  return pins;
}

}  // namespace

KvelGradientPin::KvelGradientPin(gfx::Color color, double position)
    : color_(std::move(color)), position_(limitedPosition(position)) {}

KvelGradientPin KvelGradientPin::withHexColor(std::string_view hexColor, double position) {
  return KvelGradientPin(qrcolor::fromHexString(hexColor, qrcolor::commonSRGB()), position);
}

KvelGradient::KvelGradient(std::vector<Pin> pins, gfx::ColorSpace /*colorspace*/) : pins_(std::move(pins)) {
  std::stable_sort(pins_.begin(), pins_.end(),
                   [](const Pin& l, const Pin& r) { return l.position() < r.position(); });
  gradient_ = buildGradient(pins_);
}

KvelGradient::KvelGradient(const std::vector<std::pair<double, gfx::Color>>& positionsAndColors)
    : KvelGradient(pinsFrom(positionsAndColors), qrcolor::commonSRGB()) {}

KvelGradient::KvelGradient(const std::vector<std::pair<double, std::string>>& positionsAndHexColors)
    : KvelGradient(pinsFrom(positionsAndHexColors), qrcolor::commonSRGB()) {}

KvelGradient KvelGradient::copyGradient() const {
  std::vector<Pin> pins;
  pins.reserve(pins_.size());
  for (const auto& pin : pins_) pins.push_back(pin.copyPin());
  return KvelGradient(std::move(pins), qrcolor::commonSRGB());
}

std::string KvelGradient::asRGBAGradientString() const {
  std::string text;
  text.reserve(pins_.size() * 24);
  for (const auto& pin : pins_) {
    const RGBAComponents c = qrcolor::rgbaComponents(pin.color());
    if (!text.empty()) text += '|';
    text += foundation::shortestString(pin.position());
    text += ':';
    text += gradientNumber(c.r);
    text += ',';
    text += gradientNumber(c.g);
    text += ',';
    text += gradientNumber(c.b);
    text += ',';
    text += gradientNumber(c.a);
  }
  return text;
}

KvelGradient KvelGradient::FromRGBAGradientString(std::string_view text) {
  const auto fields = colortext::split(text, '|');
  if (fields.size() < 2) foundation::raise(GradientError::tooFewPins);
  if (fields.size() > maxPins)
    foundation::raise(GradientError::invalidPin, "more than " + std::to_string(maxPins) + " pins");
  std::vector<Pin> pins;
  pins.reserve(fields.size());
  for (std::string_view field : fields) {
    const auto parts = colortext::split(field, ':');
    if (parts.size() != 2) foundation::raise(GradientError::tooFewPins);
    const auto position = colortext::readNumber(colortext::trimSpacesAndTabs(parts[0]));
    if (!position) foundation::raise(GradientError::invalidPin);
    std::array<double, 4> v{};
    std::size_t count = 0;
    for (std::string_view component : colortext::split(colortext::trimSpacesAndTabs(parts[1]), ',')) {
      const auto number = readGradientNumber(colortext::trimSpacesAndTabs(component));
      if (!number) continue;
      double x = *number;
      if (x <= 0) x = 0;
      if (x > 1) x = 1;
      if (count < 4) v[count] = x;
      ++count;
    }
    if (count != 4) foundation::raise(GradientError::invalidColor);
    double p = *position;
    if (p <= 0) p = 0;
    if (p > 1) p = 1;
    pins.emplace_back(gfx::Color::sRGB(v[0], v[1], v[2], v[3]), p);
  }
  return KvelGradient(std::move(pins), qrcolor::commonSRGB());
}
