#include "QRCode/design/QRCodeShape.hpp"

#include "QRCode/eye/QRCodeEyeShapeFactory.hpp"
#include "QRCode/eye/QRCodeEyeShapesRounded.hpp"
#include "QRCode/eye/QRCodePupilShapeFactory.hpp"
#include "QRCode/pixel/CommonPixelShapes.hpp"
#include "QRCode/pixel/QRCodePixelShapeFactory.hpp"
#include "platform/foundation/Error.hpp"

namespace {

// A generator from the record under key, made by the family's factory; null when the
// entry is not an object or the factory cannot make it (its error is dropped).
template <class Factory>
auto readGenerator(const Factory& factory, const foundation::Settings& settings, std::string_view key)
    -> decltype(factory.createWithSettings(settings)) {
  const foundation::Settings* record = foundation::objectValue(settings, key);
  if (!record) return nullptr;
  try {
    return factory.createWithSettings(*record);
  } catch (const foundation::Error&) {
    return nullptr;
  }
}

}  // namespace

QRCodePixelShapeGeneratorPtr QRCodeShape::defaultOnPixels() { return QRCodePixelShapeSquare::Create(); }

QRCodeEyeShapeGeneratorPtr QRCodeShape::defaultEye() { return std::make_shared<QRCodeEyeShapeSquare>(); }

QRCodeShape::QRCodeShape(QRCodePixelShapeGeneratorPtr onPixels, QRCodePixelShapeGeneratorPtr offPixels,
                         bool negatedOnPixelsOnly, QRCodeEyeShapeGeneratorPtr eye,
                         QRCodePupilShapeGeneratorPtr pupil)
    : onPixels_(onPixels ? std::move(onPixels) : defaultOnPixels()),
      offPixels_(std::move(offPixels)),
      negatedOnPixelsOnly_(negatedOnPixelsOnly),
      eye_(eye ? std::move(eye) : defaultEye()),
      pupil_(std::move(pupil)) {}

std::shared_ptr<QRCodeShape> QRCodeShape::create() {
  return std::make_shared<QRCodeShape>(defaultOnPixels(), nullptr, false, defaultEye(), nullptr);
}

void QRCodeShape::setOnPixels(QRCodePixelShapeGeneratorPtr onPixels) {
  onPixels_ = onPixels ? std::move(onPixels) : defaultOnPixels();
}

void QRCodeShape::setEye(QRCodeEyeShapeGeneratorPtr eye) {
  eye_ = eye ? std::move(eye) : defaultEye();
  pupil_.reset();
}

QRCodePupilShapeGeneratorPtr QRCodeShape::actualPupilShape() const {
  return pupil_ ? pupil_ : eye_->defaultPupil();
}

std::shared_ptr<QRCodeShape> QRCodeShape::copyShape() const {
  return std::make_shared<QRCodeShape>(onPixels_->copyShape(), offPixels_ ? offPixels_->copyShape() : nullptr,
                                       negatedOnPixelsOnly_, eye_->copyShape(),
                                       pupil_ ? pupil_->copyShape() : nullptr);
}

foundation::Settings QRCodeShape::settings() const {
  foundation::Settings s = foundation::Settings::object();
  s["onPixels"] = onPixels_->typeAndSettings();
  if (offPixels_) s["offPixels"] = offPixels_->typeAndSettings();
  s["eye"] = eye_->typeAndSettings();
  if (pupil_) s["pupil"] = pupil_->typeAndSettings();
  s["negatedOnPixelsOnly"] = negatedOnPixelsOnly_;
  return s;
}

std::shared_ptr<QRCodeShape> QRCodeShape::CreateWithSettings(const foundation::Settings& settings) {
  auto shape = create();
  const auto& pixels = QRCodePixelShapeFactory::shared();
  // "data" and "dataInverted" are the older names; they win when readable.
  if (auto g = readGenerator(pixels, settings, "data")) {
    shape->setOnPixels(std::move(g));
  } else if (auto g2 = readGenerator(pixels, settings, "onPixels")) {
    shape->setOnPixels(std::move(g2));
  }
  if (auto eye = readGenerator(QRCodeEyeShapeFactory::shared(), settings, "eye")) shape->setEye(std::move(eye));
  if (auto g = readGenerator(pixels, settings, "dataInverted")) {
    shape->setOffPixels(std::move(g));
  } else if (auto g2 = readGenerator(pixels, settings, "offPixels")) {
    shape->setOffPixels(std::move(g2));
  }
  // Read after the eye, so that a stored pupil survives the eye's assignment.
  if (auto pupil = readGenerator(QRCodePupilShapeFactory::shared(), settings, "pupil"))
    shape->setPupil(std::move(pupil));
  // Only a boolean counts for the flag.
  if (const foundation::Settings* flag = foundation::find(settings, "negatedOnPixelsOnly");
      flag && flag->is_boolean())
    shape->setNegatedOnPixelsOnly(foundation::BoolValue(*flag).value_or(false));
  return shape;
}
