#pragma once
// The common part of the pupil classes without settings: each is one fixed outline in the
// pupil box, holds no state, and answers the settings requirements with "nothing".
//
//   class QRCodePupilShapeFoo final : public QRCodeFixedPupilShape<QRCodePupilShapeFoo> {
//    public:
//     static std::string_view Name() { return "foo"; }
//     static std::string_view Title() { return "Foo"; }
//     gfx::Path pupilPath() const override;
//   };

#include <memory>
#include <string_view>

#include "QRCode/eye/QRCodePupilShapeGenerator.hpp"

template <class Derived>
class QRCodeFixedPupilShape : public QRCodePupilShapeGenerator {
 public:
  // Ignores the dictionary: a new default instance.
  static std::shared_ptr<Derived> Create(const foundation::Settings& = {}) {
    return std::make_shared<Derived>();
  }

  std::string_view name() const override { return Derived::Name(); }
  std::string_view title() const override { return Derived::Title(); }
  std::shared_ptr<QRCodePupilShapeGenerator> copyShape() const override {
    return std::make_shared<Derived>();
  }
  foundation::Settings settings() const override { return foundation::Settings::object(); }
  bool supportsSettingValueForKey(std::string_view) const override { return false; }
  bool setSettingValue(const foundation::Settings&, std::string_view) override { return false; }
};
