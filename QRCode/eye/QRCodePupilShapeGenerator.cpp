#include "QRCode/eye/QRCodePupilShapeGenerator.hpp"

GeneratorSettingsRecord QRCodePupilShapeGenerator::typeAndSettings() const {
  return qrshape::makeGeneratorSettingsRecord(name(), settings());
}
