#include "QRCode/pixel/QRCodePixelShapeFactory.hpp"

#include "QRCode/core/QRCodeBoolMatrix.hpp"
#include "QRCode/pixel/CommonPixelShapes.hpp"
#include "QRCode/pixel/QRCodePixelShapeBars.hpp"
#include "QRCode/pixel/QRCodePixelShapeRoundedEndIndent.hpp"
#include "QRCode/pixel/QRCodePixelShapeRoundedPath.hpp"
#include "QRCode/pixel/QRCodePixelShapeBlob.hpp"
#include "QRCode/pixel/QRCodePixelShapeCircuit.hpp"
#include "QRCode/pixel/QRCodePixelShapeCurvePixel.hpp"
#include "QRCode/pixel/QRCodePixelShapePointyRazor.hpp"

namespace {

using PixelDescriptor = QRCodeGeneratorDescriptor<QRCodePixelShapeGenerator>;

// The pixel-shape classes in build order (sorted by Title on construction).
std::vector<PixelDescriptor> pixelShapeClasses() {
  return {
      PixelDescriptor::of<QRCodePixelShapeSquare>(),   PixelDescriptor::of<QRCodePixelShapeCircle>(),
      PixelDescriptor::of<QRCodePixelShapeRoundedRect>(), PixelDescriptor::of<QRCodePixelShapeSquircle>(),
      PixelDescriptor::of<QRCodePixelShapeFlower>(),   PixelDescriptor::of<QRCodePixelShapeSharp>(),
      PixelDescriptor::of<QRCodePixelShapeStar>(),     PixelDescriptor::of<QRCodePixelShapeShiny>(),
      PixelDescriptor::of<QRCodePixelShapeCRT>(),      PixelDescriptor::of<QRCodePixelShapeDonut>(),
      PixelDescriptor::of<QRCodePixelShapeArrow>(),    PixelDescriptor::of<QRCodePixelShapeWave>(),
      PixelDescriptor::of<QRCodePixelShapeVertical>(), PixelDescriptor::of<QRCodePixelShapeHorizontal>(),
      PixelDescriptor::of<QRCodePixelShapeRoundedEndIndent>(), PixelDescriptor::of<QRCodePixelShapeRoundedPath>(),
      PixelDescriptor::of<QRCodePixelShapePointy>(),   PixelDescriptor::of<QRCodePixelShapeCurvePixel>(),
      PixelDescriptor::of<QRCodePixelShapeRazor>(),    PixelDescriptor::of<QRCodePixelShapeBlob>(),
      PixelDescriptor::of<QRCodePixelShapeCircuit>(),
  };
}

}  // namespace

QRCodePixelShapeFactory::QRCodePixelShapeFactory() : QRCodeGeneratorFactory(pixelShapeClasses()) {}

const QRCodePixelShapeFactory& QRCodePixelShapeFactory::shared() {
  static const QRCodePixelShapeFactory factory;
  return factory;
}

const QRCodeBoolMatrix& QRCodePixelShapeFactory::samplePixelMatrix() {
  static const QRCodeBoolMatrix sample = [] {
    QRCodeBoolMatrix m(7);
    constexpr int set[][2] = {{1, 3}, {1, 4}, {2, 4}, {3, 1}, {3, 3}, {3, 4}, {3, 5},
                              {4, 1}, {4, 2}, {4, 3}, {4, 4}, {5, 3}, {5, 5}};
    for (const auto& rc : set) m.setValue(rc[0], rc[1], true);
    return m;
  }();
  return sample;
}

gfx::Image QRCodePixelShapeFactory::imageWithPixelGenerator(QRCodePixelShapeGenerator& generator,
                                                            double dimension,
                                                            const gfx::Color& foregroundColor,
                                                            const gfx::Color* backgroundColor,
                                                            const QRCodeBoolMatrix* samplePixelMatrix,
                                                            bool isOn) {
  return previewImage(dimension, backgroundColor, [&](gfx::Canvas& canvas) {
    const QRCodeBoolMatrix& sample =
        samplePixelMatrix ? *samplePixelMatrix : QRCodePixelShapeFactory::samplePixelMatrix();
    const gfx::Size size{dimension, dimension};
    const gfx::Path path = isOn ? generator.generatePathFrom(sample, size)
                                : generator.generatePathFrom(sample.inverted(), size);
    canvas.setFillColor(foregroundColor);
    canvas.fillPath(path, false);
  });
}

std::vector<std::pair<std::string, gfx::Image>> QRCodePixelShapeFactory::allPreviewImages(
    double dimension, const gfx::Color& foregroundColor, const gfx::Color* backgroundColor,
    const QRCodeBoolMatrix* samplePixelMatrix) {
  std::vector<std::pair<std::string, gfx::Image>> previews;
  const auto generators = shared().all();
  previews.reserve(generators.size());
  for (const auto& generator : generators) {
    previews.emplace_back(std::string(generator->name()),
                          imageWithPixelGenerator(*generator, dimension, foregroundColor, backgroundColor,
                                                  samplePixelMatrix, true));
  }
  return previews;
}
