#pragma once
// The registry of the fill families, in the fixed order "solid", "lineargradient",
// "radialgradient", "image", and the reader of a fill's GeneratorSettingsRecord.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "QRCode/design/QRCodeFillStyleGenerator.hpp"
#include "QRCode/pixel/GeneratorSettingsRecord.hpp"
#include "platform/foundation/Settings.hpp"

class QRCodeFillStyleFactory {
 public:
  // One registered family: its Name and its CreateWithSettings. A family that this build
  // does not provide has no create operation; reading its records fails with
  // QRCodeError::cannotCreateGenerator.
  struct Family {
    std::string_view name;
    std::shared_ptr<QRCodeFillStyleGenerator> (*create)(const foundation::Settings& settings);
  };

  // The one shared factory, made on first use.
  static const QRCodeFillStyleFactory& shared();

  // The Name of every registered family, in registration order.
  std::vector<std::string> knownTypes() const;

  // A new fill from a record {"type": Name, "settings": {...}}. Raises
  // QRCodeError::cannotCreateGenerator for an empty record, a "type" that is missing, not
  // text or names no registered family (compared exactly); a "settings" value that is not
  // an object counts as an empty dictionary; the family's own error passes unchanged.
  std::shared_ptr<QRCodeFillStyleGenerator> CreateWithSettings(const GeneratorSettingsRecord& record) const;

  const std::vector<Family>& families() const { return families_; }

 private:
  QRCodeFillStyleFactory();
  std::vector<Family> families_;
};
