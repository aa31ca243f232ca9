#include "QRCode/eye/QRCodeEyeShapeGenerator.hpp"

GeneratorSettingsRecord QRCodeEyeShapeGenerator::typeAndSettings() const {
  return qrshape::makeGeneratorSettingsRecord(name(), settings());
}
