#include "QRCode/eye/QRCodeEyeShapeGenerator.hpp"

GeneratorSettingsRecord QRCodeEyeShapeGenerator::typeAndSettings() const {
  return makeGeneratorSettingsRecord(name(), settings());
}
