#pragma once
// The registry of one generator family (pixel, eye or pupil shapes): a fixed list of
// classes sorted by Title in code-point order, their names, default instances, creation by
// Name or from a stored GeneratorSettingsRecord, and the bitmap on which previews draw.
//
// A family registers its classes through descriptors:
//   QRCodeGeneratorFactory<QRCodeEyeShapeGenerator> factory({
//       QRCodeGeneratorDescriptor<QRCodeEyeShapeGenerator>::of<QRCodeEyeShapeCircle>(), ...});
// where each class offers static Name(), Title() and Create(const foundation::Settings&).

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "QRCode/core/QRCodeDrawingHelpers.hpp"
#include "QRCode/core/QRCodeError.hpp"
#include "QRCode/pixel/GeneratorSettingsRecord.hpp"
#include "platform/foundation/Error.hpp"
#include "platform/foundation/Settings.hpp"
#include "platform/graphics/Canvas.hpp"
#include "platform/graphics/Color.hpp"
#include "platform/graphics/Geometry.hpp"
#include "platform/graphics/Image.hpp"

// One registered class: its Name, its Title and its Create.
template <class Generator>
struct QRCodeGeneratorDescriptor {
  std::string_view name;
  std::string_view title;
  std::shared_ptr<Generator> (*create)(const foundation::Settings& settings);

  template <class Class>
  static QRCodeGeneratorDescriptor of() {
    return {Class::Name(), Class::Title(),
            [](const foundation::Settings& settings) -> std::shared_ptr<Generator> {
              return Class::Create(settings);
            }};
  }
};

template <class Generator>
class QRCodeGeneratorFactory {
 public:
  using Descriptor = QRCodeGeneratorDescriptor<Generator>;
  using GeneratorPtr = std::shared_ptr<Generator>;

  // Takes the classes in build order and sorts them by ascending Title, comparing code
  // points (so "CRT" sorts before "Circle" and a prefix first).
  explicit QRCodeGeneratorFactory(std::vector<Descriptor> classes)
      : registeredTypes_(std::move(classes)) {
    std::stable_sort(registeredTypes_.begin(), registeredTypes_.end(),
                     [](const Descriptor& l, const Descriptor& r) { return titleLess(l.title, r.title); });
  }

  // Titles as UTF-8 compare by code point when compared byte by byte, unsigned.
  static bool titleLess(std::string_view l, std::string_view r) {
    return std::lexicographical_compare(
        l.begin(), l.end(), r.begin(), r.end(),
        [](char a, char b) { return static_cast<unsigned char>(a) < static_cast<unsigned char>(b); });
  }

  const std::vector<Descriptor>& registeredTypes() const { return registeredTypes_; }

  // The Name of each registered class, in registry order.
  std::vector<std::string> availableGeneratorNames() const {
    std::vector<std::string> names;
    names.reserve(registeredTypes_.size());
    for (const auto& d : registeredTypes_) names.emplace_back(d.name);
    return names;
  }

  // One new default instance per class (Create without a dictionary), in registry order.
  std::vector<GeneratorPtr> all() const {
    std::vector<GeneratorPtr> generators;
    generators.reserve(registeredTypes_.size());
    for (const auto& d : registeredTypes_) generators.push_back(d.create(foundation::Settings()));
    return generators;
  }

  // The registered class whose Name equals name exactly, or null.
  const Descriptor* descriptorNamed(std::string_view name) const {
    for (const auto& d : registeredTypes_)
      if (d.name == name) return &d;
    return nullptr;
  }

  // A new generator of the class named name, made by its Create with the settings (null
  // for none). Raises QRCodeError::unsupportedGeneratorName when no class has that Name.
  GeneratorPtr named(std::string_view name, const foundation::Settings& settings = {}) const {
    const Descriptor* d = descriptorNamed(name);
    if (!d) foundation::raise(QRCodeError::unsupportedGeneratorName, std::string(name));
    return d->create(settings);
  }

  // A new generator from a GeneratorSettingsRecord: "type" must be a string (else
  // QRCodeError::cannotCreateGenerator); "settings" is used when it is an object, else
  // the class's defaults apply; then as named().
  GeneratorPtr createWithSettings(const GeneratorSettingsRecord& record) const {
    const auto type = foundation::stringValue(record, "type");
    if (!type) foundation::raise(QRCodeError::cannotCreateGenerator, "the record has no \"type\" text");
    const foundation::Settings* settings = foundation::objectValue(record, "settings");
    return named(*type, settings ? *settings : foundation::Settings());
  }

  // The bitmap of a preview: trunc(dimension) pixels square, filled with the background
  // (transparent when none), its drawing space flipped so that y grows downwards from the
  // top-left corner over 0...dimension; draw(canvas) then draws in it. Raises
  // QRCodeError::cannotGenerateImage when the bitmap cannot be made (a dimension below 1,
  // not finite or too large).
  template <class Draw>
  static gfx::Image previewImage(double dimension, const gfx::Color* backgroundColor, Draw&& draw) {
    std::optional<gfx::Color> background;
    if (backgroundColor) background = *backgroundColor;
    std::optional<gfx::Image> image =
        qrcore::makeBitmapImage(gfx::Size{dimension, dimension}, background, [&](gfx::Canvas& canvas, double, double) {
          canvas.scale(1, -1);
          canvas.translate(0, -dimension);
          draw(canvas);
        });
    if (!image) foundation::raise(QRCodeError::cannotGenerateImage, "no preview bitmap");
    return std::move(*image);
  }

 private:
  std::vector<Descriptor> registeredTypes_;
};
