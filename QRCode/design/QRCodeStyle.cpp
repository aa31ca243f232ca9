#include "QRCode/design/QRCodeStyle.hpp"

#include <cmath>

#include "QRCode/core/QRCodeColor.hpp"
#include "QRCode/design/QRCodeFillStyleFactory.hpp"
#include "QRCode/design/QRCodeFillStyleSolid.hpp"
#include "platform/foundation/Error.hpp"

namespace {

QRCodeFillStyleGeneratorPtr defaultOnPixels() { return QRCodeFillStyleSolid::make(qrcolor::commonBlack()); }
QRCodeFillStyleGeneratorPtr defaultBackground() { return QRCodeFillStyleSolid::make(qrcolor::commonWhite()); }

QRCodeFillStyleGeneratorPtr copyOf(const QRCodeFillStyleGeneratorPtr& fill) {
  return fill ? fill->copyStyle() : nullptr;
}

// A fill read from a record under key; null when the entry is not an object or the
// factory cannot make it (its error is dropped).
QRCodeFillStyleGeneratorPtr readFill(const foundation::Settings& settings, std::string_view key) {
  const foundation::Settings* record = foundation::objectValue(settings, key);
  if (!record) return nullptr;
  try {
    return QRCodeFillStyleFactory::shared().CreateWithSettings(*record);
  } catch (const foundation::Error&) {
    return nullptr;
  }
}

// A colour stored as {"color": RGBA colour string}; none for anything else.
std::optional<gfx::Color> readColor(const foundation::Settings& settings, std::string_view key) {
  const foundation::Settings* entry = foundation::objectValue(settings, key);
  if (!entry) return std::nullopt;
  const auto text = foundation::stringValue(*entry, "color");
  if (!text) return std::nullopt;
  try {
    return qrcolor::fromRGBAString(*text);
  } catch (const foundation::Error&) {
    return std::nullopt;
  }
}

foundation::Settings colorEntry(const gfx::Color& color) {
  foundation::Settings entry = foundation::Settings::object();
  entry["color"] = qrcolor::rgbaString(color);
  return entry;
}

}  // namespace

QRCodeStyle::QRCodeStyle() : onPixels_(defaultOnPixels()), background_(defaultBackground()) {}

void QRCodeStyle::setOnPixels(QRCodeFillStyleGeneratorPtr fill) {
  onPixels_ = fill ? std::move(fill) : defaultOnPixels();
}

void QRCodeStyle::setForegroundStyle(QRCodeFillStyleGeneratorPtr fill) {
  setOnPixels(std::move(fill));
  eye_.reset();
  pupil_.reset();
}

std::shared_ptr<QRCodeStyle> QRCodeStyle::copyStyle() const {
  auto copy = std::make_shared<QRCodeStyle>();
  copy->onPixels_ = onPixels_->copyStyle();
  copy->onPixelsBackground_ = onPixelsBackground_;
  copy->offPixels_ = copyOf(offPixels_);
  copy->offPixelsBackground_ = offPixelsBackground_;
  copy->background_ = copyOf(background_);
  copy->backgroundFractionalCornerRadius_ = backgroundFractionalCornerRadius_;
  copy->eye_ = copyOf(eye_);
  copy->eyeBackground_ = eyeBackground_;
  copy->pupil_ = copyOf(pupil_);
  copy->shadow_ = shadow_ ? shadow_->copyShadow() : nullptr;
  return copy;
}

foundation::Settings QRCodeStyle::settings() const {
  foundation::Settings s = foundation::Settings::object();
  s["onPixels"] = onPixels_->typeAndSettings();
  if (eye_) s["eye"] = eye_->typeAndSettings();
  if (pupil_) s["pupil"] = pupil_->typeAndSettings();
  if (background_) s["background"] = background_->typeAndSettings();
  if (backgroundFractionalCornerRadius_ > 0.0) s["backgroundFractionalCornerRadius"] = backgroundFractionalCornerRadius_;
  if (offPixels_) s["offPixels"] = offPixels_->typeAndSettings();
  if (eyeBackground_) s["eyeBackground"] = colorEntry(*eyeBackground_);
  if (onPixelsBackground_) s["onPixelsBackground"] = colorEntry(*onPixelsBackground_);
  if (offPixelsBackground_) s["offPixelsBackground"] = colorEntry(*offPixelsBackground_);
  if (shadow_) s["shadow"] = shadow_->settings();
  return s;
}

std::shared_ptr<QRCodeStyle> QRCodeStyle::CreateWithSettings(const foundation::Settings& settings) {
  auto style = std::make_shared<QRCodeStyle>();
  if (auto fill = readFill(settings, "onPixels")) style->onPixels_ = std::move(fill);
  style->eye_ = readFill(settings, "eye");
  style->pupil_ = readFill(settings, "pupil");
  // A stored style without a background reads back without one.
  style->background_ = readFill(settings, "background");
  if (const auto radius = foundation::doubleValue(settings, "backgroundFractionalCornerRadius")) {
    style->backgroundFractionalCornerRadius_ = (std::isnan(*radius) || *radius < 0.0) ? 0.0 : *radius;
  }
  style->offPixels_ = readFill(settings, "offPixels");
  style->eyeBackground_ = readColor(settings, "eyeBackground");
  style->onPixelsBackground_ = readColor(settings, "onPixelsBackground");
  style->offPixelsBackground_ = readColor(settings, "offPixelsBackground");
  if (const foundation::Settings* shadow = foundation::objectValue(settings, "shadow"))
    style->shadow_ = QRCodeShadow::Create(*shadow);
  return style;
}
