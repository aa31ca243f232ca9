#include "platform/graphics/Canvas.hpp"

#include <cairo-pdf.h>
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <mutex>
#include <string>
#include <string_view>
#include <type_traits>

#include "platform/foundation/Clamp.hpp"
#include "platform/foundation/Error.hpp"
#include "platform/graphics/Blur.hpp"
#include "platform/graphics/CairoSurface.hpp"
#include "platform/graphics/GraphicsError.hpp"

namespace gfx {

namespace {

constexpr double kCoordinateLimit = 4194304.0;  // well inside cairo's 24.8 fixed point
constexpr double kMaxShadowSigma = 512.0;       // base units
constexpr double kPDFShadowResolution = 2.0;    // mask pixels per point in PDF canvases

std::string sizeText(double w, double h) {
  char buf[96];
  std::snprintf(buf, sizeof buf, "%g x %g", w, h);
  return buf;
}

std::array<double, 4> clampedRGBA(const Color& color) {
  const auto c = color.toSRGB();
  return {foundation::clampedFraction(c[0]), foundation::clampedFraction(c[1]),
          foundation::clampedFraction(c[2]), foundation::clampedFraction(c[3])};
}

cairo_matrix_t toCairo(const AffineTransform& t) {
  cairo_matrix_t m;
  cairo_matrix_init(&m, t.a, t.b, t.c, t.d, t.tx, t.ty);
  return m;
}

bool isInvertible(const AffineTransform& t) {
  const double det = t.a * t.d - t.b * t.c;
  return det != 0 && std::isfinite(det) && std::isfinite(t.tx) && std::isfinite(t.ty);
}

cairo_operator_t toCairo(BlendMode mode) {
  switch (mode) {
    case BlendMode::normal: return CAIRO_OPERATOR_OVER;
    case BlendMode::multiply: return CAIRO_OPERATOR_MULTIPLY;
    case BlendMode::screen: return CAIRO_OPERATOR_SCREEN;
    case BlendMode::overlay: return CAIRO_OPERATOR_OVERLAY;
    case BlendMode::darken: return CAIRO_OPERATOR_DARKEN;
    case BlendMode::lighten: return CAIRO_OPERATOR_LIGHTEN;
    case BlendMode::colorDodge: return CAIRO_OPERATOR_COLOR_DODGE;
    case BlendMode::colorBurn: return CAIRO_OPERATOR_COLOR_BURN;
    case BlendMode::softLight: return CAIRO_OPERATOR_SOFT_LIGHT;
    case BlendMode::hardLight: return CAIRO_OPERATOR_HARD_LIGHT;
    case BlendMode::difference: return CAIRO_OPERATOR_DIFFERENCE;
    case BlendMode::exclusion: return CAIRO_OPERATOR_EXCLUSION;
    case BlendMode::hue: return CAIRO_OPERATOR_HSL_HUE;
    case BlendMode::saturation: return CAIRO_OPERATOR_HSL_SATURATION;
    case BlendMode::color: return CAIRO_OPERATOR_HSL_COLOR;
    case BlendMode::luminosity: return CAIRO_OPERATOR_HSL_LUMINOSITY;
    case BlendMode::clear: return CAIRO_OPERATOR_CLEAR;
    case BlendMode::copy: return CAIRO_OPERATOR_SOURCE;
    case BlendMode::sourceIn: return CAIRO_OPERATOR_IN;
    case BlendMode::sourceOut: return CAIRO_OPERATOR_OUT;
    case BlendMode::sourceAtop: return CAIRO_OPERATOR_ATOP;
    case BlendMode::destinationOver: return CAIRO_OPERATOR_DEST_OVER;
    case BlendMode::destinationIn: return CAIRO_OPERATOR_DEST_IN;
    case BlendMode::destinationOut: return CAIRO_OPERATOR_DEST_OUT;
    case BlendMode::destinationAtop: return CAIRO_OPERATOR_DEST_ATOP;
    case BlendMode::xorMode: return CAIRO_OPERATOR_XOR;
    case BlendMode::plusLighter: return CAIRO_OPERATOR_ADD;
  }
  return CAIRO_OPERATOR_OVER;
}

cairo_filter_t toCairo(InterpolationQuality q) {
  switch (q) {
    case InterpolationQuality::none: return CAIRO_FILTER_NEAREST;
    case InterpolationQuality::low: return CAIRO_FILTER_FAST;
    case InterpolationQuality::medium: return CAIRO_FILTER_GOOD;
    case InterpolationQuality::high: return CAIRO_FILTER_BEST;
  }
  return CAIRO_FILTER_GOOD;
}

double clampCoordinate(double v) { return std::clamp(v, -kCoordinateLimit, kCoordinateLimit); }

// Walks the path in device coordinates. Sink: move(p), line(p), cubic(c1, c2, p), close().
// Quadratic curves are raised to cubics. Returns false when a coordinate is not finite.
template <class Sink>
bool walkPath(const Path& path, const AffineTransform& m, Sink& sink) {
  Point current{}, start{};
  bool hasCurrent = false;
  auto map = [&m](Point p, bool& ok) {
    Point q = m.apply(p);
    if (!std::isfinite(q.x) || !std::isfinite(q.y)) ok = false;
    return Point{clampCoordinate(q.x), clampCoordinate(q.y)};
  };
  bool ok = true;
  for (const PathElement& e : path.elements()) {
    switch (e.type) {
      case PathElementType::move: {
        const Point p = map(e.points[0], ok);
        sink.move(p);
        current = start = p;
        hasCurrent = true;
        break;
      }
      case PathElementType::line: {
        const Point p = map(e.points[0], ok);
        if (!hasCurrent) { sink.move(p); start = p; hasCurrent = true; }
        else sink.line(p);
        current = p;
        break;
      }
      case PathElementType::quad: {
        const Point q = map(e.points[0], ok), p = map(e.points[1], ok);
        if (!hasCurrent) { sink.move(q); start = current = q; hasCurrent = true; }
        constexpr double k = 2.0 / 3.0;
        const Point c1{current.x + (q.x - current.x) * k, current.y + (q.y - current.y) * k};
        const Point c2{p.x + (q.x - p.x) * k, p.y + (q.y - p.y) * k};
        sink.cubic(c1, c2, p);
        current = p;
        break;
      }
      case PathElementType::cubic: {
        const Point c1 = map(e.points[0], ok), c2 = map(e.points[1], ok), p = map(e.points[2], ok);
        if (!hasCurrent) { sink.move(c1); start = c1; hasCurrent = true; }
        sink.cubic(c1, c2, p);
        current = p;
        break;
      }
      case PathElementType::close:
        if (hasCurrent) {
          sink.close();
          current = start;
        }
        break;
    }
    if (!ok) return false;
  }
  return true;
}

struct CairoSink {
  cairo_t* cr;
  void move(Point p) { cairo_move_to(cr, p.x, p.y); }
  void line(Point p) { cairo_line_to(cr, p.x, p.y); }
  void cubic(Point a, Point b, Point p) { cairo_curve_to(cr, a.x, a.y, b.x, b.y, p.x, p.y); }
  void close() { cairo_close_path(cr); }
};

struct BoundsSink {
  double x0 = std::numeric_limits<double>::infinity(), y0 = x0, x1 = -x0, y1 = -x0;
  void add(Point p) {
    x0 = std::min(x0, p.x); y0 = std::min(y0, p.y);
    x1 = std::max(x1, p.x); y1 = std::max(y1, p.y);
  }
  void move(Point p) { add(p); }
  void line(Point p) { add(p); }
  void cubic(Point a, Point b, Point p) { add(a); add(b); add(p); }
  void close() {}
  Rect rect() const { return x0 > x1 ? Rect::null() : Rect(x0, y0, x1 - x0, y1 - y0); }
};

// Replaces the current path of cr with the path in device coordinates.
bool setPath(cairo_t* cr, const Path& path, const AffineTransform& m) {
  cairo_new_path(cr);
  CairoSink sink{cr};
  if (!walkPath(path, m, sink)) {
    cairo_new_path(cr);
    return false;
  }
  return true;
}

struct ContextDeleter {
  void operator()(cairo_t* c) const { cairo_destroy(c); }
};
struct PatternDeleter {
  void operator()(cairo_pattern_t* p) const { cairo_pattern_destroy(p); }
};
using SurfacePtr = CairoSurfacePtr;
using ContextPtr = std::unique_ptr<cairo_t, ContextDeleter>;
using PatternPtr = std::unique_ptr<cairo_pattern_t, PatternDeleter>;

}  // namespace

// --- Gradient ---------------------------------------------------------------------------

std::optional<Gradient> Gradient::make(std::span<const Color> colors, std::span<const double> locations) {
  if (colors.empty() || colors.size() != locations.size()) return std::nullopt;
  Gradient g;
  g.stops_.reserve(colors.size());
  for (std::size_t i = 0; i < colors.size(); ++i) {
    if (!std::isfinite(locations[i])) return std::nullopt;
    g.stops_.push_back({std::clamp(locations[i], 0.0, 1.0), clampedRGBA(colors[i])});
  }
  std::stable_sort(g.stops_.begin(), g.stops_.end(),
                   [](const Stop& l, const Stop& r) { return l.location < r.location; });
  return g;
}

// --- Canvas -----------------------------------------------------------------------------

namespace {

// The pixel memory of bitmap canvases. Exporting a code makes and drops one bitmap after
// another; handing each new canvas the memory of the last one (up to kKeptPixelBytes)
// spares the allocator returning it to the system and the kernel zero-filling it again on
// every export. The memory is cleared before reuse, as cairo clears a new surface.
class PixelStore {
 public:
  static constexpr std::size_t kKeptPixelBytes = 16u << 20;

  // Zeroed memory for size bytes, or null when out of memory.
  static unsigned char* take(std::size_t size) {
    Block* block = nullptr;
    {
      std::lock_guard lock(instance().mutex_);
      Block*& kept = instance().kept_;
      if (kept && kept->size >= size && kept->size / 2 <= size) std::swap(block, kept);
    }
    if (block) {
      std::memset(block->pixels(), 0, size);
    } else {
      block = static_cast<Block*>(std::calloc(1, sizeof(Block) + size));
      if (!block) return nullptr;
      block->size = size;
    }
    return block->pixels();
  }

  // cairo's destroy notification for a surface over memory from take; never throws.
  static void give(void* pixels) noexcept {
    Block* block = Block::of(static_cast<unsigned char*>(pixels));
    if (block->size <= kKeptPixelBytes) {
      std::lock_guard lock(instance().mutex_);
      std::swap(block, instance().kept_);
    }
    std::free(block);
  }

 private:
  struct alignas(16) Block {
    std::size_t size;
    unsigned char* pixels() { return reinterpret_cast<unsigned char*>(this + 1); }
    static Block* of(unsigned char* pixels) { return reinterpret_cast<Block*>(pixels) - 1; }
  };

  static PixelStore& instance() {
    static PixelStore store;
    return store;
  }

  std::mutex mutex_;
  Block* kept_ = nullptr;
};

const cairo_user_data_key_t kPixelsKey{};

// An ARGB32 surface over memory from the pixel store (a surface in an error state when
// cairo or the memory fails).
cairo_surface_t* makeBitmapSurface(int width, int height) {
  const int stride = cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, width);
  if (stride <= 0) return cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  unsigned char* pixels = PixelStore::take(static_cast<std::size_t>(stride) * static_cast<std::size_t>(height));
  if (!pixels) return cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  cairo_surface_t* surface = cairo_image_surface_create_for_data(pixels, CAIRO_FORMAT_ARGB32, width, height, stride);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    PixelStore::give(pixels);
    return surface;
  }
  if (cairo_surface_set_user_data(surface, &kPixelsKey, pixels, PixelStore::give) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    PixelStore::give(pixels);
    return cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  }
  return surface;
}

}  // namespace

struct Canvas::Impl {
  struct State {
    AffineTransform ctm;  // user -> base
    Color fill;
    BlendMode blend = BlendMode::normal;
    bool shadowOn = false;
    Size shadowOffset;
    double shadowBlur = 0;
    Color shadowColor;
    bool antialias = true;
    InterpolationQuality interpolation = InterpolationQuality::medium;
    bool layerBase = false;  // pushed by beginTransparencyLayer
  };

  SurfacePtr surface;
  ContextPtr cr;
  bool pdf = false;
  bool external = false;  // made by overContext: the context belongs to someone else
  bool finished = false;
  int width = 0, height = 0;
  AffineTransform baseToDevice;
  double shadowResolution = 1.0;
  foundation::Bytes pdfBytes;
  bool writeFailed = false;
  std::vector<State> states;
  // PDF canvases: the surface made for each image drawn, so that an image drawn several
  // times (one picture filling several shapes) is held and embedded once.
  struct ImageSurface {
    Image image;
    int width, height;  // of the surface
    bool average;
    SurfacePtr surface;
  };
  std::vector<ImageSurface> imageSurfaces;

  Impl() = default;
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;
  // A borrowed context gets back the state it was handed over in.
  ~Impl() {
    if (!external || !cr) return;
    while (states.size() > 1) {
      if (states.back().layerBase) cairo_pattern_destroy(cairo_pop_group(cr.get()));
      else cairo_restore(cr.get());
      states.pop_back();
    }
    cairo_restore(cr.get());
  }

  State& top() { return states.back(); }
  const State& top() const { return states.back(); }
  AffineTransform userToDevice() const { return top().ctm.concatenating(baseToDevice); }
  bool usable() const { return !finished && cairo_status(cr.get()) == CAIRO_STATUS_SUCCESS; }

  Rect deviceClipExtents() const {
    double x0, y0, x1, y1;
    cairo_clip_extents(cr.get(), &x0, &y0, &x1, &y1);
    if (!(x1 > x0) || !(y1 > y0)) return Rect::null();
    return Rect(x0, y0, x1 - x0, y1 - y0);
  }

  // Where and how a shadow is drawn, in device space.
  struct ShadowGeometry {
    double dx, dy;   // device offset
    double sigma;    // device units
    Rect clip;       // device clip extents
    Rect region;     // the part of the shape's mask that can show: (clip - offset) and the
                     // shape, both grown by 3 sigma
    std::array<double, 4> rgba;
  };

  std::optional<ShadowGeometry> shadowGeometry(const State& s, const Rect& shapeBounds) const {
    if (!s.shadowOn || shapeBounds.isNull()) return std::nullopt;
    ShadowGeometry g;
    g.rgba = clampedRGBA(s.shadowColor);
    if (g.rgba[3] <= 0) return std::nullopt;
    const AffineTransform& bd = baseToDevice;
    g.dx = bd.a * s.shadowOffset.width + bd.c * s.shadowOffset.height;
    g.dy = bd.b * s.shadowOffset.width + bd.d * s.shadowOffset.height;
    if (!std::isfinite(g.dx) || !std::isfinite(g.dy)) return std::nullopt;
    g.sigma = std::isfinite(s.shadowBlur) ? std::clamp(s.shadowBlur / 2.0, 0.0, kMaxShadowSigma)
                                          : (s.shadowBlur > 0 ? kMaxShadowSigma : 0.0);
    const double margin = std::ceil(3.0 * g.sigma) + 1.0;
    g.clip = deviceClipExtents();
    if (g.clip.isNull()) return std::nullopt;
    g.region = g.clip.offsetBy(-g.dx, -g.dy).insetBy(-margin, -margin)
                   .intersection(shapeBounds.insetBy(-margin, -margin));
    if (g.region.isNull() || g.region.isEmpty()) return std::nullopt;
    return g;
  }

  // Composites a shadow mask whose pixel (0, 0) sits at device (px0, py0) / k, scaled k.
  void compositeShadow(const State& s, const ShadowGeometry& g, cairo_surface_t* mask, double k, double px0,
                       double py0) {
    PatternPtr pattern(cairo_pattern_create_for_surface(mask));
    cairo_matrix_t m;  // device -> mask pixels, the shadow moved by (dx, dy)
    cairo_matrix_init(&m, k, 0, 0, k, -k * g.dx - px0, -k * g.dy - py0);
    cairo_pattern_set_matrix(pattern.get(), &m);
    cairo_pattern_set_extend(pattern.get(), CAIRO_EXTEND_NONE);
    cairo_pattern_set_filter(pattern.get(), k == 1.0 && g.dx == std::round(g.dx) && g.dy == std::round(g.dy)
                                                ? CAIRO_FILTER_NEAREST : CAIRO_FILTER_GOOD);
    cairo_save(cr.get());
    cairo_set_source_rgba(cr.get(), g.rgba[0], g.rgba[1], g.rgba[2], g.rgba[3]);
    cairo_set_operator(cr.get(), toCairo(s.blend));
    cairo_mask(cr.get(), pattern.get());
    cairo_restore(cr.get());
  }

  // Draws the current shadow for a shape whose device bounds are shapeBounds. drawMask
  // paints the shape's alpha into a mask context, given the transform from device space
  // to mask pixels. cutMask, when given, then draws into the blurred mask, given the
  // transform from device space to the mask pixels that land there once the shadow is
  // offset (so it can take out what lies under the shape itself).
  template <class DrawMask, class CutMask = std::nullptr_t>
  void drawShadow(const State& s, const Rect& shapeBounds, DrawMask&& drawMask, CutMask&& cutMask = nullptr) {
    const auto g = shadowGeometry(s, shapeBounds);
    if (!g) return;
    const Rect& region = g->region;
    double k = shadowResolution;
    k = std::min(k, (Image::maxDimension - 2) / std::max(region.width(), region.height()));
    const double px0 = std::floor(region.minX() * k), py0 = std::floor(region.minY() * k);
    const int w = static_cast<int>(std::ceil(region.maxX() * k) - px0);
    const int h = static_cast<int>(std::ceil(region.maxY() * k) - py0);
    if (w <= 0 || h <= 0) return;
    SurfacePtr mask(cairo_image_surface_create(CAIRO_FORMAT_A8, w, h));
    if (cairo_surface_status(mask.get()) != CAIRO_STATUS_SUCCESS) return;
    {
      ContextPtr mcr(cairo_create(mask.get()));
      cairo_set_antialias(mcr.get(), s.antialias ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
      const AffineTransform deviceToMask{k, 0, 0, k, -px0, -py0};
      drawMask(mcr.get(), deviceToMask);
    }
    cairo_surface_flush(mask.get());
    unsigned char* data = cairo_image_surface_get_data(mask.get());
    if (g->sigma * k >= 0.1) blurMask(data, data, w, h, cairo_image_surface_get_stride(mask.get()), g->sigma * k);
    cairo_surface_mark_dirty(mask.get());
    if constexpr (!std::is_same_v<std::decay_t<CutMask>, std::nullptr_t>) {
      ContextPtr mcr(cairo_create(mask.get()));
      cairo_set_antialias(mcr.get(), s.antialias ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
      cutMask(mcr.get(), AffineTransform::translation(-g->dx, -g->dy)
                             .concatenating(AffineTransform{k, 0, 0, k, -px0, -py0}));
    }
    compositeShadow(s, *g, mask.get(), k, px0, py0);
  }

  // The shadow of filling path (device transform m, device bounds shapeBounds).
  void drawFillShadow(const State& s, const Path& path, const AffineTransform& m, cairo_fill_rule_t rule,
                      const Rect& shapeBounds) {
    drawShadow(s, shapeBounds, [&](cairo_t* mcr, const AffineTransform& toMask) {
      fillMask(mcr, path, m.concatenating(toMask), rule, clampedRGBA(s.fill)[3]);
    });
  }

  // The same shadow less what falls under the shape itself: the shape's coverage is taken
  // out of the offset mask, so an edge pixel keeps the shadow in proportion to the part
  // of it the shape leaves open.
  void drawFillShadowAround(const State& s, const Path& path, const AffineTransform& m, cairo_fill_rule_t rule,
                            const Rect& shapeBounds) {
    drawShadow(
        s, shapeBounds,
        [&](cairo_t* mcr, const AffineTransform& toMask) {
          fillMask(mcr, path, m.concatenating(toMask), rule, clampedRGBA(s.fill)[3]);
        },
        [&](cairo_t* mcr, const AffineTransform& toMask) {
          cairo_set_operator(mcr, CAIRO_OPERATOR_DEST_OUT);
          fillMask(mcr, path, m.concatenating(toMask), rule, 1.0);
        });
  }

  static void fillMask(cairo_t* mcr, const Path& path, const AffineTransform& toMask, cairo_fill_rule_t rule,
                       double alpha) {
    if (!setPath(mcr, path, toMask)) return;
    cairo_set_fill_rule(mcr, rule);
    cairo_set_source_rgba(mcr, 0, 0, 0, alpha);
    cairo_fill(mcr);
  }

  // Bitmap canvases, normal blending: rasterises the shape's coverage once and uses it
  // both for the shadow (blurred copy) and for the fill itself. False when there is no
  // visible shadow or the mask would be too large (the caller then fills as usual).
  bool fillWithShadow(const State& s, const Path& path, const AffineTransform& m, cairo_fill_rule_t rule,
                      const Rect& shapeBounds) {
    const auto g = shadowGeometry(s, shapeBounds);
    if (!g) return false;
    const Rect fillRegion = g->clip.intersection(shapeBounds.insetBy(-1, -1));
    const Rect all = g->region.unionWith(fillRegion).integral();
    if (all.width() > Image::maxDimension || all.height() > Image::maxDimension) return false;
    const int w = static_cast<int>(all.width()), h = static_cast<int>(all.height());
    if (w <= 0 || h <= 0) return false;
    SurfacePtr coverage(cairo_image_surface_create(CAIRO_FORMAT_A8, w, h));
    SurfacePtr shadow(cairo_image_surface_create(CAIRO_FORMAT_A8, w, h));
    if (cairo_surface_status(coverage.get()) != CAIRO_STATUS_SUCCESS ||
        cairo_surface_status(shadow.get()) != CAIRO_STATUS_SUCCESS) {
      return false;
    }
    {
      ContextPtr mcr(cairo_create(coverage.get()));
      cairo_set_antialias(mcr.get(), s.antialias ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
      if (!setPath(mcr.get(), path, m.concatenating(AffineTransform::translation(-all.minX(), -all.minY())))) {
        return true;  // nothing to draw
      }
      cairo_set_fill_rule(mcr.get(), rule);
      cairo_fill(mcr.get());
    }
    cairo_surface_flush(coverage.get());
    cairo_surface_flush(shadow.get());
    const int stride = cairo_image_surface_get_stride(coverage.get());
    const auto fill = clampedRGBA(s.fill);
    blurMask(cairo_image_surface_get_data(coverage.get()), cairo_image_surface_get_data(shadow.get()), w, h, stride,
             g->sigma, fill[3]);
    cairo_surface_mark_dirty(shadow.get());
    compositeShadow(s, *g, shadow.get(), 1.0, all.minX(), all.minY());

    PatternPtr pattern(cairo_pattern_create_for_surface(coverage.get()));
    cairo_matrix_t pm;
    cairo_matrix_init_translate(&pm, -all.minX(), -all.minY());
    cairo_pattern_set_matrix(pattern.get(), &pm);
    cairo_pattern_set_filter(pattern.get(), CAIRO_FILTER_NEAREST);
    cairo_save(cr.get());
    cairo_set_source_rgba(cr.get(), fill[0], fill[1], fill[2], fill[3]);
    cairo_set_operator(cr.get(), CAIRO_OPERATOR_OVER);
    cairo_mask(cr.get(), pattern.get());
    cairo_restore(cr.get());
    return true;
  }

  void setSource(const Color& color) {
    const auto c = clampedRGBA(color);
    cairo_set_source_rgba(cr.get(), c[0], c[1], c[2], c[3]);
  }
};

namespace {
cairo_status_t writePDF(void* closure, const unsigned char* data, unsigned int length) {
  auto* impl = static_cast<Canvas::Impl*>(closure);
  try {
    impl->pdfBytes.insert(impl->pdfBytes.end(), data, data + length);
  } catch (...) {
    impl->writeFailed = true;
    return CAIRO_STATUS_WRITE_ERROR;
  }
  return CAIRO_STATUS_SUCCESS;
}

bool validExtent(double v, double limit = Image::maxDimension) { return std::isfinite(v) && v > 0 && v <= limit; }
}  // namespace

Canvas::Canvas(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Canvas::Canvas(Canvas&&) noexcept = default;
Canvas& Canvas::operator=(Canvas&&) noexcept = default;
Canvas::~Canvas() = default;

Canvas Canvas::bitmap(double width, double height) {
  const double w = std::isfinite(width) ? std::trunc(width) : width;
  const double h = std::isfinite(height) ? std::trunc(height) : height;
  if (!validExtent(w) || !validExtent(h)) foundation::raise(GraphicsError::invalidSize, sizeText(width, height));
  auto impl = std::make_unique<Impl>();
  impl->width = static_cast<int>(w);
  impl->height = static_cast<int>(h);
  impl->surface.reset(makeBitmapSurface(impl->width, impl->height));
  if (cairo_surface_status(impl->surface.get()) != CAIRO_STATUS_SUCCESS) {
    foundation::raise(GraphicsError::cannotCreateCanvas,
                      cairo_status_to_string(cairo_surface_status(impl->surface.get())));
  }
  impl->cr.reset(cairo_create(impl->surface.get()));
  if (cairo_status(impl->cr.get()) != CAIRO_STATUS_SUCCESS) {
    foundation::raise(GraphicsError::cannotCreateCanvas, cairo_status_to_string(cairo_status(impl->cr.get())));
  }
  impl->baseToDevice = {1, 0, 0, -1, 0, h};
  impl->states.emplace_back();
  return Canvas(std::move(impl));
}

Canvas Canvas::pdf(const Rect& mediaBox) {
  const Rect box = mediaBox;
  if ( !std::isfinite(box.origin.x) || !std::isfinite(box.origin.y) ||
      !validExtent(box.size.width, maxPDFPageSide) || !validExtent(box.size.height, maxPDFPageSide)) {
    foundation::raise(GraphicsError::invalidSize, sizeText(mediaBox.size.width, mediaBox.size.height));
  }
  auto impl = std::make_unique<Impl>();
  impl->pdf = true;
  impl->width = static_cast<int>(std::ceil(box.size.width));
  impl->height = static_cast<int>(std::ceil(box.size.height));
  impl->surface.reset(cairo_pdf_surface_create_for_stream(writePDF, impl.get(), box.size.width, box.size.height));
  if (cairo_surface_status(impl->surface.get()) != CAIRO_STATUS_SUCCESS) {
    foundation::raise(GraphicsError::cannotCreateCanvas,
                      cairo_status_to_string(cairo_surface_status(impl->surface.get())));
  }
  impl->cr.reset(cairo_create(impl->surface.get()));
  if (cairo_status(impl->cr.get()) != CAIRO_STATUS_SUCCESS) {
    foundation::raise(GraphicsError::cannotCreateCanvas, cairo_status_to_string(cairo_status(impl->cr.get())));
  }
  impl->baseToDevice = {1, 0, 0, -1, -box.origin.x, box.size.height + box.origin.y};
  impl->shadowResolution = kPDFShadowResolution;
  impl->states.emplace_back();
  return Canvas(std::move(impl));
}

Canvas Canvas::overContext(cairo_t* context, double width, double height) {
  if (!context) foundation::raise(GraphicsError::cannotCreateCanvas, "no cairo context");
  if (cairo_status(context) != CAIRO_STATUS_SUCCESS) {
    foundation::raise(GraphicsError::cannotCreateCanvas, cairo_status_to_string(cairo_status(context)));
  }
  if (!validExtent(width) || !validExtent(height)) foundation::raise(GraphicsError::invalidSize, sizeText(width, height));
  auto impl = std::make_unique<Impl>();
  impl->width = static_cast<int>(std::ceil(width));
  impl->height = static_cast<int>(std::ceil(height));
  cairo_save(context);
  impl->cr.reset(cairo_reference(context));
  impl->external = true;
  impl->baseToDevice = {1, 0, 0, -1, 0, height};
  impl->shadowResolution = kPDFShadowResolution;
  impl->states.emplace_back();
  return Canvas(std::move(impl));
}

bool Canvas::isPDF() const { return impl_->pdf; }
int Canvas::width() const { return impl_->width; }
int Canvas::height() const { return impl_->height; }

void Canvas::save() {
  impl_->states.push_back(impl_->top());
  impl_->top().layerBase = false;
  cairo_save(impl_->cr.get());
}

void Canvas::restore() {
  if (impl_->states.size() <= 1 || impl_->top().layerBase) return;
  impl_->states.pop_back();
  cairo_restore(impl_->cr.get());
}

int Canvas::saveDepth() const { return static_cast<int>(impl_->states.size()) - 1; }

const AffineTransform& Canvas::transform() const { return impl_->top().ctm; }
void Canvas::concatenate(const AffineTransform& t) { impl_->top().ctm = t.concatenating(impl_->top().ctm); }
void Canvas::translate(double tx, double ty) { concatenate(AffineTransform::translation(tx, ty)); }
void Canvas::scale(double sx, double sy) { concatenate(AffineTransform::scale(sx, sy)); }
void Canvas::rotate(double angle) { concatenate(AffineTransform::rotation(angle)); }

void Canvas::setFillColor(const Color& color) { impl_->top().fill = color; }
const Color& Canvas::fillColor() const { return impl_->top().fill; }
void Canvas::setBlendMode(BlendMode mode) { impl_->top().blend = mode; }
BlendMode Canvas::blendMode() const { return impl_->top().blend; }

void Canvas::setShadow(Size offset, double blur, const Color& color) {
  auto& s = impl_->top();
  s.shadowOn = true;
  s.shadowOffset = offset;
  s.shadowBlur = blur;
  s.shadowColor = color;
}
void Canvas::clearShadow() { impl_->top().shadowOn = false; }
bool Canvas::hasShadow() const { return impl_->top().shadowOn; }

void Canvas::setAntialias(bool on) {
  impl_->top().antialias = on;
  cairo_set_antialias(impl_->cr.get(), on ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
}
void Canvas::setInterpolationQuality(InterpolationQuality quality) { impl_->top().interpolation = quality; }

Rect Canvas::clipBoundingBox() const {
  const Rect device = impl_->deviceClipExtents();
  if (device.isNull()) return device;
  const AffineTransform m = impl_->userToDevice();
  if (!isInvertible(m)) return Rect::null();
  return m.inverted().apply(device);
}

void Canvas::fillPath(const Path& path, bool evenOdd) {
  Impl& d = *impl_;
  if (!d.usable() || path.empty()) return;
  const auto& s = d.top();
  const AffineTransform m = d.userToDevice();
  const cairo_fill_rule_t rule = evenOdd ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING;
  if (s.shadowOn) {
    BoundsSink bounds;
    if (!walkPath(path, m, bounds)) return;
    if (!d.pdf && !d.external && s.blend == BlendMode::normal && d.fillWithShadow(s, path, m, rule, bounds.rect())) return;
    d.drawFillShadow(s, path, m, rule, bounds.rect());
  }
  cairo_t* cr = d.cr.get();
  if (!setPath(cr, path, m)) return;
  d.setSource(s.fill);
  cairo_set_operator(cr, toCairo(s.blend));
  cairo_set_fill_rule(cr, rule);
  cairo_fill(cr);
}

void Canvas::fillShadowOfPath(const Path& path, bool evenOdd) { fillShadowOnly(path, evenOdd, false); }

void Canvas::fillShadowAroundPath(const Path& path, bool evenOdd) { fillShadowOnly(path, evenOdd, true); }

void Canvas::fillShadowOnly(const Path& path, bool evenOdd, bool aroundOnly) {
  Impl& d = *impl_;
  if (!d.usable() || path.empty() || !d.top().shadowOn) return;
  const auto& s = d.top();
  const AffineTransform m = d.userToDevice();
  BoundsSink bounds;
  if (!walkPath(path, m, bounds)) return;
  const cairo_fill_rule_t rule = evenOdd ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING;
  if (aroundOnly)
    d.drawFillShadowAround(s, path, m, rule, bounds.rect());
  else
    d.drawFillShadow(s, path, m, rule, bounds.rect());
}

void Canvas::fillRect(const Rect& rect) {
  Path p;
  p.addRect(rect);
  fillPath(p);
}

void Canvas::clipToPath(const Path& path, bool evenOdd) {
  Impl& d = *impl_;
  if (!d.usable()) return;
  cairo_t* cr = d.cr.get();
  if (!setPath(cr, path, d.userToDevice())) {
    cairo_new_path(cr);
    cairo_rectangle(cr, 0, 0, 0, 0);  // clips everything away
  }
  cairo_set_fill_rule(cr, evenOdd ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
  cairo_clip(cr);
}

void Canvas::clipToRect(const Rect& rect) {
  Path p;
  p.addRect(rect);
  clipToPath(p);
}

namespace {
void addStops(cairo_pattern_t* pattern, const Gradient& gradient, GradientExtend extend) {
  const auto& stops = gradient.stops();
  const bool before = static_cast<unsigned>(extend) & 1u, after = static_cast<unsigned>(extend) & 2u;
  if (!before) {
    // The first colour holds from location 0; nothing before it.
    cairo_pattern_add_color_stop_rgba(pattern, 0, 0, 0, 0, 0);
    const auto& c = stops.front().rgba;
    cairo_pattern_add_color_stop_rgba(pattern, 0, c[0], c[1], c[2], c[3]);
  }
  for (const auto& s : stops) {
    cairo_pattern_add_color_stop_rgba(pattern, s.location, s.rgba[0], s.rgba[1], s.rgba[2], s.rgba[3]);
  }
  if (!after) {
    const auto& c = stops.back().rgba;
    cairo_pattern_add_color_stop_rgba(pattern, 1, c[0], c[1], c[2], c[3]);
    cairo_pattern_add_color_stop_rgba(pattern, 1, 0, 0, 0, 0);
  }
  cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
}
}  // namespace

void Canvas::drawLinearGradient(const Gradient& gradient, Point start, Point end, GradientExtend extend) {
  Impl& d = *impl_;
  const AffineTransform m = d.userToDevice();
  if (!d.usable() || gradient.stops().empty() || !isInvertible(m)) return;
  if (!std::isfinite(start.x) || !std::isfinite(start.y) || !std::isfinite(end.x) || !std::isfinite(end.y)) return;
  PatternPtr pattern(cairo_pattern_create_linear(start.x, start.y, end.x, end.y));
  addStops(pattern.get(), gradient, extend);
  const cairo_matrix_t pm = toCairo(m.inverted());
  cairo_pattern_set_matrix(pattern.get(), &pm);
  cairo_t* cr = d.cr.get();
  cairo_save(cr);
  cairo_set_source(cr, pattern.get());
  cairo_set_operator(cr, toCairo(d.top().blend));
  cairo_paint(cr);
  cairo_restore(cr);
}

void Canvas::drawRadialGradient(const Gradient& gradient, Point startCenter, double startRadius,
                                Point endCenter, double endRadius, GradientExtend extend) {
  Impl& d = *impl_;
  const AffineTransform m = d.userToDevice();
  if (!d.usable() || gradient.stops().empty() || !isInvertible(m)) return;
  for (double v : {startCenter.x, startCenter.y, endCenter.x, endCenter.y, startRadius, endRadius})
    if (!std::isfinite(v)) return;
  if (startRadius < 0 || endRadius < 0) return;
  PatternPtr pattern(cairo_pattern_create_radial(startCenter.x, startCenter.y, startRadius,
                                                 endCenter.x, endCenter.y, endRadius));
  addStops(pattern.get(), gradient, extend);
  const cairo_matrix_t pm = toCairo(m.inverted());
  cairo_pattern_set_matrix(pattern.get(), &pm);
  cairo_t* cr = d.cr.get();
  cairo_save(cr);
  cairo_set_source(cr, pattern.get());
  cairo_set_operator(cr, toCairo(d.top().blend));
  cairo_paint(cr);
  cairo_restore(cr);
}

void Canvas::drawImage(const Image& image, const Rect& rect) {
  Impl& d = *impl_;
  if (!d.usable() || image.empty()) return;
  const Rect r = rect.standardized();
  if (r.isNull() || !(r.size.width > 0) || !(r.size.height > 0) || !std::isfinite(r.size.width) ||
      !std::isfinite(r.size.height)) {
    return;
  }
  const AffineTransform m = d.userToDevice();
  if (!isInvertible(m)) return;
  const auto& s = d.top();
  // An image larger than the drawing shows is first reduced, so that neither the copy
  // handed to cairo nor what a PDF embeds is larger than needed: by whole factors to at
  // least one pixel per device pixel, and in a PDF to pdfImagePixelsPerPoint per point
  // (the image's own pixels where it has fewer).
  const double shownX = r.size.width * std::hypot(m.a, m.b), shownY = r.size.height * std::hypot(m.c, m.d);
  const bool average = s.interpolation != InterpolationQuality::none;
  cairo_surface_t* surface = nullptr;
  SurfacePtr own;
  if (d.pdf) {
    auto pixels = [](int own, double shown) {
      const double wanted = std::ceil(shown * pdfImagePixelsPerPoint);
      return std::isfinite(wanted) && wanted < own ? std::max(1, static_cast<int>(wanted)) : own;
    };
    const int width = pixels(image.width(), shownX), height = pixels(image.height(), shownY);
    for (const Impl::ImageSurface& kept : d.imageSurfaces)
      if (kept.image.sharesPixelsWith(image) && kept.width == width && kept.height == height &&
          kept.average == average)
        surface = kept.surface.get();
    if (!surface) {
      SurfacePtr made = makeCairoSurfaceOfSize(image, width, height, average);
      if (!made) return;
      surface = made.get();
      d.imageSurfaces.push_back({image, width, height, average, std::move(made)});
    }
  } else {
    auto factor = [](int pixels, double shown) {
      const double f = std::floor(pixels / shown);
      return std::isfinite(f) && f > 1 ? static_cast<int>(std::min<double>(f, pixels)) : 1;
    };
    own = makeCairoSurface(image, factor(image.width(), shownX), factor(image.height(), shownY), average);
    surface = own.get();
  }
  if (!surface) return;
  // user -> surface pixels: the top row sits at maxY.
  const double sx = cairo_image_surface_get_width(surface) / r.size.width,
               sy = cairo_image_surface_get_height(surface) / r.size.height;
  const AffineTransform userToImage{sx, 0, 0, -sy, -r.minX() * sx, r.maxY() * sy};
  const AffineTransform deviceToImage = m.inverted().concatenating(userToImage);
  Path outline;
  outline.addRect(r);
  auto makePattern = [&](const AffineTransform& deviceToPattern) {
    PatternPtr p(cairo_pattern_create_for_surface(surface));
    const cairo_matrix_t cm = toCairo(deviceToPattern);
    cairo_pattern_set_matrix(p.get(), &cm);
    cairo_pattern_set_extend(p.get(), CAIRO_EXTEND_PAD);
    cairo_pattern_set_filter(p.get(), toCairo(s.interpolation));
    return p;
  };
  if (s.shadowOn) {
    BoundsSink bounds;
    if (!walkPath(outline, m, bounds)) return;
    d.drawShadow(s, bounds.rect(), [&](cairo_t* mcr, const AffineTransform& toMask) {
      if (!isInvertible(toMask)) return;
      if (!setPath(mcr, outline, m.concatenating(toMask))) return;
      PatternPtr p = makePattern(toMask.inverted().concatenating(deviceToImage));
      cairo_set_source(mcr, p.get());
      cairo_fill(mcr);
    });
  }
  cairo_t* cr = d.cr.get();
  if (!setPath(cr, outline, m)) return;
  PatternPtr p = makePattern(deviceToImage);
  cairo_save(cr);
  cairo_set_source(cr, p.get());
  cairo_set_operator(cr, toCairo(s.blend));
  cairo_fill(cr);
  cairo_restore(cr);
}

void Canvas::beginTransparencyLayer() {
  Impl& d = *impl_;
  Impl::State inner = d.top();
  inner.layerBase = true;
  inner.shadowOn = false;
  inner.blend = BlendMode::normal;
  d.states.push_back(inner);
  cairo_push_group(d.cr.get());
}

void Canvas::endTransparencyLayer() {
  Impl& d = *impl_;
  cairo_t* cr = d.cr.get();
  bool inLayer = false;
  for (const auto& s : d.states) inLayer = inLayer || s.layerBase;
  if (!inLayer) return;
  while (!d.top().layerBase) {
    d.states.pop_back();
    cairo_restore(cr);
  }
  PatternPtr group(cairo_pop_group(cr));
  d.states.pop_back();
  if (!d.usable()) return;
  const auto& s = d.top();
  if (s.shadowOn) {
    d.drawShadow(s, d.deviceClipExtents(), [&](cairo_t* mcr, const AffineTransform& toMask) {
      const cairo_matrix_t cm = toCairo(toMask);
      cairo_set_matrix(mcr, &cm);
      cairo_set_source(mcr, group.get());
      cairo_paint(mcr);
    });
  }
  cairo_save(cr);
  cairo_set_source(cr, group.get());
  cairo_set_operator(cr, toCairo(s.blend));
  cairo_paint(cr);
  cairo_restore(cr);
}

namespace {

// The bitmap's surface after pending drawing; operation names the caller in the error.
SurfacePixels bitmapPixels(const Canvas::Impl& d, std::string_view operation) {
  if (d.pdf) foundation::raise(GraphicsError::unsupportedOperation, std::string(operation) + " on a PDF canvas");
  if (d.external) {
    foundation::raise(GraphicsError::unsupportedOperation, std::string(operation) + " on a canvas over a context");
  }
  if (cairo_status(d.cr.get()) != CAIRO_STATUS_SUCCESS) {
    foundation::raise(GraphicsError::drawingFailed, cairo_status_to_string(cairo_status(d.cr.get())));
  }
  cairo_surface_t* s = d.surface.get();
  cairo_surface_flush(s);
  return {cairo_image_surface_get_data(s), d.width, d.height,
          static_cast<std::size_t>(cairo_image_surface_get_stride(s))};
}

}  // namespace

SurfacePixels Canvas::surfacePixels() const { return bitmapPixels(*impl_, "surfacePixels"); }

Image Canvas::makeImage() const {
  const SurfacePixels pixels = bitmapPixels(*impl_, "makeImage");
  std::vector<std::uint8_t> px(static_cast<std::size_t>(pixels.width) * pixels.height * 4);
  std::uint8_t* out = px.data();
  for (int y = 0; y < pixels.height; ++y) {
    const std::uint32_t* in = pixels.row(y);
    for (int x = 0; x < pixels.width; ++x, out += 4) {
      const std::uint32_t v = in[x];
      out[0] = static_cast<std::uint8_t>(v >> 16);
      out[1] = static_cast<std::uint8_t>(v >> 8);
      out[2] = static_cast<std::uint8_t>(v);
      out[3] = static_cast<std::uint8_t>(v >> 24);
    }
  }
  return Image::make(pixels.width, pixels.height, std::move(px));
}

foundation::Bytes Canvas::pdfData() {
  Impl& d = *impl_;
  if (!d.pdf) foundation::raise(GraphicsError::unsupportedOperation, "pdfData on a bitmap canvas");
  if (!d.finished) {
    for (bool open = true; open;) {
      open = false;
      for (const auto& s : d.states) open = open || s.layerBase;
      if (open) endTransparencyLayer();
    }
    cairo_surface_finish(d.surface.get());
    d.finished = true;
  }
  const cairo_status_t status = cairo_surface_status(d.surface.get());
  if (d.writeFailed || status != CAIRO_STATUS_SUCCESS) {
    foundation::raise(GraphicsError::drawingFailed, cairo_status_to_string(status));
  }
  return d.pdfBytes;
}

}  // namespace gfx
