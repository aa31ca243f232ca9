#pragma once
// The eye drawn with a pixel shape: the pixel shape's path of a 9 x 9 template holding
// the finder ring (a ring of side 7, one module wide, inside a one-module margin) at size
// 90 x 90, so the ring's modules fall on the eye ring 10...80. Neighbour-driven pixel
// shapes join the ring's modules, and inset, rounding and rotation apply to each module.
// pixelShape is a weak reference, set by the renderer to the design's on-pixel generator;
// when it is empty (never set, or the generator has gone) plain full squares are drawn.
// No settings. The background is the whole 90 x 90 square; the default pupil is a new
// use-pixel-shape pupil on every call (its own pixelShape empty). A copy's pixelShape is
// empty.

#include <memory>
#include <string_view>

#include "QRCode/eye/QRCodeFixedEyeShape.hpp"
#include "QRCode/eye/QRCodePupilShapesConfigurable.hpp"
#include "QRCode/pixel/QRCodePixelShapeGenerator.hpp"

class QRCodeBoolMatrix;

class QRCodeEyeShapeUsePixelShape final
    : public QRCodeFixedEyeShape<QRCodeEyeShapeUsePixelShape, QRCodePupilShapeUsePixelShape> {
 public:
  static std::string_view Name() { return "usePixelShape"; }
  static std::string_view Title() { return "Use Pixel Shape"; }

  // The linked generator, or null when none is set or it has gone.
  std::shared_ptr<QRCodePixelShapeGenerator> pixelShape() const { return pixelShape_.lock(); }
  void setPixelShape(const std::shared_ptr<QRCodePixelShapeGenerator>& pixelShape) { pixelShape_ = pixelShape; }

  gfx::Path eyePath() const override;
  gfx::Path eyeBackgroundPath() const override;
  std::shared_ptr<QRCodePupilShapeGenerator> defaultPupil() const override;

  // The shared 9 x 9 ring template (made once, never changed).
  static const QRCodeBoolMatrix& eyeTemplate();

 private:
  std::weak_ptr<QRCodePixelShapeGenerator> pixelShape_;
};
