#pragma once
// A colour gradient: pins (a colour at a position in 0...1) sorted by position, and the
// drawable gradient made from them. Immutable after construction.
//
// RGBA gradient string: pins joined by "|", each "position:r,g,b,a" with the position in
// the shortest round-trip form and the components with at most four fraction digits:
//   "0.0:1,0,0,1|1.0:0,0,1,0.5"

#include <array>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "QRCode/core/QRCodeColor.hpp"
#include "platform/foundation/Error.hpp"
#include "platform/graphics/Canvas.hpp"
#include "platform/graphics/Color.hpp"

class KvelGradientPin {
 public:
  // The position is limited: above 1 gives 1, below 0 gives 0, NaN gives 0.
  KvelGradientPin(gfx::Color color, double position);
  // The colour read from hex text in sRGB; fails with QRCodeError::invalidHexColorString.
  static KvelGradientPin withHexColor(std::string_view hexColor, double position);

  double position() const { return position_; }
  const gfx::Color& color() const { return color_; }
  KvelGradientPin copyPin() const { return *this; }

  friend bool operator==(const KvelGradientPin&, const KvelGradientPin&) = default;

 private:
  gfx::Color color_;
  double position_;
};

class KvelGradient {
 public:
  using Pin = KvelGradientPin;

  enum class GradientError {
    couldntConvertColorspace,
    tooFewPins,
    invalidPin,
    invalidColor,
    cannotCreateCoreGraphicsGradient,
  };

  // Sorts the pins by position (stable) and builds the drawable gradient; fails with
  // cannotCreateCoreGraphicsGradient when it cannot be built (no pins). The drawable
  // gradient interpolates in sRGB whatever the space (the space is not kept).
  KvelGradient(std::vector<Pin> pins, gfx::ColorSpace colorspace);
  // One pin per pair, in sRGB.
  explicit KvelGradient(const std::vector<std::pair<double, gfx::Color>>& positionsAndColors);
  // One pin per pair through the hex pin constructor (its error passes through), in sRGB.
  explicit KvelGradient(const std::vector<std::pair<double, std::string>>& positionsAndHexColors);

  const std::vector<Pin>& pins() const { return pins_; }
  const gfx::Gradient& cgGradient() const { return gradient_; }

  // A new gradient from copies of the pins, built in sRGB.
  KvelGradient copyGradient() const;

  // The RGBA gradient string. Fails with RGBAComponentsError::unableToConvertToRGBA.
  std::string asRGBAGradientString() const;
  // The most pins a gradient string may hold: far more than any drawn gradient needs, few
  // enough that drawing and writing stay fast.
  static constexpr std::size_t maxPins = 1024;

  // Reads an RGBA gradient string. Fails with a GradientError (invalidPin for more than
  // maxPins pins).
  static KvelGradient FromRGBAGradientString(std::string_view text);

  // Equal pins.
  friend bool operator==(const KvelGradient& l, const KvelGradient& r) { return l.pins_ == r.pins_; }

 private:
  std::vector<Pin> pins_;
  gfx::Gradient gradient_;
};

template <>
struct foundation::ErrorTraits<KvelGradient::GradientError> {
  static constexpr std::string_view domain = "KvelGradient.GradientError";
  static constexpr std::array<std::string_view, 5> cases{
      "couldntConvertColorspace", "tooFewPins", "invalidPin", "invalidColor",
      "cannotCreateCoreGraphicsGradient"};
};
