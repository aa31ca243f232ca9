#include "QRCode/pixel/CommonPixelShapes.hpp"

#include <cmath>
#include <string>
#include <utility>

#include "QRCode/core/QRCodeBoolMatrix.hpp"
#include "platform/foundation/Settings.hpp"

namespace {

struct KeyName {
  std::uint8_t bit;
  std::string_view name;
};

// In the order setSettingValue compares them.
constexpr KeyName keyNames[] = {
    {CommonPixelKey::insetFraction, "insetFraction"},
    {CommonPixelKey::insetGeneratorName, "insetGeneratorName"},
    {CommonPixelKey::cornerRadiusFraction, "cornerRadiusFraction"},
    {CommonPixelKey::rotationFraction, "rotationFraction"},
    {CommonPixelKey::useRandomRotation, "useRandomRotation"},
    {CommonPixelKey::useRandomInset, "useRandomInset"},
};

std::uint8_t keyBit(std::string_view key) {
  for (const auto& k : keyNames)
    if (k.name == key) return k.bit;
  return 0;
}

bool isRandomInset(const QRCodePixelInsetGenerator& generator) {
  return dynamic_cast<const QRCodePixelInsetRandom*>(&generator) != nullptr;
}

}  // namespace

CommonPixelShape::CommonPixelShape(const CommonPixelShapeTraits& traits, Configuration c)
    : traits_(&traits),
      common_(traits.pixelType,
              traits.handledKeys == 0 ? nullptr : std::move(c.insetGenerator),
              traits.handledKeys == 0 ? 0.0 : c.insetFraction,
              (traits.handledKeys & CommonPixelKey::cornerRadiusFraction) ? c.cornerRadiusFraction : 0.0,
              (traits.handledKeys & CommonPixelKey::rotationFraction) ? c.rotationFraction : 0.0,
              (traits.handledKeys & CommonPixelKey::useRandomRotation) ? c.useRandomRotation : false) {}

CommonPixelShape::Configuration CommonPixelShape::copyConfiguration() const {
  return Configuration{common_.insetGenerator()->copyInsetGenerator(), common_.insetFraction(),
                       common_.cornerRadiusFraction(), common_.rotationFraction(),
                       common_.useRandomRotation()};
}

CommonPixelShape::Configuration CommonPixelShape::configurationFrom(const CommonPixelShapeTraits& traits,
                                                                    const foundation::Settings& settings) {
  Configuration c;
  const std::uint8_t handled = traits.handledKeys;
  if (handled == 0) return c;  // classes without settings ignore the dictionary

  // Stored as read: a negative inset enlarges the modules (drawing bounds what it uses).
  // A number that is not finite counts as missing.
  const auto inset = foundation::doubleValue(settings, "insetFraction");
  c.insetFraction = inset && std::isfinite(*inset) ? *inset : traits.defaultInsetFraction;
  if (handled & CommonPixelKey::cornerRadiusFraction)
    c.cornerRadiusFraction =
        foundation::doubleValue(settings, "cornerRadiusFraction").value_or(traits.defaultCornerRadiusFraction);
  if (handled & CommonPixelKey::rotationFraction)
    c.rotationFraction = foundation::doubleValue(settings, "rotationFraction").value_or(0.0);
  if (handled & CommonPixelKey::useRandomRotation)
    c.useRandomRotation = foundation::boolValue(settings, "useRandomRotation").value_or(false);

  // A named inset generator wins (an unknown name falls back to "fixed"); without a name
  // the older flag chooses between "random" and "fixed".
  if (const auto name = foundation::stringValue(settings, "insetGeneratorName")) {
    c.insetGenerator = QRCodePixelInset::generatorNamed(*name);
  } else if (foundation::boolValue(settings, "useRandomInset").value_or(false)) {
    c.insetGenerator = QRCodePixelInsetRandom::Create();
  }
  if (!c.insetGenerator) c.insetGenerator = QRCodePixelInsetFixed::Create();
  return c;
}

gfx::Path CommonPixelShape::generatePathFrom(const QRCodeBoolMatrix& matrix, gfx::Size size) {
  return common_.generatePath(matrix, size);
}

foundation::Settings CommonPixelShape::settings() const {
  foundation::Settings result = foundation::Settings::object();
  const std::uint8_t written = traits_->writtenKeys;
  if (written & CommonPixelKey::insetGeneratorName)
    result["insetGeneratorName"] = std::string(common_.insetGenerator()->name());
  if (written & CommonPixelKey::insetFraction) result["insetFraction"] = common_.insetFraction();
  if (written & CommonPixelKey::cornerRadiusFraction)
    result["cornerRadiusFraction"] = common_.cornerRadiusFraction();
  if (written & CommonPixelKey::rotationFraction) result["rotationFraction"] = common_.rotationFraction();
  if (written & CommonPixelKey::useRandomRotation) result["useRandomRotation"] = common_.useRandomRotation();
  // Readers that know only the older flag still get a random inset.
  if ((written & CommonPixelKey::useRandomInset) && isRandomInset(*common_.insetGenerator()))
    result["useRandomInset"] = true;
  return result;
}

bool CommonPixelShape::supportsSettingValueForKey(std::string_view key) const {
  const std::uint8_t bit = keyBit(key);
  return bit != 0 && (traits_->supportedKeys & bit) != 0;
}

bool CommonPixelShape::setSettingValue(const foundation::Settings& value, std::string_view key) {
  const std::uint8_t bit = keyBit(key);
  if (bit == 0 || (traits_->handledKeys & bit) == 0) return false;
  switch (bit) {
    case CommonPixelKey::insetFraction: return common_.applyInsetFraction(value);
    case CommonPixelKey::insetGeneratorName: return common_.applyInsetGeneratorName(value);
    case CommonPixelKey::cornerRadiusFraction: return common_.applyCornerRadiusFraction(value);
    case CommonPixelKey::rotationFraction: return common_.applyRotationFraction(value);
    case CommonPixelKey::useRandomRotation: return common_.applyUseRandomRotation(value);
    case CommonPixelKey::useRandomInset: {
      // Absent means false; a value that is not a number is refused.
      const auto random = foundation::settingValueOr(value, false, foundation::BoolValue);
      if (!random) return false;
      if (*random)
        common_.setInsetGenerator(QRCodePixelInsetRandom::Create());
      else
        common_.setInsetGenerator(QRCodePixelInsetFixed::Create());
      return true;
    }
    default: return false;
  }
}
