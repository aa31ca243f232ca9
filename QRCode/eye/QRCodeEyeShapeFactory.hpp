#pragma once
// The registry of the eye shapes: the shared factory, creation by Name or from a stored
// record, and preview images of an eye with its pupil.

#include <string>
#include <utility>
#include <vector>

#include "QRCode/eye/QRCodeEyeShapeGenerator.hpp"
#include "QRCode/eye/QRCodePupilShapeGenerator.hpp"
#include "QRCode/pixel/QRCodeGeneratorFactory.hpp"
#include "platform/graphics/Color.hpp"
#include "platform/graphics/Image.hpp"

class QRCodeEyeShapeFactory : public QRCodeGeneratorFactory<QRCodeEyeShapeGenerator> {
 public:
  // Registers the eye-shape classes (sorted by Title). Each factory builds its own list.
  QRCodeEyeShapeFactory();

  // The one factory the system uses, made on first use.
  static const QRCodeEyeShapeFactory& shared();

  // A preview of an eye with its pupil: trunc(dimension) pixels square, the background
  // filled (transparent when null), the eye space scaled so that (x, y) lands at
  // (x, y) * dimension / 90 from the top-left corner. The eye's eyePath and the pupil's
  // pupilPath (the eye's defaultPupil when pupil is null) are filled together with the
  // foreground colour under the non-zero rule; the eye background is not drawn.
  // Raises QRCodeError::cannotGenerateImage when the bitmap cannot be made.
  static gfx::Image previewImage(double dimension, const QRCodeEyeShapeGenerator& eye,
                                 const QRCodePupilShapeGenerator* pupil,
                                 const gfx::Color& foregroundColor,
                                 const gfx::Color* backgroundColor = nullptr);

  // One preview without a pupil (so with each eye's default pupil) per generator of the
  // shared factory's all(), in that order, labelled with its Name; the first failure
  // raises QRCodeError::cannotGenerateImage.
  static std::vector<std::pair<std::string, gfx::Image>> allPreviewImages(
      double dimension, const gfx::Color& foregroundColor, const gfx::Color* backgroundColor = nullptr);
};
