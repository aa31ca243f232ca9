#pragma once
// The pupil-shape generator interface: the solid centre of a QR finder pattern, drawn as
// one path in the 90 x 90 unit eye space (10 units per module). The pupil box is the
// rectangle (30, 30, 30, 30): every pupil path lies within 30...60 on both axes and is
// made of closed subpaths. (30, 30) is the pupil's outer corner at the top-left finder
// pattern; the renderer mirrors the path for the other two patterns.
//
// Every implementing class also offers three class-level operations as static members:
//   static std::string_view Name();   // archive identifier ("square", "roundedRect")
//   static std::string_view Title();  // label shown to users, the factory's sort key
//   static std::shared_ptr<Class> Create(const foundation::Settings& settings = {});
//        // a new pupil configured from a settings dictionary; a null or empty
//        // dictionary (or one that is not an object) gives the class's defaults
// Pupils are held in std::shared_ptr and copied only through copyShape.

#include <memory>
#include <optional>
#include <string_view>

#include "QRCode/pixel/GeneratorSettingsRecord.hpp"
#include "platform/foundation/Settings.hpp"
#include "platform/graphics/Path.hpp"

class QRCodePupilShapeGenerator {
 public:
  virtual ~QRCodePupilShapeGenerator() = default;
  QRCodePupilShapeGenerator(const QRCodePupilShapeGenerator&) = delete;
  QRCodePupilShapeGenerator& operator=(const QRCodePupilShapeGenerator&) = delete;

  // Name and Title of the object's own (most derived) class.
  virtual std::string_view name() const = 0;
  virtual std::string_view title() const = 0;

  // A new, independent pupil of the same class with the same settings.
  virtual std::shared_ptr<QRCodePupilShapeGenerator> copyShape() const = 0;

  // The pupil in eye space; a new path on every call.
  virtual gfx::Path pupilPath() const = 0;

  // The current settings (an empty object for classes without settings).
  virtual foundation::Settings settings() const = 0;

  // Whether the key is one of the class's own settings.
  virtual bool supportsSettingValueForKey(std::string_view key) const = 0;

  // Applies one setting. value is null when absent. True when the key is the class's and
  // the value was taken; false, with nothing changed, otherwise.
  virtual bool setSettingValue(const foundation::Settings& value, std::string_view key) = 0;

  // {"type": name(), "settings": settings()}. Never fails.
  GeneratorSettingsRecord typeAndSettings() const;

  // The value stored under key in settings(), converted to T (double, bool,
  // std::int64_t, std::uint64_t, std::string), or none when absent or of another kind.
  template <class T>
  std::optional<T> settingValueForKey(std::string_view key) const {
    return generatorSettingValue<T>(settings(), key);
  }

 protected:
  QRCodePupilShapeGenerator() = default;
};

using QRCodePupilShapeGeneratorPtr = std::shared_ptr<QRCodePupilShapeGenerator>;

// Holder of the pupil family's class-level lookups; never instantiated. The pupil classes
// themselves live at global scope (QRCodePupilShapeSquare, ...); include
// "QRCode/QRCodePupilShape.hpp" for all of them.
struct QRCodePupilShape {
  QRCodePupilShape() = delete;

  template <class Generator>
  static std::string_view nameOfGenerator() {
    return Generator::Name();
  }
  template <class Generator>
  static std::string_view titleOfGenerator() {
    return Generator::Title();
  }
  // The Name and Title of a pupil's own class.
  static std::string_view nameOfGenerator(const QRCodePupilShapeGenerator& generator) {
    return generator.name();
  }
  static std::string_view titleOfGenerator(const QRCodePupilShapeGenerator& generator) {
    return generator.title();
  }
  // The record writer: {"type": Name of the pupil's class, "settings": its settings}.
  static GeneratorSettingsRecord typeAndSettings(const QRCodePupilShapeGenerator& generator) {
    return generator.typeAndSettings();
  }
};
