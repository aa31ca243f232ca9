#include "QRCode/pixel/QRCodePixelShapeRoundedPath.hpp"

std::shared_ptr<QRCodePixelShapeRoundedPath> QRCodePixelShapeRoundedPath::Create(const foundation::Settings& settings) {
  const Configuration c = configurationFrom(settings, DefaultCornerRadiusValue(), DefaultHasInnerCorners());
  return std::make_shared<QRCodePixelShapeRoundedPath>(c.cornerRadiusFraction, c.hasInnerCorners);
}

std::shared_ptr<QRCodePixelShapeGenerator> QRCodePixelShapeRoundedPath::copyShape() const {
  return std::make_shared<QRCodePixelShapeRoundedPath>(cornerRadiusFraction(), hasInnerCorners());
}

void QRCodePixelShapeRoundedPath::setFreeEndPieces(Pieces& p) const {
  const double r = actualRadius();
  if (r == 0) {
    for (unsigned side : {bottom, top, right, left}) p.byNeighbours[side] = &tracedSquare();
    return;
  }

  gfx::Path& bottomOnly = p.ends[0];  // top-left and top-right rounded
  bottomOnly.moveTo({r, 0});
  bottomOnly.lineTo({10 - r, 0});
  bottomOnly.cubicTo({10, 0}, {10, r}, {10, r});
  bottomOnly.lineTo({10, 10});
  bottomOnly.lineTo({0, 10});
  bottomOnly.lineTo({0, r});
  bottomOnly.cubicTo({0, 0}, {r, 0}, {r, 0});
  bottomOnly.close();

  gfx::Path& topOnly = p.ends[1];  // bottom-right and bottom-left rounded
  topOnly.moveTo({0, 0});
  topOnly.lineTo({10, 0});
  topOnly.lineTo({10, 10 - r});
  topOnly.cubicTo({10, 10}, {10 - r, 10}, {10 - r, 10});
  topOnly.lineTo({r, 10});
  topOnly.cubicTo({0, 10}, {0, 10 - r}, {0, 10 - r});
  topOnly.lineTo({0, 0});
  topOnly.close();

  gfx::Path& rightOnly = p.ends[2];  // bottom-left and top-left rounded
  rightOnly.moveTo({r, 0});
  rightOnly.lineTo({10, 0});
  rightOnly.lineTo({10, 10});
  rightOnly.lineTo({r, 10});
  rightOnly.cubicTo({0, 10}, {0, 10 - r}, {0, 10 - r});
  rightOnly.lineTo({0, r});
  rightOnly.cubicTo({0, 0}, {r, 0}, {r, 0});
  rightOnly.close();

  gfx::Path& leftOnly = p.ends[3];  // top-right and bottom-right rounded
  leftOnly.moveTo({0, 0});
  leftOnly.lineTo({10 - r, 0});
  leftOnly.cubicTo({10, 0}, {10, r}, {10, r});
  leftOnly.lineTo({10, 10 - r});
  leftOnly.cubicTo({10, 10}, {10 - r, 10}, {10 - r, 10});
  leftOnly.lineTo({0, 10});
  leftOnly.lineTo({0, 0});
  leftOnly.close();

  p.byNeighbours[bottom] = &p.ends[0];
  p.byNeighbours[top] = &p.ends[1];
  p.byNeighbours[right] = &p.ends[2];
  p.byNeighbours[left] = &p.ends[3];
}
