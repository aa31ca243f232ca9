#pragma once
// The pixel-shape generator interface: an object that turns a module matrix and a target
// size into one path holding the outline of every data module it draws.
//
// Every implementing class also offers three class-level operations as static members:
//   static std::string_view Name();   // stable archive identifier ("square", "roundedRect")
//   static std::string_view Title();  // label shown to users, the factory's sort key
//   static std::shared_ptr<Class> Create(const foundation::Settings& settings = {});
//        // a new generator configured from a settings dictionary; a null or empty
//        // dictionary (or one that is not an object) gives the class's defaults
// Generators are held in std::shared_ptr and copied only through copyShape.
//
// Threads: generatePathFrom may change the generator (a random inset restarts and draws
// its sequence), so a generator, and every shape, design or value that holds it, draws for
// one caller at a time. A copy made with copyShape shares nothing that changes and may draw
// on another thread at the same time.
//
// Layout contract of generatePathFrom: a matrix of dimension n is fitted into the size
// W x H with square cells of side min(W / n, H / n), centred by the offsets
// (W - n * cell) / 2 and (H - n * cell) / 2; row 0 is at the smallest y, column 0 at the
// smallest x. Only set cells are drawn (some shapes add fillets in unset inner corners).

#include <memory>
#include <optional>
#include <string_view>

#include "QRCode/pixel/GeneratorSettingsRecord.hpp"
#include "platform/foundation/Settings.hpp"
#include "platform/graphics/Geometry.hpp"
#include "platform/graphics/Path.hpp"

class QRCodeBoolMatrix;

class QRCodePixelShapeGenerator {
 public:
  virtual ~QRCodePixelShapeGenerator() = default;
  QRCodePixelShapeGenerator(const QRCodePixelShapeGenerator&) = delete;
  QRCodePixelShapeGenerator& operator=(const QRCodePixelShapeGenerator&) = delete;

  // Name and Title of the object's own (most derived) class.
  virtual std::string_view name() const = 0;
  virtual std::string_view title() const = 0;

  // A new, independent generator of the same class with the same configuration.
  virtual std::shared_ptr<QRCodePixelShapeGenerator> copyShape() const = 0;

  // The outline of every module drawn for this matrix, laid out in (0, 0)-(W, H).
  // Equal matrix, size and settings always give an equal path (random sources restart
  // at the start of every call). A matrix of dimension 0, or a size without a finite,
  // positive cell, gives an empty path.
  virtual gfx::Path generatePathFrom(const QRCodeBoolMatrix& matrix, gfx::Size size) = 0;

  // The current configuration (an empty object for classes without settings).
  virtual foundation::Settings settings() const = 0;

  // Applies one setting. value is null when absent. True when the key is one the class
  // handles and the value was taken; false, with nothing changed, otherwise.
  virtual bool setSettingValue(const foundation::Settings& value, std::string_view key) = 0;

  // Whether the class reports the key as one of its settings.
  virtual bool supportsSettingValueForKey(std::string_view key) const = 0;

  // {"type": name(), "settings": settings()}. Never fails.
  GeneratorSettingsRecord typeAndSettings() const;

  // The value stored under key in settings(), converted to T (double, bool,
  // std::int64_t, std::uint64_t, std::string), or none when absent or of another kind.
  template <class T>
  std::optional<T> settingValueForKey(std::string_view key) const {
    return generatorSettingValue<T>(settings(), key);
  }

 protected:
  QRCodePixelShapeGenerator() = default;
};

using QRCodePixelShapeGeneratorPtr = std::shared_ptr<QRCodePixelShapeGenerator>;

// Holder of the pixel-shape family's class-level lookups; never instantiated.
struct QRCodePixelShape {
  QRCodePixelShape() = delete;

  template <class Generator>
  static std::string_view nameOfGenerator() {
    return Generator::Name();
  }
  template <class Generator>
  static std::string_view titleOfGenerator() {
    return Generator::Title();
  }
  // The Name and Title of a generator's own class.
  static std::string_view nameOfGenerator(const QRCodePixelShapeGenerator& generator) {
    return generator.name();
  }
  static std::string_view titleOfGenerator(const QRCodePixelShapeGenerator& generator) {
    return generator.title();
  }
};
