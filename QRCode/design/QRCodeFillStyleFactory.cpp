#include "QRCode/design/QRCodeFillStyleFactory.hpp"

#include "QRCode/core/QRCodeError.hpp"
#include "QRCode/design/QRCodeFillStyleImage.hpp"
#include "QRCode/design/QRCodeFillStyleLinearGradient.hpp"
#include "QRCode/design/QRCodeFillStyleRadialGradient.hpp"
#include "QRCode/design/QRCodeFillStyleSolid.hpp"
#include "platform/foundation/Error.hpp"

QRCodeFillStyleFactory::QRCodeFillStyleFactory() {
  // The fixed registration order of the families.
  families_ = {
      {QRCodeFillStyleSolid::Name(),
       [](const foundation::Settings& s) -> std::shared_ptr<QRCodeFillStyleGenerator> {
         return QRCodeFillStyleSolid::CreateWithSettings(s);
       }},
      {QRCodeFillStyleLinearGradient::Name(),
       [](const foundation::Settings& s) -> std::shared_ptr<QRCodeFillStyleGenerator> {
         return QRCodeFillStyleLinearGradient::CreateWithSettings(s);
       }},
      {QRCodeFillStyleRadialGradient::Name(),
       [](const foundation::Settings& s) -> std::shared_ptr<QRCodeFillStyleGenerator> {
         return QRCodeFillStyleRadialGradient::CreateWithSettings(s);
       }},
      {QRCodeFillStyleImage::Name(),
       [](const foundation::Settings& s) -> std::shared_ptr<QRCodeFillStyleGenerator> {
         return QRCodeFillStyleImage::CreateWithSettings(s);
       }},
  };
}

const QRCodeFillStyleFactory& QRCodeFillStyleFactory::shared() {
  static const QRCodeFillStyleFactory factory;
  return factory;
}

std::vector<std::string> QRCodeFillStyleFactory::knownTypes() const {
  std::vector<std::string> names;
  names.reserve(families_.size());
  for (const Family& f : families_) names.emplace_back(f.name);
  return names;
}

std::shared_ptr<QRCodeFillStyleGenerator> QRCodeFillStyleFactory::CreateWithSettings(
    const GeneratorSettingsRecord& record) const {
  if (!record.is_object() || record.empty())
    foundation::raise(QRCodeError::cannotCreateGenerator, "the fill record is empty");
  const auto type = foundation::stringValue(record, "type");
  if (!type) foundation::raise(QRCodeError::cannotCreateGenerator, "the fill record has no \"type\" text");
  const foundation::Settings* found = foundation::objectValue(record, "settings");
  static const foundation::Settings empty = foundation::Settings::object();
  const foundation::Settings& settings = found ? *found : empty;
  for (const Family& f : families_) {
    if (f.name != *type) continue;
    if (!f.create)
      foundation::raise(QRCodeError::cannotCreateGenerator, "the fill type \"" + *type + "\" is not available");
    return f.create(settings);
  }
  foundation::raise(QRCodeError::cannotCreateGenerator, "no fill type is named \"" + *type + "\"");
}
