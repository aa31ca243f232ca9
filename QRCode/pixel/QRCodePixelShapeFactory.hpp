#pragma once
// The registry of the pixel shapes: the shared factory, creation by Name or from a
// stored record, and preview images.

#include <string>
#include <utility>
#include <vector>

#include "QRCode/pixel/QRCodeGeneratorFactory.hpp"
#include "QRCode/pixel/QRCodePixelShapeGenerator.hpp"
#include "platform/graphics/Color.hpp"
#include "platform/graphics/Image.hpp"

class QRCodeBoolMatrix;

class QRCodePixelShapeFactory : public QRCodeGeneratorFactory<QRCodePixelShapeGenerator> {
 public:
  // Registers the pixel-shape classes (sorted by Title). Each factory builds its own list.
  QRCodePixelShapeFactory();

  // The one factory the system uses, made on first use.
  static const QRCodePixelShapeFactory& shared();

  // The 7 x 7 sample drawn by previews when no matrix is given.
  static const QRCodeBoolMatrix& samplePixelMatrix();

  // A preview of a pixel shape: trunc(dimension) pixels square, the background filled
  // (transparent when null), the generator's path for the sample (or its inverse when
  // isOn is false) laid out for dimension x dimension and filled with the foreground.
  // Raises QRCodeError::cannotGenerateImage when the bitmap cannot be made.
  static gfx::Image imageWithPixelGenerator(QRCodePixelShapeGenerator& generator, double dimension,
                                            const gfx::Color& foregroundColor,
                                            const gfx::Color* backgroundColor = nullptr,
                                            const QRCodeBoolMatrix* samplePixelMatrix = nullptr,
                                            bool isOn = true);

  // One preview per generator of the shared factory's all(), in that order, labelled with
  // its Name; the first failure raises QRCodeError::cannotGenerateImage.
  static std::vector<std::pair<std::string, gfx::Image>> allPreviewImages(
      double dimension, const gfx::Color& foregroundColor, const gfx::Color* backgroundColor = nullptr,
      const QRCodeBoolMatrix* samplePixelMatrix = nullptr);
};
