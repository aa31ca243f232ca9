#include "QRCode/eye/QRCodePupilShapeFactory.hpp"

#include "QRCode/eye/QRCodePupilShapesBar.hpp"
#include "QRCode/eye/QRCodePupilShapesConfigurable.hpp"
#include "QRCode/eye/QRCodePupilShapesRounded.hpp"
#include "platform/graphics/AffineTransform.hpp"

namespace {

using PupilDescriptor = QRCodeGeneratorDescriptor<QRCodePupilShapeGenerator>;

// The pupil-shape classes in build order (sorted by Title on construction).
std::vector<PupilDescriptor> pupilShapeClasses() {
  return {
      PupilDescriptor::of<QRCodePupilShapeCircle>(),
      PupilDescriptor::of<QRCodePupilShapeCorneredPixels>(),
      PupilDescriptor::of<QRCodePupilShapeCross>(),
      PupilDescriptor::of<QRCodePupilShapeCrossCurved>(),
      PupilDescriptor::of<QRCodePupilShapeEdges>(),
      PupilDescriptor::of<QRCodePupilShapeRoundedRect>(),
      PupilDescriptor::of<QRCodePupilShapeRoundedPointingIn>(),
      PupilDescriptor::of<QRCodePupilShapeSquircle>(),
      PupilDescriptor::of<QRCodePupilShapeRoundedOuter>(),
      PupilDescriptor::of<QRCodePupilShapeSquare>(),
      PupilDescriptor::of<QRCodePupilShapePixels>(),
      PupilDescriptor::of<QRCodePupilShapeLeaf>(),
      PupilDescriptor::of<QRCodePupilShapeBarsVertical>(),
      PupilDescriptor::of<QRCodePupilShapeBarsHorizontal>(),
      PupilDescriptor::of<QRCodePupilShapeRoundedPointingOut>(),
      PupilDescriptor::of<QRCodePupilShapeShield>(),
      PupilDescriptor::of<QRCodePupilShapeUsePixelShape>(),
      PupilDescriptor::of<QRCodePupilShapeHexagonLeaf>(),
      PupilDescriptor::of<QRCodePupilShapeSeal>(),
      PupilDescriptor::of<QRCodePupilShapeBlobby>(),
      PupilDescriptor::of<QRCodePupilShapeTeardrop>(),
      PupilDescriptor::of<QRCodePupilShapeUFO>(),
      PupilDescriptor::of<QRCodePupilShapePinch>(),
      PupilDescriptor::of<QRCodePupilShapeCRT>(),
      PupilDescriptor::of<QRCodePupilShapeSquareBarsHorizontal>(),
      PupilDescriptor::of<QRCodePupilShapeSquareBarsVertical>(),
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
    // The use-pixel-shape pupil has no look of its own: it shows as two 30 x 10 bars.
    gfx::Path shape;
    if (dynamic_cast<const QRCodePupilShapeUsePixelShape*>(&pupil)) {
      shape.addRect(gfx::Rect{30, 50, 30, 10}, kPupilPreviewEnlargement);
      shape.addRect(gfx::Rect{30, 30, 30, 10}, kPupilPreviewEnlargement);
    } else {
      shape.addPath(pupil.pupilPath(), kPupilPreviewEnlargement);
    }
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
