#pragma once
// The registry of the pupil shapes: the shared factory, creation by Name or from a stored
// record, and enlarged preview images of a pupil.

#include <string>
#include <utility>
#include <vector>

#include "QRCode/eye/QRCodePupilShapeGenerator.hpp"
#include "QRCode/pixel/QRCodeGeneratorFactory.hpp"
#include "platform/graphics/Color.hpp"
#include "platform/graphics/Image.hpp"

class QRCodePupilShapeFactory : public QRCodeGeneratorFactory<QRCodePupilShapeGenerator> {
 public:
  // Registers the pupil-shape classes (sorted by Title). Each factory builds its own list.
  QRCodePupilShapeFactory();

  // The one factory the system uses, made on first use.
  static const QRCodePupilShapeFactory& shared();

  // A preview of the pupil enlarged: trunc(dimension) pixels square, the background
  // filled (transparent when null), the eye space scaled by dimension / 90 and the pupil
  // added under (x, y) -> (2x - 44, 2y - 44), so that the pupil box 30...60 covers
  // 16...76 of the 90-unit image; filled with the foreground under the non-zero rule.
  // Raises QRCodeError::cannotGenerateImage when the bitmap cannot be made.
  static gfx::Image previewImage(double dimension, const QRCodePupilShapeGenerator& pupil,
                                 const gfx::Color& foregroundColor,
                                 const gfx::Color* backgroundColor = nullptr);

  // One preview per generator of the shared factory's all(), in that order, labelled
  // with its Name; the first failure raises QRCodeError::cannotGenerateImage.
  static std::vector<std::pair<std::string, gfx::Image>> allPreviewImages(
      double dimension, const gfx::Color& foregroundColor, const gfx::Color* backgroundColor = nullptr);
};
