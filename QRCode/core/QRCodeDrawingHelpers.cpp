#include "QRCode/core/QRCodeDrawingHelpers.hpp"

#include "platform/foundation/Error.hpp"

void qrcore::drawInnerShadow(gfx::Canvas& canvas, const gfx::Path& path, const std::optional<gfx::Color>& color,
                     gfx::Size offset, double blur) {
  if (!color) return;
  canvas.save();
  canvas.setAntialias(true);
  canvas.clipToPath(path);
  canvas.save();
  gfx::Path frame;
  frame.reserve(path.size() + 5);
  frame.addRect(gfx::Rect(-100000, -100000, 200000, 200000));
  frame.addPath(path);
  canvas.setFillColor(*color);
  canvas.setShadow(offset, blur, *color);
  canvas.fillPath(frame, true);
  canvas.restore();
  canvas.restore();
}

void qrcore::drawImageCentred(gfx::Canvas& canvas, const gfx::Image& image, gfx::Size size, gfx::Size areaSize) {
  const gfx::Rect rect((areaSize.width - size.width) * 0.5, (areaSize.height - size.height) * 0.5, size.width,
                       size.height);
  canvas.drawImage(image, rect);
}

std::optional<gfx::Image> qrcore::makeBitmapImage(gfx::Size size, const std::optional<gfx::Color>& backgroundColor,
                                          const BitmapDrawing& draw) {
  auto canvas = foundation::attempt([&] { return gfx::Canvas::bitmap(size.width, size.height); });
  if (!canvas) return std::nullopt;
  canvas->setAntialias(true);
  canvas->setInterpolationQuality(gfx::InterpolationQuality::high);
  if (backgroundColor) {
    canvas->save();
    canvas->setFillColor(*backgroundColor);
    canvas->fillRect(gfx::Rect(0, 0, size.width, size.height));
    canvas->restore();
  }
  if (draw) {
    canvas->save();
    draw(*canvas, size.width, size.height);
    canvas->restore();
  }
  return foundation::attempt([&] { return canvas->makeImage(); });
}
