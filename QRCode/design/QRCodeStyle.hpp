#pragma once
// The fills of a design: which fill paints the on modules, the off modules, the eyes, the
// pupils and the background, the plain colours behind the on modules, the off modules and
// the eyes, the background's corner radius and an optional shadow.
//
// Fills, the shadow and the style itself are shared by reference (std::shared_ptr);
// copyStyle makes an independent deep copy. Colours are values.

#include <memory>
#include <optional>
#include <utility>

#include "QRCode/core/QRCodeColor.hpp"
#include "QRCode/design/QRCodeFillStyleGenerator.hpp"
#include "QRCode/design/QRCodeShadow.hpp"
#include "platform/foundation/Settings.hpp"
#include "platform/graphics/Color.hpp"

class QRCodeStyle {
 public:
  // The default style: on modules a solid black (generic gray 0, alpha 1), background a
  // solid white (generic gray 1, alpha 1), everything else absent, radius 0.
  QRCodeStyle();
  static std::shared_ptr<QRCodeStyle> make() { return std::make_shared<QRCodeStyle>(); }

  // The on-module fill is never absent: setting null installs the default black fill.
  const QRCodeFillStyleGeneratorPtr& onPixels() const { return onPixels_; }
  void setOnPixels(QRCodeFillStyleGeneratorPtr fill);
  const std::optional<gfx::Color>& onPixelsBackground() const { return onPixelsBackground_; }
  void setOnPixelsBackground(std::optional<gfx::Color> color) { onPixelsBackground_ = qrcolor::finiteColor(color); }
  const QRCodeFillStyleGeneratorPtr& offPixels() const { return offPixels_; }
  void setOffPixels(QRCodeFillStyleGeneratorPtr fill) { offPixels_ = std::move(fill); }
  const std::optional<gfx::Color>& offPixelsBackground() const { return offPixelsBackground_; }
  void setOffPixelsBackground(std::optional<gfx::Color> color) { offPixelsBackground_ = qrcolor::finiteColor(color); }
  const QRCodeFillStyleGeneratorPtr& eye() const { return eye_; }
  void setEye(QRCodeFillStyleGeneratorPtr fill) { eye_ = std::move(fill); }
  const QRCodeFillStyleGeneratorPtr& pupil() const { return pupil_; }
  void setPupil(QRCodeFillStyleGeneratorPtr fill) { pupil_ = std::move(fill); }
  // May be null (no background; the renderer then uses the clear fill).
  const QRCodeFillStyleGeneratorPtr& background() const { return background_; }
  void setBackground(QRCodeFillStyleGeneratorPtr fill) { background_ = std::move(fill); }
  double backgroundFractionalCornerRadius() const { return backgroundFractionalCornerRadius_; }
  void setBackgroundFractionalCornerRadius(double radius) { backgroundFractionalCornerRadius_ = radius; }
  const QRCodeShadowPtr& shadow() const { return shadow_; }
  void setShadow(QRCodeShadowPtr shadow) { shadow_ = std::move(shadow); }
  const std::optional<gfx::Color>& eyeBackground() const { return eyeBackground_; }
  void setEyeBackground(std::optional<gfx::Color> color) { eyeBackground_ = qrcolor::finiteColor(color); }

  // onPixels becomes the fill; eye and pupil become absent, so that they follow it.
  void setForegroundStyle(QRCodeFillStyleGeneratorPtr fill);

  // eye, else onPixels.
  const QRCodeFillStyleGeneratorPtr& actualEyeStyle() const { return eye_ ? eye_ : onPixels_; }
  // pupil, else eye, else onPixels.
  const QRCodeFillStyleGeneratorPtr& actualPupilStyle() const {
    return pupil_ ? pupil_ : actualEyeStyle();
  }

  // An independent deep copy; raises the first fill copy's error.
  std::shared_ptr<QRCodeStyle> copyStyle() const;

  // The settings dictionary (absent fields are not written; the radius only when > 0).
  // Raises the error of a fill's settings or of a colour that cannot be converted.
  foundation::Settings settings() const;

  // A style from its settings dictionary. Starts from the default style; entries of the
  // wrong kind and fills the factory cannot make are dropped; an absent or unreadable
  // "background" gives no background. Reports no error.
  static std::shared_ptr<QRCodeStyle> CreateWithSettings(const foundation::Settings& settings);

 private:
  QRCodeFillStyleGeneratorPtr onPixels_;
  std::optional<gfx::Color> onPixelsBackground_;
  QRCodeFillStyleGeneratorPtr offPixels_;
  std::optional<gfx::Color> offPixelsBackground_;
  QRCodeFillStyleGeneratorPtr eye_;
  QRCodeFillStyleGeneratorPtr pupil_;
  QRCodeFillStyleGeneratorPtr background_;
  double backgroundFractionalCornerRadius_ = 0.0;
  QRCodeShadowPtr shadow_;
  std::optional<gfx::Color> eyeBackground_;
};

using QRCodeStylePtr = std::shared_ptr<QRCodeStyle>;
