#pragma once
// QRCodeDocumentView: a GTK widget that shows one QRCodeDocument.
//
// The view has no drawing code of its own for the code: it renders the document off the
// main thread into a vector picture of 512 x 512 points and shows that picture in its image
// layer, scaled to fit inside the view's bounds with its aspect ratio kept, centred.
// Resizing the view only rescales the picture; it never renders again.
//
// Rendering:
//  - Assigning a document (setDocument, modifyDocument) asks the debouncer for a render of
//    exactly the document stored; of assignments less than 0.1 s apart only the last one
//    renders, 0.1 s after it (on the main dispatch queue).
//  - The render starts a 0.25 s progress timer (unless one is pending) and hands a snapshot
//    of the document (its current matrix, a copy of its design and of its logo template,
//    taken on the main thread) to the background queue, so the main thread may go on
//    changing the document while the picture is drawn.
//  - When the picture is ready it is applied on the main queue: the timer is cancelled,
//    the picture replaces the layer's contents (none clears it), the layer is fully opaque
//    again and the spinner stops and hides.
//  - If the timer fires first the previous picture is dimmed to opacity 0.2 and the
//    spinner shows and spins.
//  - Every failure (no document, a document whose last regeneration failed, a design that
//    cannot be copied, a drawing that cannot be recorded) ends with no picture; nothing is
//    logged.
//  - Changes made inside the document are not observed: assign the document again to
//    redraw.
//
// The spinner is a 32 x 32 child centred in the view. A view made from a Gtk::Builder
// description (the builder constructor) starts without a document and shows nothing until
// one is assigned.
//
// Everything here runs on the GTK main thread. Destroying the view cancels its timer; a
// render that completes after the view is gone does nothing.

#include <cstdint>
#include <memory>

#include <gtkmm/builder.h>
#include <gtkmm/fixed.h>
#include <gtkmm/spinner.h>

#include "QRCode/core/KvelDebounce.hpp"
#include "QRCode/document/QRCodeDocument.hpp"
#include "platform/foundation/Dispatch.hpp"
#include "platform/graphics/Geometry.hpp"

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

// A recorded vector drawing of a fixed size (in points), replayed at any scale.
class QRCodeViewPicture {
 public:
  // Records the document's snapshot drawn into size x size points, origin at the top left.
  // Raises when the snapshot cannot be drawn (see QRCodeDocumentView).
  struct Snapshot;
  static std::shared_ptr<const QRCodeViewPicture> record(const Snapshot& snapshot, double size);

  // Takes a snapshot of the document on the caller's thread: its current matrix, a copy of
  // its design and a copy of its logo template. Raises the document's kept regeneration
  // error and the design copy's error.
  static std::shared_ptr<const Snapshot> snapshot(const QRCodeDocument& document);

  explicit QRCodeViewPicture(cairo_surface_t* recording, gfx::Size size);  // takes ownership
  ~QRCodeViewPicture();
  QRCodeViewPicture(const QRCodeViewPicture&) = delete;
  QRCodeViewPicture& operator=(const QRCodeViewPicture&) = delete;

  gfx::Size size() const { return size_; }
  // Paints the picture stretched into the rectangle of the context's user space, with the
  // opacity.
  void draw(cairo_t* context, const gfx::Rect& rect, double opacity) const;

 private:
  cairo_surface_t* recording_;
  gfx::Size size_;
};

// What a render needs of a document, taken on the main thread.
struct QRCodeViewPicture::Snapshot {
  QRCode qrcode;                       // shares the document's current matrix
  QRCodeDesignPtr design;              // a copy
  QRCodeLogoTemplatePtr logoTemplate;  // a copy, or none
};

using QRCodeViewPicturePtr = std::shared_ptr<const QRCodeViewPicture>;

class QRCodeDocumentView : public Gtk::Fixed {
 public:
  // The picture is rendered as a page of renderDimension points at renderResolution.
  static constexpr std::int64_t renderDimension = 512;
  static constexpr double renderResolution = 72.0;
  static constexpr double debounceInterval = 0.1;
  static constexpr double progressDelay = 0.25;
  static constexpr double dimmedOpacity = 0.2;
  static constexpr int progressSize = 32;

  // How the layer places its contents: scaled to fit inside its frame, aspect kept, centred.
  enum class ContentsGravity { resizeAspect };

  // The layer that shows the rendered picture.
  struct ImageLayer {
    QRCodeViewPicturePtr contents;  // none: nothing is shown
    double opacity = 1.0;
    gfx::Rect frame;                // the view's bounds
    ContentsGravity contentsGravity = ContentsGravity::resizeAspect;
    // Where the contents are drawn inside the frame (null when there are none or the
    // frame is empty).
    gfx::Rect contentsRect() const;
  };

  // initWithDocument: shows the document (null: nothing) after the first debounce.
  explicit QRCodeDocumentView(QRCodeDocumentPtr document);
  // A view decoded from a Gtk::Builder description (a GtkFixed object, used through
  // Gtk::Builder::get_widget_derived): no document.
  QRCodeDocumentView(BaseObjectType* cobject, const Glib::RefPtr<Gtk::Builder>& builder);
  ~QRCodeDocumentView() override;

  QRCodeDocumentView(const QRCodeDocumentView&) = delete;
  QRCodeDocumentView& operator=(const QRCodeDocumentView&) = delete;

  // --- the document ----------------------------------------------------------------
  const QRCodeDocumentPtr& document() const { return document_; }
  // Stores the document (null allowed) and asks the debouncer for a render of it.
  virtual void setDocument(QRCodeDocumentPtr document);
  // In-place change of the document property (fn gets a reference to the stored pointer),
  // then a render request as for setDocument.
  template <class F>
  void modifyDocument(F&& fn) {
    QRCodeDocumentPtr document = document_;
    std::forward<F>(fn)(document);
    setDocument(std::move(document));
  }

  // --- layout (called from the size-allocate handler) --------------------------------
  // Puts the image layer over the new bounds and centres the 32 x 32 spinner; no render.
  void setFrameSize(gfx::Size size);

  // Marks the view as needing display (true queues a redraw of what it shows; false does
  // nothing: GTK redraws only what was queued).
  void setNeedsDisplay(bool needsDisplay) {
    if (needsDisplay) queue_draw();
  }

  // The progress timer's action: dims the picture and starts the spinner.
  void timerFired();

  // --- state, for owners and tests ----------------------------------------------------
  const ImageLayer& imageLayer() const { return imageLayer_; }
  Gtk::Spinner& progressView() { return progressView_; }
  // The spinner's frame in the view's coordinates (origin at the top left).
  gfx::Rect progressFrame() const { return progressFrame_; }
  const Gtk::Spinner& progressView() const { return progressView_; }
  // True from the render that scheduled the progress timer until a render completes (the
  // timer's firing does not clear it).
  bool hasProgressTimer() const { return static_cast<bool>(displayProgressDelayTimer_); }
  const KvelDebounce& debounceDocumentChange() const { return debounceDocumentChange_; }
  // The number of renders started (debounced requests that reached the render step).
  std::uint64_t renderCount() const { return renderCount_; }
  // The number of rendered pictures applied (completions, with or without a picture).
  std::uint64_t completedRenderCount() const { return completedRenderCount_; }

 protected:
  // Asks the debouncer for a render of exactly this document.
  void requestRender(QRCodeDocumentPtr document);
  // Stores the document without asking for a render (for subclasses that own theirs).
  void storeDocument(QRCodeDocumentPtr document) { document_ = std::move(document); }

 private:
  void setup();
  void render(const QRCodeDocumentPtr& document);
  void applyRenderedImage(QRCodeViewPicturePtr image);
  bool onDraw(const Cairo::RefPtr<Cairo::Context>& cr);
  void onSizeAllocate(Gtk::Allocation& allocation);
  void placeProgressView();

  QRCodeDocumentPtr document_;
  ImageLayer imageLayer_;
  KvelDebounce debounceDocumentChange_{foundation::DispatchQueue::main(), debounceInterval};
  foundation::WorkItemPtr displayProgressDelayTimer_;
  Gtk::Spinner progressView_;
  gfx::Rect progressFrame_{0, 0, 0, 0};
  // Blocks queued for later hold this weakly; it dies with the view.
  std::shared_ptr<QRCodeDocumentView*> self_ = std::make_shared<QRCodeDocumentView*>(this);
  std::uint64_t renderCount_ = 0;
  std::uint64_t completedRenderCount_ = 0;
};
