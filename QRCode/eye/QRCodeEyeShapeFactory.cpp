#include "QRCode/eye/QRCodeEyeShapeFactory.hpp"

#include "QRCode/eye/QRCodeEyeShapeUsePixelShape.hpp"
#include "QRCode/eye/QRCodeEyeShapesBar.hpp"
#include "QRCode/eye/QRCodeEyeShapesConfigurable.hpp"
#include "QRCode/eye/QRCodeEyeShapesOutline.hpp"
#include "QRCode/eye/QRCodeEyeShapesRounded.hpp"
#include "platform/graphics/AffineTransform.hpp"

namespace {

using EyeDescriptor = QRCodeGeneratorDescriptor<QRCodeEyeShapeGenerator>;

// The eye-shape classes in build order (sorted by Title on construction).
std::vector<EyeDescriptor> eyeShapeClasses() {
  return {
      EyeDescriptor::of<QRCodeEyeShapeCircle>(),
      EyeDescriptor::of<QRCodeEyeShapeEdges>(),
      EyeDescriptor::of<QRCodeEyeShapeRoundedRect>(),
      EyeDescriptor::of<QRCodeEyeShapeRoundedPointingIn>(),
      EyeDescriptor::of<QRCodeEyeShapeSquircle>(),
      EyeDescriptor::of<QRCodeEyeShapeRoundedOuter>(),
      EyeDescriptor::of<QRCodeEyeShapeSquare>(),
      EyeDescriptor::of<QRCodeEyeShapeLeaf>(),
      EyeDescriptor::of<QRCodeEyeShapeBarsVertical>(),
      EyeDescriptor::of<QRCodeEyeShapeBarsHorizontal>(),
      EyeDescriptor::of<QRCodeEyeShapePixels>(),
      EyeDescriptor::of<QRCodeEyeShapeCorneredPixels>(),
      EyeDescriptor::of<QRCodeEyeShapeRoundedPointingOut>(),
      EyeDescriptor::of<QRCodeEyeShapeShield>(),
      EyeDescriptor::of<QRCodeEyeShapeUsePixelShape>(),
      EyeDescriptor::of<QRCodeEyeShapeTeardrop>(),
      EyeDescriptor::of<QRCodeEyeShapeFireball>(),
      EyeDescriptor::of<QRCodeEyeShapePeacock>(),
      EyeDescriptor::of<QRCodeEyeShapeUFO>(),
      EyeDescriptor::of<QRCodeEyeShapePinch>(),
      EyeDescriptor::of<QRCodeEyeShapeCRT>(),
      EyeDescriptor::of<QRCodeEyeShapeSquarePeg>(),
  };
}

}  // namespace

QRCodeEyeShapeFactory::QRCodeEyeShapeFactory() : QRCodeGeneratorFactory(eyeShapeClasses()) {}

const QRCodeEyeShapeFactory& QRCodeEyeShapeFactory::shared() {
  static const QRCodeEyeShapeFactory factory;
  return factory;
}

gfx::Image QRCodeEyeShapeFactory::previewImage(double dimension, const QRCodeEyeShapeGenerator& eye,
                                               const QRCodePupilShapeGenerator* pupil,
                                               const gfx::Color& foregroundColor,
                                               const gfx::Color* backgroundColor) {
  return QRCodeGeneratorFactory::previewImage(dimension, backgroundColor, [&](gfx::Canvas& canvas) {
    // The use-pixel-shape eye and pupil have no look of their own: they show as fixed
    // bars (the ring's first and last rows, and two 30 x 10 pupil bars).
    gfx::Path shape;
    if (dynamic_cast<const QRCodeEyeShapeUsePixelShape*>(&eye)) {
      shape.addRect(gfx::Rect{10, 70, 70, 10});
      shape.addRect(gfx::Rect{10, 10, 70, 10});
    } else {
      shape = eye.eyePath();
    }
    if (pupil && dynamic_cast<const QRCodePupilShapeUsePixelShape*>(pupil)) {
      shape.addRect(gfx::Rect{30, 50, 30, 10});
      shape.addRect(gfx::Rect{30, 30, 30, 10});
    } else if (pupil) {
      shape.addPath(pupil->pupilPath());
    } else {
      shape.addPath(eye.defaultPupil()->pupilPath());
    }
    const double scale = dimension / 90;
    canvas.scale(scale, scale);
    canvas.setFillColor(foregroundColor);
    canvas.fillPath(shape, false);
  });
}

std::vector<std::pair<std::string, gfx::Image>> QRCodeEyeShapeFactory::allPreviewImages(
    double dimension, const gfx::Color& foregroundColor, const gfx::Color* backgroundColor) {
  std::vector<std::pair<std::string, gfx::Image>> previews;
  const auto generators = shared().all();
  previews.reserve(generators.size());
  for (const auto& generator : generators) {
    previews.emplace_back(std::string(generator->name()),
                          previewImage(dimension, *generator, nullptr, foregroundColor, backgroundColor));
  }
  return previews;
}
