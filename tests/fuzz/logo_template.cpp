// A logo template from its archive form and from its encoded form, masking a matrix, and
// written back.

#include <memory>

#include "QRCode/core/QRCodeBoolMatrix.hpp"
#include "QRCode/design/QRCodeLogoTemplate.hpp"
#include "imageio/ImagePixelBudget.hpp"
#include "platform/foundation/Settings.hpp"
#include "support/Fuzz.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::optional<foundation::Settings> settings = foundation::readJSON(fuzzText(data, size));
  if (!settings || !settings->is_object()) return 0;
  const ImagePixelBudget budget(kFuzzMaxImagePixels);
  std::shared_ptr<QRCodeLogoTemplate> logos[2];
  fuzzAttempt([&] { logos[0] = QRCodeLogoTemplate::CreateWithSettings(*settings); });
  fuzzAttempt([&] { logos[1] = QRCodeLogoTemplate::decode(*settings); });
  const auto matrix = std::make_shared<const QRCodeBoolMatrix>(QRCodeBoolMatrix(25).flipped());
  for (const auto& logo : logos) {
    if (!logo) continue;
    const auto masked = logo->applyingMask(matrix, 100);
    fuzzRequire(masked && masked->dimension() == 25, "masking keeps the matrix size");
    fuzzRequire(foundation::writeJSON(logo->settings()).has_value(), "the archive form holds only finite numbers");
    fuzzAttempt([&] { (void)QRCodeLogoTemplate::decode(logo->encode()); });
  }
  return 0;
}
