#include "QRCode/eye/QRCodePupilShapeGenerator.hpp"

GeneratorSettingsRecord QRCodePupilShapeGenerator::typeAndSettings() const {
  return makeGeneratorSettingsRecord(name(), settings());
}
