#include "QRCode/eye/QRCodePupilShapeFactory.hpp"

#include "QRCode/eye/QRCodePupilShapesRounded.hpp"
#include "platform/graphics/AffineTransform.hpp"

namespace {

using PupilDescriptor = QRCodeGeneratorDescriptor<QRCodePupilShapeGenerator>;

// The pupil-shape classes in build order (sorted by Title on construction). The classes
// still to come keep their place in the order as comments.
std::vector<PupilDescriptor> pupilShapeClasses() {
  return {
      PupilDescriptor::of<QRCodePupilShapeCircle>(),
      // QRCodePupilShapeCorneredPixels ("corneredPixels")
      PupilDescriptor::of<QRCodePupilShapeCross>(),
      PupilDescriptor::of<QRCodePupilShapeCrossCurved>(),
      // QRCodePupilShapeEdges ("edges")
      PupilDescriptor::of<QRCodePupilShapeRoundedRect>(),
      PupilDescriptor::of<QRCodePupilShapeRoundedPointingIn>(),
      PupilDescriptor::of<QRCodePupilShapeSquircle>(),
      PupilDescriptor::of<QRCodePupilShapeRoundedOuter>(),
      PupilDescriptor::of<QRCodePupilShapeSquare>(),
      // QRCodePupilShapePixels ("pixels")
      PupilDescriptor::of<QRCodePupilShapeLeaf>(),
      // QRCodePupilShapeBarsVertical ("barsVertical")
      // QRCodePupilShapeBarsHorizontal ("barsHorizontal")
      PupilDescriptor::of<QRCodePupilShapeRoundedPointingOut>(),
      // QRCodePupilShapeShield ("shield")
      // QRCodePupilShapeUsePixelShape ("usePixelShape")
      PupilDescriptor::of<QRCodePupilShapeHexagonLeaf>(),
      PupilDescriptor::of<QRCodePupilShapeSeal>(),
      PupilDescriptor::of<QRCodePupilShapeBlobby>(),
      PupilDescriptor::of<QRCodePupilShapeTeardrop>(),
      // QRCodePupilShapeUFO ("ufo")
      PupilDescriptor::of<QRCodePupilShapePinch>(),
      PupilDescriptor::of<QRCodePupilShapeCRT>(),
      // QRCodePupilShapeSquareBarsHorizontal ("barsHorizontalSquare")
      // QRCodePupilShapeSquareBarsVertical ("barsVerticalSquare")
  };
}

// The enlargement of the pupil preview: the pupil box 30...60 onto 16...76.
constexpr gfx::AffineTransform kPupilPreviewEnlargement{2, 0, 0, 2, -44, -44};

}  // namespace

QRCodePupilShapeFactory::QRCodePupilShapeFactory() : QRCodeGeneratorFactory(pupilShapeClasses()) {}

const QRCodePupilShapeFactory& QRCodePupilShapeFactory::shared() {
  static const QRCodePupilShapeFactory factory;
  return factory;
}

gfx::Image QRCodePupilShapeFactory::previewImage(double dimension, const QRCodePupilShapeGenerator& pupil,
                                                 const gfx::Color& foregroundColor,
                                                 const gfx::Color* backgroundColor) {
  return QRCodeGeneratorFactory::previewImage(dimension, backgroundColor, [&](gfx::Canvas& canvas) {
    // The use-pixel-shape pupil, once registered, draws here as its two fixed 30 x 10 bars
    // under the same enlargement instead of a path.
    gfx::Path shape;
    shape.addPath(pupil.pupilPath(), kPupilPreviewEnlargement);
    const double scale = dimension / 90;
    canvas.scale(scale, scale);
    canvas.setFillColor(foregroundColor);
    canvas.fillPath(shape, false);
  });
}

std::vector<std::pair<std::string, gfx::Image>> QRCodePupilShapeFactory::allPreviewImages(
    double dimension, const gfx::Color& foregroundColor, const gfx::Color* backgroundColor) {
  std::vector<std::pair<std::string, gfx::Image>> previews;
  const auto generators = shared().all();
  previews.reserve(generators.size());
  for (const auto& generator : generators) {
    previews.emplace_back(std::string(generator->name()),
                          previewImage(dimension, *generator, foregroundColor, backgroundColor));
  }
  return previews;
}
