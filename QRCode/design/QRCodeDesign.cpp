#include "QRCode/design/QRCodeDesign.hpp"

#include <cmath>
#include <string>

#include "QRCode/core/QRCode.hpp"
#include "QRCode/core/QRCodeColor.hpp"
#include "QRCode/core/QRCodeError.hpp"
#include "QRCode/design/QRCodeFillStyleSolid.hpp"
#include "platform/foundation/Error.hpp"

QRCodeDesign::QRCodeDesign() : shape_(QRCodeShape::create()), style_(QRCodeStyle::make()) {}

std::shared_ptr<QRCodeDesign> QRCodeDesign::make(const gfx::Color& foreground,
                                                   std::optional<gfx::Color> background) {
  auto design = make();
  design->foregroundColor(foreground).backgroundColor(std::move(background));
  return design;
}

void QRCodeDesign::setShape(QRCodeShapePtr shape) { shape_ = shape ? std::move(shape) : QRCodeShape::create(); }

void QRCodeDesign::setStyle(QRCodeStylePtr style) { style_ = style ? std::move(style) : QRCodeStyle::make(); }

std::shared_ptr<QRCodeDesign> QRCodeDesign::copyDesign() const {
  auto copy = std::make_shared<QRCodeDesign>();
  copy->style_ = style_->copyStyle();
  copy->shape_ = shape_->copyShape();
  copy->additionalQuietZonePixels_ = additionalQuietZonePixels_;
  return copy;
}

QRCodeDesign& QRCodeDesign::foregroundColor(const gfx::Color& color) {
  style_->setForegroundStyle(QRCodeFillStyleSolid::make(color));
  return *this;
}

QRCodeDesign& QRCodeDesign::foregroundStyle(QRCodeFillStyleGeneratorPtr fill) {
  style_->setForegroundStyle(std::move(fill));
  return *this;
}

QRCodeDesign& QRCodeDesign::backgroundColor(std::optional<gfx::Color> color) {
  style_->setBackground(QRCodeFillStyleSolid::make(color ? *color : qrcolor::commonClear()));
  return *this;
}

foundation::Settings QRCodeDesign::settings() const {
  foundation::Settings s = foundation::Settings::object();
  s["shape"] = shape_->settings();
  s["style"] = style_->settings();
  if (additionalQuietZonePixels_ != 0)
    s[std::string(QRCode::SettingsKey::additionalQuietZonePixels())] = additionalQuietZonePixels_;
  return s;
}

foundation::Bytes QRCodeDesign::jsonData() const {
  const auto text = foundation::writeJSON(settings());
  if (!text) foundation::raise(QRCodeError::cannotGenerateJSON, "the design holds a number that is not finite");
  return foundation::bytesOf(*text);
}

std::shared_ptr<QRCodeDesign> QRCodeDesign::CreateWithSettings(const foundation::Settings& settings) {
  auto design = make();
  if (const foundation::Settings* shape = foundation::objectValue(settings, "shape"))
    design->shape_ = QRCodeShape::CreateWithSettings(*shape);
  if (const foundation::Settings* style = foundation::objectValue(settings, "style"))
    design->style_ = QRCodeStyle::CreateWithSettings(*style);
  // A count of modules: negative, NaN or non-numbers give 0, fractions truncate, and the
  // value is capped so that a stored design cannot ask for an unbounded quiet zone.
  std::uint64_t quiet = 0;
  if (const auto value = foundation::doubleValue(settings, QRCode::SettingsKey::additionalQuietZonePixels())) {
    const double v = *value;
    if (v >= 1.0) {
      quiet = v >= static_cast<double>(maxAdditionalQuietZonePixelsRead)
                  ? maxAdditionalQuietZonePixelsRead
                  : static_cast<std::uint64_t>(std::trunc(v));
    }
  }
  design->additionalQuietZonePixels_ = quiet;
  return design;
}

std::shared_ptr<QRCodeDesign> QRCodeDesign::CreateWithJsonData(std::span<const std::uint8_t> json) {
  const std::string_view text(reinterpret_cast<const char*>(json.data()), json.size());
  const auto parsed = foundation::readJSON(text);
  if (!parsed || !parsed->is_object())
    foundation::raise(QRCodeError::cannotCreateGenerator, "the design JSON is not an object");
  return CreateWithSettings(*parsed);
}
