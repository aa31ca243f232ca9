#include "QRCode/core/QRCodeEngine.hpp"

std::string_view QRCodeErrorCorrectionLetter(int errorCorrection) noexcept {
  switch (errorCorrection) {
    case 0: return "L";
    case 1: return "M";
    case 2: return "Q";
    case 3: return "H";
    default: return {};
  }
}

std::shared_ptr<QRCodeEngine> qrcore::engineForCopy(const std::shared_ptr<QRCodeEngine>& engine) {
  if (!engine) return engine;
  std::shared_ptr<QRCodeEngine> copy = engine->copyEngine();
  return copy ? copy : engine;
}
