#include "app/share/ShareQRImage.hpp"

#include <memory>

#include "QRCode/QRCode+Document.hpp"
#include "QRCode/QRCodeEyeShape.hpp"
#include "QRCode/QRCodeFillStyleSolid.hpp"
#include "QRCode/QRCodePixelShape.hpp"
#include "platform/foundation/Error.hpp"
#include "platform/graphics/Color.hpp"

namespace {

constexpr std::int64_t kDimension = 300;
constexpr double kDPI = 72.0;

}  // namespace

std::optional<SharePanelImage> makeShareQRImage(const std::string& text) {
  try {
    QRCodeDocument document(text, QRCode::ErrorCorrection::medium, nullptr);

    const auto& shape = document.design()->shape();
    shape->setOnPixels(std::make_shared<QRCodePixelShapeRoundedRect>(
        /*cornerRadiusFraction=*/0.7, std::make_shared<QRCodePixelInsetFixed>(),
        /*insetFraction=*/0.1, /*rotationFraction=*/0.0, /*useRandomRotation=*/false));
    // No pupil: the eye's own default pupil is drawn.
    shape->setEye(std::make_shared<QRCodeEyeShapeRoundedRect>());
    shape->setPupil(nullptr);

    const auto& style = document.design()->style();
    style->setBackground(QRCodeFillStyleSolid::make(gfx::Color::genericGray(0.0, 0.0)));
    // One white fill shared by the modules, the eye and the pupil.
    const auto white = QRCodeFillStyleSolid::make(gfx::Color::genericGray(1.0, 1.0));
    style->setOnPixels(white);
    style->setEye(white);
    style->setPupil(white);

    return document.nsImageWithDimension(kDimension, kDPI);
  } catch (const foundation::Error&) {
    // Failures inside the panel are silent: no code is shown.
    return std::nullopt;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}
