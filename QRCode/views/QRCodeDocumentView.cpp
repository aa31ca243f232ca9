#include "QRCode/views/QRCodeDocumentView.hpp"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <utility>

#include "QRCode/render/QRCodeRenderer.hpp"
#include "platform/foundation/Error.hpp"
#include "platform/graphics/Canvas.hpp"
#include "platform/graphics/GraphicsError.hpp"

namespace {

struct SurfaceDeleter {
  void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct ContextDeleter {
  void operator()(cairo_t* c) const { cairo_destroy(c); }
};

}  // namespace

// --- QRCodeViewPicture -------------------------------------------------------------------

std::shared_ptr<const QRCodeViewPicture::Snapshot> QRCodeViewPicture::snapshot(const QRCodeDocument& document) {
  document.throwIfRegenerationFailed();
  auto snap = std::make_shared<Snapshot>(Snapshot{document.qrcode(), document.design()->copyDesign(), nullptr});
  if (document.logoTemplate()) snap->logoTemplate = document.logoTemplate()->copyLogoTemplate();
  return snap;
}

std::shared_ptr<const QRCodeViewPicture> QRCodeViewPicture::record(const Snapshot& snapshot, double size) {
  const cairo_rectangle_t extents{0, 0, size, size};
  std::unique_ptr<cairo_surface_t, SurfaceDeleter> recording(
      cairo_recording_surface_create(CAIRO_CONTENT_COLOR_ALPHA, &extents));
  if (cairo_surface_status(recording.get()) != CAIRO_STATUS_SUCCESS) {
    foundation::raise(gfx::GraphicsError::cannotCreateCanvas,
                      cairo_status_to_string(cairo_surface_status(recording.get())));
  }
  std::unique_ptr<cairo_t, ContextDeleter> cr(cairo_create(recording.get()));
  {
    gfx::Canvas canvas = gfx::Canvas::overContext(cr.get(), size, size);
    // Origin at the top left, y growing downwards, as on a PDF page of the document.
    canvas.concatenate(gfx::AffineTransform{1, 0, 0, -1, 0, size});
    qrrender::drawWithCtx(snapshot.qrcode, canvas, gfx::Rect(0, 0, size, size), *snapshot.design,
                          snapshot.logoTemplate.get());
  }
  const cairo_status_t status = cairo_status(cr.get());
  if (status != CAIRO_STATUS_SUCCESS) {
    foundation::raise(gfx::GraphicsError::drawingFailed, cairo_status_to_string(status));
  }
  cr.reset();
  cairo_surface_flush(recording.get());
  return std::make_shared<const QRCodeViewPicture>(recording.release(), gfx::Size{size, size});
}

QRCodeViewPicture::QRCodeViewPicture(cairo_surface_t* recording, gfx::Size size)
    : recording_(recording), size_(size) {}

QRCodeViewPicture::~QRCodeViewPicture() { cairo_surface_destroy(recording_); }

void QRCodeViewPicture::draw(cairo_t* context, const gfx::Rect& rect, double opacity) const {
  if (!context || !(size_.width > 0) || !(size_.height > 0) || rect.isNull() || !(rect.width() > 0) ||
      !(rect.height() > 0) || !(opacity > 0)) {
    return;
  }
  cairo_save(context);
  cairo_translate(context, rect.minX(), rect.minY());
  cairo_scale(context, rect.width() / size_.width, rect.height() / size_.height);
  cairo_set_source_surface(context, recording_, 0, 0);
  if (opacity >= 1) cairo_paint(context);
  else cairo_paint_with_alpha(context, opacity);
  cairo_restore(context);
}

// --- QRCodeDocumentView --------------------------------------------------------------------

gfx::Rect QRCodeDocumentView::ImageLayer::contentsRect() const {
  if (!contents || frame.isNull()) return gfx::Rect::null();
  const gfx::Size size = contents->size();
  const double fw = frame.width(), fh = frame.height();
  if (!(fw > 0) || !(fh > 0) || !(size.width > 0) || !(size.height > 0)) return gfx::Rect::null();
  const double scale = std::min(fw / size.width, fh / size.height);
  const double w = size.width * scale, h = size.height * scale;
  return gfx::Rect(frame.minX() + (fw - w) / 2, frame.minY() + (fh - h) / 2, w, h);
}

QRCodeDocumentView::QRCodeDocumentView(QRCodeDocumentPtr document) : document_(std::move(document)) {
  setup();
  requestRender(document_);
}

QRCodeDocumentView::QRCodeDocumentView(BaseObjectType* cobject, const Glib::RefPtr<Gtk::Builder>&)
    : Gtk::Fixed(cobject) {
  setup();
  requestRender(document_);
}

QRCodeDocumentView::~QRCodeDocumentView() {
  // Queued blocks see the view gone from here on.
  self_.reset();
  if (displayProgressDelayTimer_) displayProgressDelayTimer_->cancel();
}

void QRCodeDocumentView::setup() {
  imageLayer_.frame = gfx::Rect(0, 0, std::max(0, get_allocated_width()), std::max(0, get_allocated_height()));
  imageLayer_.contentsGravity = ContentsGravity::resizeAspect;
  // A window of its own, so that the view gets pointer events (drags start on it).
  if (!get_realized()) set_has_window(true);
  // A stopped spinner is not displayed.
  progressView_.set_size_request(progressSize, progressSize);
  progressView_.set_no_show_all(true);
  progressView_.hide();
  put(progressView_, 0, 0);
  signal_draw().connect(sigc::mem_fun(*this, &QRCodeDocumentView::onDraw), false);
  signal_size_allocate().connect(sigc::mem_fun(*this, &QRCodeDocumentView::onSizeAllocate), true);
}

void QRCodeDocumentView::setDocument(QRCodeDocumentPtr document) {
  document_ = std::move(document);
  requestRender(document_);
}

void QRCodeDocumentView::requestRender(QRCodeDocumentPtr document) {
  std::weak_ptr<QRCodeDocumentView*> weak = self_;
  debounceDocumentChange_.debounce([weak, document = std::move(document)] {
    if (auto self = weak.lock()) (*self)->render(document);
  });
}

void QRCodeDocumentView::render(const QRCodeDocumentPtr& document) {
  ++renderCount_;
  std::weak_ptr<QRCodeDocumentView*> weak = self_;
  if (!displayProgressDelayTimer_) {
    displayProgressDelayTimer_ = foundation::DispatchQueue::main().asyncAfter(progressDelay, [weak] {
      if (auto self = weak.lock()) (*self)->timerFired();
    });
  }
  // The snapshot is taken here, on the main thread, so the background never reads the
  // document while the main thread changes it.
  std::shared_ptr<const QRCodeViewPicture::Snapshot> snapshot;
  if (document) {
    try {
      snapshot = QRCodeViewPicture::snapshot(*document);
    } catch (...) {
      snapshot.reset();
    }
  }
  foundation::DispatchQueue::background().async(foundation::makeWorkItem([weak, snapshot = std::move(snapshot)] {
    QRCodeViewPicturePtr picture;
    if (snapshot) {
      try {
        picture = QRCodeViewPicture::record(*snapshot, static_cast<double>(renderDimension) * 72.0 / renderResolution);
      } catch (...) {
        picture.reset();
      }
    }
    if (weak.expired()) return;
    foundation::DispatchQueue::main().async([weak, picture = std::move(picture)]() mutable {
      if (auto self = weak.lock()) (*self)->applyRenderedImage(std::move(picture));
    });
  }));
}

void QRCodeDocumentView::applyRenderedImage(QRCodeViewPicturePtr image) {
  if (displayProgressDelayTimer_) displayProgressDelayTimer_->cancel();
  displayProgressDelayTimer_.reset();
  imageLayer_.contents = std::move(image);
  imageLayer_.opacity = 1.0;
  progressView_.stop();
  progressView_.hide();
  ++completedRenderCount_;
  queue_draw();
}

void QRCodeDocumentView::timerFired() {
  imageLayer_.opacity = dimmedOpacity;
  progressView_.show();
  progressView_.start();
  placeProgressView();
  queue_draw();
}

void QRCodeDocumentView::setFrameSize(gfx::Size size) {
  const double w = std::max(0.0, size.width), h = std::max(0.0, size.height);
  imageLayer_.frame = gfx::Rect(0, 0, w, h);
  progressFrame_ = gfx::Rect(std::trunc(w * 0.5 - progressSize / 2.0), std::trunc(h * 0.5 - progressSize / 2.0),
                             progressSize, progressSize);
  placeProgressView();
}

void QRCodeDocumentView::placeProgressView() {
  if (!progressView_.get_visible()) return;
  int minimum = 0, natural = 0;
  progressView_.get_preferred_width(minimum, natural);
  progressView_.get_preferred_height(minimum, natural);
  // Children of a view with its own window are placed in that window's coordinates.
  const Gtk::Allocation own = get_allocation();
  const int ox = get_has_window() ? 0 : own.get_x(), oy = get_has_window() ? 0 : own.get_y();
  Gtk::Allocation frame(ox + static_cast<int>(progressFrame_.minX()), oy + static_cast<int>(progressFrame_.minY()),
                        progressSize, progressSize);
  progressView_.size_allocate(frame);
}

void QRCodeDocumentView::onSizeAllocate(Gtk::Allocation& allocation) {
  setFrameSize(gfx::Size{static_cast<double>(allocation.get_width()), static_cast<double>(allocation.get_height())});
}

bool QRCodeDocumentView::onDraw(const Cairo::RefPtr<Cairo::Context>& cr) {
  if (imageLayer_.contents) {
    imageLayer_.contents->draw(cr->cobj(), imageLayer_.contentsRect(), imageLayer_.opacity);
  }
  return false;  // the spinner draws on top
}
