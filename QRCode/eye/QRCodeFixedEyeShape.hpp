#pragma once
// The common part of the eye classes without settings: each is one fixed look, holds no
// state, answers the settings requirements with "nothing", and proposes one shared
// default pupil of the class Pupil.
//
//   class QRCodeEyeShapeFoo final
//       : public QRCodeFixedEyeShape<QRCodeEyeShapeFoo, QRCodePupilShapeFoo> {
//    public:
//     static std::string_view Name() { return "foo"; }
//     static std::string_view Title() { return "Foo"; }
//     gfx::Path eyePath() const override;
//     gfx::Path eyeBackgroundPath() const override;
//   };

#include <memory>
#include <string_view>

#include "QRCode/eye/QRCodeEyeShapeGenerator.hpp"
#include "QRCode/eye/QRCodePupilShapeGenerator.hpp"

template <class Derived, class Pupil>
class QRCodeFixedEyeShape : public QRCodeEyeShapeGenerator {
 public:
  using DefaultPupilType = Pupil;

  // Ignores the dictionary: a new default instance.
  static std::shared_ptr<Derived> Create(const foundation::Settings& = {}) {
    return std::make_shared<Derived>();
  }

  // One pupil per eye class (each instantiation of this template has its own), made on
  // the first request under the thread-safe initialisation of a function-local static
  // and returned, the same object, on every later request of every instance.
  static const std::shared_ptr<QRCodePupilShapeGenerator>& sharedDefaultPupil() {
    static const std::shared_ptr<QRCodePupilShapeGenerator> pupil = Pupil::Create();
    return pupil;
  }

  std::string_view name() const override { return Derived::Name(); }
  std::string_view title() const override { return Derived::Title(); }
  std::shared_ptr<QRCodeEyeShapeGenerator> copyShape() const override {
    return std::make_shared<Derived>();
  }
  std::shared_ptr<QRCodePupilShapeGenerator> defaultPupil() const override {
    return sharedDefaultPupil();
  }
  foundation::Settings settings() const override { return foundation::Settings::object(); }
  bool supportsSettingValueForKey(std::string_view) const override { return false; }
  bool setSettingValue(const foundation::Settings&, std::string_view) override { return false; }
};
