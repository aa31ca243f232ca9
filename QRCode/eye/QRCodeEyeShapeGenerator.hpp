#pragma once
// The eye-shape generator interface: the frame of one QR finder pattern (the 7 x 7 ring
// around the pupil), in the 90 x 90 unit eye space (10 units per module). The ring lies
// within 10...80 on both axes, its hole is 20...70, the pupil box is (30, 30, 30, 30).
// (10, 10) is the outer corner of the symbol at the top-left finder pattern.
//
// How the renderer places the paths (cell c, eye scale s = 9c / 90, origin (ox, oy)):
//  - eyePath and the pupil's pupilPath: as built at the top-left pattern, mirrored top to
//    bottom (y -> 90 - y) at the bottom-left one, left to right (x -> 90 - x) at the
//    top-right one;
//  - eyeBackgroundPath: first mapped through (x, y) -> (x, 90 - y), then placed the same
//    way. Backgrounds are therefore authored mirrored top to bottom relative to their eye.
// Rings are an outer and an inner closed outline in opposite directions, so they fill as
// rings under the non-zero and the even-odd rule alike.
//
// Every implementing class also offers three class-level operations as static members:
//   static std::string_view Name();   // archive identifier ("square", "roundedRect")
//   static std::string_view Title();  // label shown to users, the factory's sort key
//   static std::shared_ptr<Class> Create(const foundation::Settings& settings = {});
//        // a new eye configured from a settings dictionary; a null or empty dictionary
//        // (or one that is not an object) gives the class's defaults
// Eyes are held in std::shared_ptr and copied only through copyShape.

#include <memory>
#include <optional>
#include <string_view>

#include "QRCode/eye/QRCodePupilShapeGenerator.hpp"
#include "QRCode/pixel/GeneratorSettingsRecord.hpp"
#include "platform/foundation/Settings.hpp"
#include "platform/graphics/Path.hpp"

class QRCodeEyeShapeGenerator {
 public:
  virtual ~QRCodeEyeShapeGenerator() = default;
  QRCodeEyeShapeGenerator(const QRCodeEyeShapeGenerator&) = delete;
  QRCodeEyeShapeGenerator& operator=(const QRCodeEyeShapeGenerator&) = delete;

  // Name and Title of the object's own (most derived) class.
  virtual std::string_view name() const = 0;
  virtual std::string_view title() const = 0;

  // A new, independent eye of the same class and configuration.
  virtual std::shared_ptr<QRCodeEyeShapeGenerator> copyShape() const = 0;

  // The ring in eye space; a new path on every call.
  virtual gfx::Path eyePath() const = 0;

  // The area behind the eye, authored mirrored top to bottom (see above); a new path on
  // every call.
  virtual gfx::Path eyeBackgroundPath() const = 0;

  // The pupil that suits the eye, used when the design names none. Depending on the
  // class this is one shared object for every instance of the class (made on first use;
  // changing its settings changes it for every such eye) or a new pupil per call.
  virtual std::shared_ptr<QRCodePupilShapeGenerator> defaultPupil() const = 0;

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
  QRCodeEyeShapeGenerator() = default;
};

using QRCodeEyeShapeGeneratorPtr = std::shared_ptr<QRCodeEyeShapeGenerator>;

// Holder of the eye family's class-level lookups; never instantiated. The eye classes
// themselves live at global scope (QRCodeEyeShapeSquare, ...); include
// "QRCode/QRCodeEyeShape.hpp" for all of them.
struct QRCodeEyeShape {
  QRCodeEyeShape() = delete;

  template <class Generator>
  static std::string_view nameOfGenerator() {
    return Generator::Name();
  }
  template <class Generator>
  static std::string_view titleOfGenerator() {
    return Generator::Title();
  }
  // The Name and Title of an eye's own class.
  static std::string_view nameOfGenerator(const QRCodeEyeShapeGenerator& generator) {
    return generator.name();
  }
  static std::string_view titleOfGenerator(const QRCodeEyeShapeGenerator& generator) {
    return generator.title();
  }
};
