#include "QRCode/core/QRCodeColor.hpp"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>

#include "platform/foundation/Clamp.hpp"
#include "platform/foundation/Numbers.hpp"

std::string RGBAComponents::stringValue() const {
  std::string s = foundation::shortestString(r);
  s += ',';
  s += foundation::shortestString(g);
  s += ',';
  s += foundation::shortestString(b);
  s += ',';
  s += foundation::shortestString(a);
  return s;
}

const gfx::Color& qrcolor::commonWhite() {
  static const gfx::Color c = gfx::Color::genericGray(1.0, 1.0);
  return c;
}
const gfx::Color& qrcolor::commonBlack() {
  static const gfx::Color c = gfx::Color::genericGray(0.0, 1.0);
  return c;
}
const gfx::Color& qrcolor::commonClear() {
  static const gfx::Color c = gfx::Color::genericGray(0.0, 0.0);
  return c;
}

gfx::Color qrcolor::sRGB(double r, double g, double b, double a) { return gfx::Color::sRGB(r, g, b, a); }
gfx::Color qrcolor::genericGray(double gray, double a) { return gfx::Color::genericGray(gray, a); }
gfx::Color qrcolor::genericRGB(double r, double g, double b, double a) { return gfx::Color::genericRGB(r, g, b, a); }

gfx::Color qrcolor::finiteColor(const gfx::Color& color) {
  std::array<double, 5> components{};
  const std::span<const double> given = color.components();
  bool changed = false;
  for (std::size_t i = 0; i < given.size(); ++i) {
    const double v = given[i];
    components[i] = std::isnan(v) ? 0.0 : std::isinf(v) ? (v > 0 ? 1.0 : 0.0) : v;
    changed = changed || !std::isfinite(v);
  }
  if (!changed) return color;
  return *gfx::Color::make(color.space(), std::span<const double>(components.data(), given.size()));
}

std::optional<gfx::Color> qrcolor::finiteColor(const std::optional<gfx::Color>& color) {
  if (!color) return std::nullopt;
  return qrcolor::finiteColor(*color);
}

RGBAComponents qrcolor::rgbaComponents(const gfx::Color& color) {
  const auto c = color.toSRGB();
  return RGBAComponents(c[0], c[1], c[2], c[3]);
}

std::string qrcolor::rgbaString(const gfx::Color& color) { return qrcolor::rgbaComponents(color).stringValue(); }

namespace colortext {

std::vector<std::string_view> split(std::string_view text, char separator) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(separator, start);
    if (end == std::string_view::npos) end = text.size();
    if (end > start) fields.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return fields;
}

namespace {
// Length in bytes of a space character (tab or Unicode Zs) at the start of text, or 0.
std::size_t leadingSpace(std::string_view t) {
  if (t.empty()) return 0;
  const auto b0 = static_cast<unsigned char>(t[0]);
  if (b0 == ' ' || b0 == '\t') return 1;
  if (t.size() >= 2 && b0 == 0xC2 && static_cast<unsigned char>(t[1]) == 0xA0) return 2;  // U+00A0
  if (t.size() >= 3) {
    const auto b1 = static_cast<unsigned char>(t[1]), b2 = static_cast<unsigned char>(t[2]);
    if (b0 == 0xE1 && b1 == 0x9A && b2 == 0x80) return 3;                 // U+1680
    if (b0 == 0xE2 && b1 == 0x80 && (b2 <= 0x8A || b2 == 0xAF)) return 3;  // U+2000-200A, U+202F
    if (b0 == 0xE2 && b1 == 0x81 && b2 == 0x9F) return 3;                 // U+205F
    if (b0 == 0xE3 && b1 == 0x80 && b2 == 0x80) return 3;                 // U+3000
  }
  return 0;
}
// Length of a space character that ends text, or 0.
std::size_t trailingSpace(std::string_view t) {
  for (std::size_t n = 1; n <= 3 && n <= t.size(); ++n) {
    if (leadingSpace(t.substr(t.size() - n)) == n) return n;
  }
  return 0;
}
}  // namespace

std::string_view trimSpacesAndTabs(std::string_view text) {
  while (std::size_t n = leadingSpace(text)) text.remove_prefix(n);
  while (std::size_t n = trailingSpace(text)) text.remove_suffix(n);
  return text;
}

std::optional<double> readNumber(std::string_view text) {
  if (text.empty()) return std::nullopt;
  switch (text.front()) {
    case ' ': case '\t': case '\n': case '\v': case '\f': case '\r': return std::nullopt;
    default: break;
  }
  std::size_t consumed = 0;
  const auto value = foundation::readDouble(text, &consumed);
  if (!value || consumed != text.size()) return std::nullopt;
  return value;
}

}  // namespace colortext

gfx::Color qrcolor::fromRGBAString(std::string_view text) {
  std::array<double, 4> v{};
  std::size_t count = 0;
  for (std::string_view field : colortext::split(text, ',')) {
    const auto number = colortext::readNumber(colortext::trimSpacesAndTabs(field));
    if (!number) continue;
    double x = *number;
    if (std::isnan(x)) foundation::raise(RGBAComponentsError::unableToUnarchiveColor, std::string(text));
    if (x <= 0) x = 0;
    if (x > 1) x = 1;
    if (count < 4) v[count] = x;
    ++count;
  }
  if (count != 4) foundation::raise(RGBAComponentsError::unableToUnarchiveColor, std::string(text));
  return gfx::Color::sRGB(v[0], v[1], v[2], v[3]);
}

std::string qrcolor::hexString(const gfx::Color& color) {
  const RGBAComponents c = qrcolor::rgbaComponents(color);
  auto byte = [](double v) {
    return static_cast<int>(foundation::clampedToRange(v * 255.0, 0.0, 255.0));  // toward zero
  };
  char buf[8];
  std::snprintf(buf, sizeof buf, "#%02x%02x%02x", byte(c.r), byte(c.g), byte(c.b));
  return buf;
}

gfx::Color qrcolor::fromHexString(std::string_view text, gfx::ColorSpace space) {
  std::string s(text);
  for (char& ch : s) {
    if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
  }
  if (!s.empty() && s.front() == '#') s.erase(0, 1);
  switch (s.size()) {
    case 3: s += 'f'; [[fallthrough]];
    case 4: s = {s[0], s[0], s[1], s[1], s[2], s[2], s[3], s[3]}; break;
    case 6: s += "ff"; break;
    case 8: break;
    default: foundation::raise(QRCodeError::invalidHexColorString);
  }
  std::uint32_t value = 0;
  for (char ch : s) {
    int digit;
    if (ch >= '0' && ch <= '9') digit = ch - '0';
    else if (ch >= 'a' && ch <= 'f') digit = ch - 'a' + 10;
    else foundation::raise(QRCodeError::invalidHexColorString);
    value = (value << 4) | static_cast<std::uint32_t>(digit);
  }
  const double rgba[4] = {((value >> 24) & 0xff) / 255.0, ((value >> 16) & 0xff) / 255.0,
                          ((value >> 8) & 0xff) / 255.0, (value & 0xff) / 255.0};
  // A space without four components (gray, CMYK) cannot hold the colour.
  if (auto c = gfx::Color::make(space, rgba)) return *c;
  foundation::raise(QRCodeError::invalidHexColorString);
}
