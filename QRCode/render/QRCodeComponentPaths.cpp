#include "QRCode/render/QRCodeComponentPaths.hpp"

#include <algorithm>
#include <memory>

#include "QRCode/design/QRCodeLogoTemplate.hpp"
#include "QRCode/design/QRCodeShape.hpp"
#include "QRCode/eye/QRCodeEyeShapeUsePixelShape.hpp"
#include "QRCode/eye/QRCodePupilShapesConfigurable.hpp"
#include "QRCode/pixel/CommonPixelShapes.hpp"
#include "QRCode/pixel/QRCodePixelInsetGenerator.hpp"
#include "platform/graphics/AffineTransform.hpp"

namespace qrrender {

namespace {

// One full square per module: a square pixel shape with a fixed inset and every fraction 0.
CommonPixelGenerator& plainSquareGenerator(std::shared_ptr<QRCodePixelShapeSquare>& holder) {
  if (!holder)
    holder = std::make_shared<QRCodePixelShapeSquare>(std::make_shared<QRCodePixelInsetFixed>(), 0.0, 0.0, false);
  return holder->common();
}

// Switches off the border ring and the three 9 x 9 finder areas (top-left, bottom-left,
// top-right) of a matrix.
void clearBorderAndFinders(QRCodeBoolMatrix& matrix) {
  const std::int64_t n = matrix.dimension();
  bool* cells = matrix.data();
  if (!cells) return;
  const std::int64_t corner = std::min<std::int64_t>(9, n);
  for (std::int64_t c = 0; c < n; ++c) {
    cells[c] = false;                // row 0
    cells[(n - 1) * n + c] = false;  // row n - 1
  }
  for (std::int64_t r = 0; r < n; ++r) {
    cells[r * n] = false;          // column 0
    cells[r * n + n - 1] = false;  // column n - 1
  }
  for (std::int64_t r = 0; r < corner; ++r)
    for (std::int64_t c = 0; c < corner; ++c) {
      cells[r * n + c] = false;                  // top-left
      cells[(n - 1 - r) * n + c] = false;        // bottom-left
      cells[r * n + (n - 1 - c)] = false;        // top-right
    }
}

// The matrix a pixel part draws: the current matrix (or its inverse), cleared, then
// logo-masked at the drawing side.
QRCodeBoolMatrix pixelMatrix(const QRCodeBoolMatrix& current, bool inverted, const QRCodeLogoTemplate* logo,
                             double side) {
  QRCodeBoolMatrix matrix = inverted ? current.inverted() : current.copyMatrix();
  clearBorderAndFinders(matrix);
  if (logo) matrix = logo->applyingMask(matrix, side);
  return matrix;
}

// Appends a part to the result; the first part without a translation is moved in whole.
void append(gfx::Path& result, gfx::Path&& part, const gfx::AffineTransform& t) {
  if (result.empty() && t.isIdentity()) result = std::move(part);
  else result.addPath(part, t);
}

// Adds the three eye boxes of a 90 x 90 template: as drawn at the top-left finder pattern,
// mirrored top to bottom at the bottom-left one, left to right at the top-right one.
void addEyeBoxes(gfx::Path& result, const gfx::Path& templatePath, const gfx::AffineTransform& placement,
                 double farOffset) {
  static constexpr gfx::AffineTransform flipV = gfx::AffineTransform::scale(1, -1).concatenating(
      gfx::AffineTransform::translation(0, 90));
  static constexpr gfx::AffineTransform flipH = gfx::AffineTransform::scale(-1, 1).concatenating(
      gfx::AffineTransform::translation(90, 0));
  result.reserve(result.size() + 3 * templatePath.size());
  result.addPath(templatePath, placement);
  result.addPath(templatePath, flipV.concatenating(placement).concatenating(
                                   gfx::AffineTransform::translation(0, farOffset)));
  result.addPath(templatePath, flipH.concatenating(placement).concatenating(
                                   gfx::AffineTransform::translation(farOffset, 0)));
}

}  // namespace

void linkPixelShapeEyes(QRCodeShape& shape) {
  // Eyes and pupils that draw with a pixel shape take the shape's on-pixel generator
  // here (their weak pixelShape field), before any path is built. The links stay on the
  // shape's objects. Only the shape's own pupil is linked, not an eye's default pupil.
  if (auto* eye = dynamic_cast<QRCodeEyeShapeUsePixelShape*>(shape.eye().get()))
    eye->setPixelShape(shape.onPixels());
  if (auto* pupil = dynamic_cast<QRCodePupilShapeUsePixelShape*>(shape.pupil().get()))
    pupil->setPixelShape(shape.onPixels());
}

gfx::Path path(const QRCode& qrcode, gfx::Size size, QRCodeComponents components, QRCodeShape& shape,
               const QRCodeLogoTemplate* logoTemplate, double additionalQuietSpace) {
  const QRCodeBoolMatrix& current = *qrcode.boolMatrix();
  const std::int64_t n = current.dimension();
  gfx::Path result;
  if (n == 0) {
    result.addRect(gfx::Rect(0, 0, 0, 0));
    return result;
  }
  const double w = size.width, h = size.height;
  const double side = std::min(w, h);
  const double cell = side / static_cast<double>(n);
  const double grid = static_cast<double>(n) * cell;
  const double a = additionalQuietSpace;
  const gfx::AffineTransform quiet = gfx::AffineTransform::translation(a, a);
  const double eyeScale = 9 * cell / 90;
  const gfx::AffineTransform placement = gfx::AffineTransform::scale(eyeScale, eyeScale)
                                             .concatenating(gfx::AffineTransform::translation(
                                                 (w - grid) / 2 + a, (h - grid) / 2 + a));
  const double farOffset = grid - 9 * cell;

  linkPixelShapeEyes(shape);

  if (components.contains(QRCodeComponents::negatedOnPixels())) {
    QRCodeBoolMatrix matrix = current.inverted();
    if (logoTemplate) matrix = logoTemplate->applyingMask(matrix, side);
    append(result, shape.onPixels()->generatePathFrom(matrix, size), quiet);
    return result;
  }

  std::shared_ptr<QRCodePixelShapeSquare> plainSquare;
  if (components.contains(QRCodeComponents::eyeBackground())) {
    static constexpr gfx::AffineTransform flipV = gfx::AffineTransform::scale(1, -1).concatenating(
        gfx::AffineTransform::translation(0, 90));
    addEyeBoxes(result, shape.eye()->eyeBackgroundPath().transformed(flipV), placement, farOffset);
  }
  if (components.contains(QRCodeComponents::eye())) addEyeBoxes(result, shape.eye()->eyePath(), placement, farOffset);
  if (components.contains(QRCodeComponents::pupil()))
    addEyeBoxes(result, shape.actualPupilShape()->pupilPath(), placement, farOffset);

  const bool wantsOff = components.contains(QRCodeComponents::offPixelsBackground()) ||
                        components.contains(QRCodeComponents::offPixels());
  if (wantsOff) {
    const QRCodeBoolMatrix matrix = pixelMatrix(current, true, logoTemplate, side);
    if (components.contains(QRCodeComponents::offPixelsBackground()))
      append(result, plainSquareGenerator(plainSquare).generatePath(matrix, size), quiet);
    if (components.contains(QRCodeComponents::offPixels())) {
      if (const auto& off = shape.offPixels()) append(result, off->generatePathFrom(matrix, size), quiet);
      else append(result, plainSquareGenerator(plainSquare).generatePath(matrix, size), quiet);
    }
  }
  const bool wantsOn = components.contains(QRCodeComponents::onPixelsBackground()) ||
                       components.contains(QRCodeComponents::onPixels());
  if (wantsOn) {
    const QRCodeBoolMatrix matrix = pixelMatrix(current, false, logoTemplate, side);
    if (components.contains(QRCodeComponents::onPixelsBackground()))
      append(result, plainSquareGenerator(plainSquare).generatePath(matrix, size), quiet);
    if (components.contains(QRCodeComponents::onPixels()))
      append(result, shape.onPixels()->generatePathFrom(matrix, size), quiet);
  }
  return result;
}

gfx::Path pathWithDimension(const QRCode& qrcode, double dimension, QRCodeComponents components, QRCodeShape& shape,
                            const QRCodeLogoTemplate* logoTemplate, double additionalQuietSpace) {
  return path(qrcode, gfx::Size{dimension, dimension}, components, shape, logoTemplate, additionalQuietSpace);
}

}  // namespace qrrender
