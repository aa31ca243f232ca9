// A design from settings: drawn as a bitmap and as SVG, written and read back.

#include <string>

#include "QRCode/core/QRCode.hpp"
#include "QRCode/core/QRCodeEngineExternal.hpp"
#include "QRCode/design/QRCodeDesign.hpp"
#include "QRCode/render/QRCodeImageExports.hpp"
#include "QRCode/render/QRCodeSVGExport.hpp"
#include "imageio/ImagePixelBudget.hpp"
#include "platform/foundation/Settings.hpp"
#include "support/Fuzz.hpp"

namespace {

const QRCode& code() {
  static const QRCode qr("fuzz", QRCode::ErrorCorrection::low, std::make_shared<QRCodeEngineExternal>());
  return qr;
}

// The text without the base64 payloads of embedded images, whose letters may spell
// anything.
std::string withoutEmbeddedData(std::string text) {
  for (std::size_t at = text.find("base64,"); at != std::string::npos; at = text.find("base64,", at + 7)) {
    const std::size_t end = text.find('"', at);
    text.erase(at + 7, end == std::string::npos ? std::string::npos : end - at - 7);
  }
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::optional<foundation::Settings> settings = foundation::readJSON(fuzzText(data, size));
  if (!settings || !settings->is_object()) return 0;
  const ImagePixelBudget budget(kFuzzMaxImagePixels);
  std::shared_ptr<QRCodeDesign> design;
  if (!fuzzAttempt([&] { design = QRCodeDesign::CreateWithSettings(*settings); }) || !design) return 0;
  fuzzAttempt([&] { (void)qrrender::cgImageWithDimension(code(), 40, *design, nullptr); });
  std::string svgText;
  if (fuzzAttempt([&] { svgText = withoutEmbeddedData(qrrender::svg(code(), 40, *design, nullptr)); })) {
    fuzzRequire(svgText.find("nan") == std::string::npos && svgText.find("inf") == std::string::npos,
                "the SVG holds only finite numbers");
  }
  foundation::Settings written;
  if (!fuzzAttempt([&] { written = design->settings(); })) return 0;
  const std::optional<std::string> text = foundation::writeJSON(written);
  fuzzRequire(text.has_value(), "a design's settings hold only finite numbers");
  std::shared_ptr<QRCodeDesign> back;
  fuzzRequire(fuzzAttempt([&] { back = QRCodeDesign::CreateWithSettings(*foundation::readJSON(*text)); }) && back,
              "written settings read back");
  return 0;
}
