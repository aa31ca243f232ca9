#include "QRCode/pixel/QRCodePixelShapeGenerator.hpp"

#include <string>

GeneratorSettingsRecord qrshape::makeGeneratorSettingsRecord(std::string_view type, foundation::Settings settings) {
  GeneratorSettingsRecord record = foundation::Settings::object();
  record["type"] = std::string(type);
  record["settings"] = settings.is_object() ? std::move(settings) : foundation::Settings::object();
  return record;
}

GeneratorSettingsRecord QRCodePixelShapeGenerator::typeAndSettings() const {
  return qrshape::makeGeneratorSettingsRecord(name(), settings());
}
