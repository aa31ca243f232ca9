#pragma once
// A drawing canvas over cairo with the platform's graphics-context conventions.
//
// Base space: a bitmap canvas of W x H pixels and a PDF canvas of a media box both start
// with a y-up transform: the origin is the bottom-left corner, one unit is one pixel (one
// point for PDF) and y grows upwards. concatenate/translate/scale/rotate change the
// current transform (user space -> base space) by putting the new step in front, as
// AffineTransform::translatedBy does.
//
// State stack: save() pushes and restore() pops the transform, the clip, the fill colour,
// the blend mode, the shadow, antialiasing and interpolation quality. A restore() without
// a matching save() does nothing.
//
// Shadows: setShadow(offset, blur, color) makes every later fillPath, drawImage and
// transparency layer cast a shadow. Offset and blur are in base space and ignore the
// current transform; a positive offset height moves the shadow up. The shadow is the
// shape's alpha (fill colour alpha times coverage, made from the unclipped shape), blurred
// by a Gaussian of sigma = blur / 2, tinted by the shadow colour, offset, and composited
// through the clip with the current blend mode, beneath the shape. Its mask only covers
// the clip's bounds (moved back by the offset) plus 3 sigma, so huge shapes cost no more
// than the part of them that can be seen. Gradients cast no shadow.
//
// Colours are converted to sRGB (Color::toSRGB) when they are set; cairo draws in sRGB.
// Gradients interpolate straight (not premultiplied) sRGB components.
//
// Path coordinates beyond +-4194304 device units are clamped (cairo's fixed-point range);
// a fill or clip whose path has a non-finite coordinate draws nothing (a clip then clips
// everything).
//
// Errors: the factories fail with GraphicsError::invalidSize for sizes <= 0, not finite or
// over 32767 pixels (the PDF media box: over maxPDFPageSide points), and with
// GraphicsError::cannotCreateCanvas when cairo refuses. Drawing calls never throw.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "platform/foundation/Text.hpp"
#include "platform/graphics/AffineTransform.hpp"
#include "platform/graphics/Color.hpp"
#include "platform/graphics/Geometry.hpp"
#include "platform/graphics/Image.hpp"
#include "platform/graphics/Path.hpp"

typedef struct _cairo cairo_t;

namespace gfx {

enum class BlendMode {
  normal, multiply, screen, overlay, darken, lighten, colorDodge, colorBurn, softLight,
  hardLight, difference, exclusion, hue, saturation, color, luminosity,
  clear, copy, sourceIn, sourceOut, sourceAtop, destinationOver, destinationIn,
  destinationOut, destinationAtop, xorMode, plusLighter,
};

enum class InterpolationQuality { none, low, medium, high };

// Which sides of a gradient continue beyond its end points: before the start (the first
// colour continues), after the end (the last colour continues), or both.
enum class GradientExtend : unsigned { none = 0, before = 1, after = 2, both = 3 };

// A colour gradient: colours at locations in 0...1, in order.
class Gradient {
 public:
  struct Stop {
    double location;
    std::array<double, 4> rgba;  // sRGB, not premultiplied
  };

  // A gradient from colours and locations (equal counts, at least one colour, finite
  // locations, which are limited to 0...1); none otherwise. Stops are ordered by location
  // (stable).
  static std::optional<Gradient> make(std::span<const Color> colors, std::span<const double> locations);

  const std::vector<Stop>& stops() const { return stops_; }

 private:
  std::vector<Stop> stops_;
};

class Canvas {
 public:
  // A transparent bitmap canvas of trunc(width) x trunc(height) pixels.
  static Canvas bitmap(double width, double height);
  // The largest side of a PDF page, in points. Everything drawn stays within the
  // +-4194304 that cairo's fixed point keeps exactly (with the extents between them);
  // beyond 2^23 cairo refuses the page or writes a wrong one.
  static constexpr double maxPDFPageSide = 4194304;
  // A one-page PDF canvas whose page is the media box (in points).
  static Canvas pdf(const Rect& mediaBox);
  // A canvas that draws into an existing cairo context, for example the one GTK hands a
  // widget's draw handler or one over a cairo recording surface. Its base space is y-up
  // over width x height units of the context's current user space (origin at the bottom
  // left of that area), and it draws as a PDF canvas does: every fill stays vector, and
  // shadows are rasterised at two mask pixels per unit. The context is referenced while
  // the canvas lives; its state is saved at creation and restored, with anything the
  // canvas left open, when the canvas is destroyed. makeImage and pdfData fail with
  // GraphicsError::unsupportedOperation. Fails like the other factories for a null
  // context, a context in an error state or an unusable width or height.
  static Canvas overContext(cairo_t* context, double width, double height);

  Canvas(Canvas&&) noexcept;
  Canvas& operator=(Canvas&&) noexcept;
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;
  ~Canvas();

  bool isPDF() const;
  // Pixel size of a bitmap canvas; the media box size (rounded up) for PDF.
  int width() const;
  int height() const;

  // --- state ------------------------------------------------------------------------
  void save();
  void restore();
  // Number of save() calls not yet restored (transparency layers count as one).
  int saveDepth() const;

  // Current transform, user space -> base space.
  const AffineTransform& transform() const;
  // t is applied to points first, then the current transform.
  void concatenate(const AffineTransform& t);
  void translate(double tx, double ty);
  void scale(double sx, double sy);
  void rotate(double angle);

  void setFillColor(const Color& color);
  const Color& fillColor() const;
  void setBlendMode(BlendMode mode);
  BlendMode blendMode() const;
  void setShadow(Size offset, double blur, const Color& color);
  void clearShadow();
  bool hasShadow() const;
  void setAntialias(bool on);
  void setInterpolationQuality(InterpolationQuality quality);

  // Bounds of the current clip in user space (the whole canvas when nothing is clipped).
  Rect clipBoundingBox() const;

  // --- drawing ----------------------------------------------------------------------
  void fillPath(const Path& path, bool evenOdd = false);
  void fillRect(const Rect& rect);
  // Draws only the shadow that fillPath would cast (with the fill colour's alpha), not the
  // fill: an inner shadow is the shadow of everything outside a shape, clipped to the shape,
  // and the outside itself must not tint the shape's anti-aliased edge. Nothing without a
  // shadow.
  void fillShadowOfPath(const Path& path, bool evenOdd = false);
  // Draws only the part of that shadow that falls outside the shape: what shows around an
  // opaque shape drawn earlier without a shadow (a gradient or an image clipped to it).
  // Where outlines overlap the shape stays free of shadow, and an anti-aliased edge pixel
  // takes the shadow only over the part the shape leaves open. Nothing without a shadow.
  void fillShadowAroundPath(const Path& path, bool evenOdd = false);
  // Intersects the clip with the path's inside.
  void clipToPath(const Path& path, bool evenOdd = false);
  void clipToRect(const Rect& rect);

  void drawLinearGradient(const Gradient& gradient, Point start, Point end,
                          GradientExtend extend);
  void drawRadialGradient(const Gradient& gradient, Point startCenter, double startRadius,
                          Point endCenter, double endRadius, GradientExtend extend);

  // Draws the image upright into the rectangle (its top row at the rectangle's maxY in
  // user space), stretched to fill it; nothing for an empty image. An image with many
  // more pixels than the drawing shows is reduced first by whole factors (block averages;
  // the nearest pixel with InterpolationQuality::none), keeping at least one pixel per
  // device pixel, and pdfImagePixelsPerPoint per point in a PDF (print resolution, 300
  // pixels per inch, at the size it is drawn). A PDF embeds one image drawn several
  // times at one size once.
  void drawImage(const Image& image, const Rect& rect);
  static constexpr double pdfImagePixelsPerPoint = 300.0 / 72.0;

  // Everything drawn until the matching end goes into an offscreen layer, which is then
  // composited as a whole with the blend mode and shadow in force at begin. Inside the
  // layer the shadow is off and the blend mode normal. begin saves the state, end
  // restores it (and any saves left open inside the layer).
  void beginTransparencyLayer();
  void endTransparencyLayer();

  // --- results ----------------------------------------------------------------------
  // The bitmap's pixels (unfinished layers are not included). Fails with
  // GraphicsError::unsupportedOperation on a PDF canvas.
  Image makeImage() const;
  // The same pixels without a copy, as the bitmap holds them: valid until the canvas is
  // drawn into again, moved or destroyed. Fails like makeImage.
  SurfacePixels surfacePixels() const;
  // Finishes the PDF (no drawing afterwards) and returns its bytes; later calls return
  // the same bytes. Fails with GraphicsError::unsupportedOperation on a bitmap canvas and
  // GraphicsError::drawingFailed when cairo could not write the document.
  foundation::Bytes pdfData();

  struct Impl;

 private:
  explicit Canvas(std::unique_ptr<Impl> impl);
  // The shadow a fill of path would cast, whole or only where the path leaves it open.
  void fillShadowOnly(const Path& path, bool evenOdd, bool aroundOnly);
  std::unique_ptr<Impl> impl_;
};

}  // namespace gfx
