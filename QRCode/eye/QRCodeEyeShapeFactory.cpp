#include "QRCode/eye/QRCodeEyeShapeFactory.hpp"

#include "QRCode/eye/QRCodeEyeShapesRounded.hpp"
#include "platform/graphics/AffineTransform.hpp"

namespace {

using EyeDescriptor = QRCodeGeneratorDescriptor<QRCodeEyeShapeGenerator>;

// The eye-shape classes in build order (sorted by Title on construction). The classes
// still to come keep their place in the order as comments.
std::vector<EyeDescriptor> eyeShapeClasses() {
  return {
      // QRCodeEyeShapeCircle ("circle")
      // QRCodeEyeShapeEdges ("edges")
      EyeDescriptor::of<QRCodeEyeShapeRoundedRect>(),
      EyeDescriptor::of<QRCodeEyeShapeRoundedPointingIn>(),
      EyeDescriptor::of<QRCodeEyeShapeSquircle>(),
      EyeDescriptor::of<QRCodeEyeShapeRoundedOuter>(),
      EyeDescriptor::of<QRCodeEyeShapeSquare>(),
      // QRCodeEyeShapeLeaf ("leaf")
      // QRCodeEyeShapeBarsVertical ("barsVertical")
      // QRCodeEyeShapeBarsHorizontal ("barsHorizontal")
      // QRCodeEyeShapePixels ("pixels")
      // QRCodeEyeShapeCorneredPixels ("corneredPixels")
      EyeDescriptor::of<QRCodeEyeShapeRoundedPointingOut>(),
      // QRCodeEyeShapeShield ("shield")
      // QRCodeEyeShapeUsePixelShape ("usePixelShape")
      // QRCodeEyeShapeTeardrop ("teardrop")
      // QRCodeEyeShapeFireball ("fireball")
      // QRCodeEyeShapePeacock ("peacock")
      // QRCodeEyeShapeUFO ("ufo")
      // QRCodeEyeShapePinch ("pinch")
      // QRCodeEyeShapeCRT ("crt")
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
    // The use-pixel-shape eye and pupil, once registered, draw here as their fixed bars
    // (the ring's first and last rows, and two 30 x 10 pupil bars) instead of a path.
    gfx::Path shape = eye.eyePath();
    if (pupil) {
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
