#pragma once
// Colours of the QR library: the shared colours, sRGB construction, conversion to sRGB
// components (RGBAComponents) and the two text forms.
//
// RGBA colour string: "r,g,b,a", each component in the shortest round-trip form with a
// fraction ("1.0,0.0,0.0,1.0"). Hex colour string: "#rrggbb" (alpha not written).

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "QRCode/core/QRCodeError.hpp"
#include "platform/foundation/Error.hpp"
#include "platform/graphics/Color.hpp"

enum class RGBAComponentsError {
  unableToUnarchiveColor,  // text: the input that could not be read
  unableToConvertToRGBA,
};

template <>
struct foundation::ErrorTraits<RGBAComponentsError> {
  static constexpr std::string_view domain = "RGBAComponentsError";
  static constexpr std::array<std::string_view, 2> cases{"unableToUnarchiveColor",
                                                         "unableToConvertToRGBA"};
};

// One colour's components in sRGB, stored as given (no range check).
struct RGBAComponents {
  double r, g, b, a;

  RGBAComponents(double r, double g, double b, double a) : r(r), g(g), b(b), a(a) {}

  // The RGBA colour string of the four fields ("0.5,0.25,0.0,1.0"). Never fails.
  std::string stringValue() const;

  friend bool operator==(const RGBAComponents&, const RGBAComponents&) = default;
};

namespace qrcolor {
// --- shared colours and colour spaces (made once, immutable) ---------------------------
const gfx::Color& commonWhite();  // generic gray 1, alpha 1
const gfx::Color& commonBlack();  // generic gray 0, alpha 1
const gfx::Color& commonClear();  // generic gray 0, alpha 0
inline constexpr gfx::ColorSpace commonSRGB() { return gfx::ColorSpace::sRGB; }
inline constexpr gfx::ColorSpace commonLinearRGB() { return gfx::ColorSpace::linearRGB; }
inline constexpr gfx::ColorSpace commonExtendedGray() { return gfx::ColorSpace::extendedGray; }

// --- construction ----------------------------------------------------------------------
// A colour in sRGB from the four values as given. Never fails.
gfx::Color sRGB(double r, double g, double b, double a);
gfx::Color genericGray(double gray, double a);
gfx::Color genericRGB(double r, double g, double b, double a);

// The colour with every component that is not a number made 0 and every infinite one
// limited to 0 or 1, so that its RGBA colour string reads back. Never fails.
gfx::Color finiteColor(const gfx::Color& color);
std::optional<gfx::Color> finiteColor(const std::optional<gfx::Color>& color);

// --- conversion and text forms ---------------------------------------------------------
// The colour's sRGB components. Every colour of this library converts, so this does not
// fail in practice; RGBAComponentsError::unableToConvertToRGBA is its failure.
RGBAComponents rgbaComponents(const gfx::Color& color);

// rgbaComponents(color).stringValue().
std::string rgbaString(const gfx::Color& color);

// Reads an RGBA colour string: fields split at ",", empty fields dropped, each trimmed of
// Unicode spaces and tabs (not line breaks) and read by the number text rule; unreadable
// fields are dropped; values <= 0 become 0 and values > 1 become 1. Exactly four numbers
// give an sRGB colour. Anything else, and any NaN component, fails with
// RGBAComponentsError::unableToUnarchiveColor carrying the whole text.
gfx::Color fromRGBAString(std::string_view text);

// "#rrggbb": each sRGB component times 255, truncated toward zero and limited to 0...255
// (NaN gives 0). Alpha is not written.
std::string hexString(const gfx::Color& color);

// Reads "#rgb", "#rgba", "#rrggbb" or "#rrggbbaa" (the "#" optional, any case, hexadecimal
// digits only) into a colour in the given space. Anything else fails with
// QRCodeError::invalidHexColorString.
gfx::Color fromHexString(std::string_view text, gfx::ColorSpace space = qrcolor::commonSRGB());
}  // namespace qrcolor

// --- text helpers shared with the gradient string --------------------------------------
namespace colortext {
// Splits at every separator, dropping empty fields.
std::vector<std::string_view> split(std::string_view text, char separator);
// Removes leading and trailing Unicode space characters (category Zs) and tabs; line
// breaks stay.
std::string_view trimSpacesAndTabs(std::string_view text);
// The number text rule: not empty, no leading blank, tab, line feed, vertical tab, form
// feed or carriage return, and read whole by the C-locale strtod grammar (sign, decimal,
// exponent, inf, infinity, nan, hexadecimal floats).
std::optional<double> readNumber(std::string_view text);
}  // namespace colortext
