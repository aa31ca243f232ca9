#include "app/share/SharePanelView.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <utility>

#include <gtkmm/clipboard.h>
#include <gtkmm/cssprovider.h>
#include <gtkmm/stylecontext.h>

#include "app/share/ShareLink.hpp"
#include "platform/foundation/Dispatch.hpp"
#include "platform/graphics/CairoSurface.hpp"

namespace {

// The panel's colours, made once and shared by every drawing.
struct RGBA {
  double r, g, b, a;
};
constexpr RGBA kRootBackground{9.0 / 255, 9.0 / 255, 11.0 / 255, 0.5};
constexpr RGBA kAmber{251.0 / 255, 191.0 / 255, 36.0 / 255, 1.0};
constexpr RGBA kButtonForeground{9.0 / 255, 9.0 / 255, 11.0 / 255, 1.0};
// The system grey of the dark appearance, at 0.3 for the placeholder.
constexpr RGBA kPlaceholder{142.0 / 255, 142.0 / 255, 147.0 / 255, 0.3};
// The dark ultra-thin material: a blur of what lies behind, lightly tinted.
constexpr RGBA kMaterialTint{30.0 / 255, 30.0 / 255, 32.0 / 255, 0.5};
constexpr double kMaterialOpacity = 0.5;
constexpr RGBA kTileShade{0.0, 0.0, 0.0, 0.3};
constexpr double kThumbnailCornerRadius = 8.0;
constexpr double kTileCornerRadius = 12.0;
constexpr int kSpinnerSize = 22;  // the default 32-pixel spinner scaled by 0.7
constexpr int kMaterialBlurFactor = 8;

constexpr const char* kCopyTitle = "Copy Link";
constexpr const char* kCopiedTitle = "Copied!";
constexpr const char* kCopyIcon = "edit-copy-symbolic";       // "doc.on.doc"
constexpr const char* kCopiedIcon = "object-select-symbolic";  // "checkmark"

std::string cssColor(const RGBA& c) {
  const auto channel = [](double v) {
    return std::to_string(static_cast<int>(std::lround(std::clamp(v, 0.0, 1.0) * 255)));
  };
  // The alpha in shortest form, independent of the locale.
  char alpha[32];
  const auto written = std::to_chars(alpha, alpha + sizeof alpha, std::clamp(c.a, 0.0, 1.0));
  return "rgba(" + channel(c.r) + "," + channel(c.g) + "," + channel(c.b) + "," +
         std::string(alpha, written.ptr) + ")";
}

// One style sheet for every panel, installed on the default screen at first use.
void installStyleSheet() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  const std::string css =
      ".vl-share-root { background-color: " + cssColor(kRootBackground) +
      "; padding: 20px; }\n"
      ".vl-copy-button, .vl-copy-button:hover, .vl-copy-button:active, "
      ".vl-copy-button:focus, .vl-copy-button:backdrop {"
      " background-color: " + cssColor(kAmber) + "; background-image: none;"
      " color: " + cssColor(kButtonForeground) + ";"
      " border: none; border-radius: 17px; box-shadow: none; text-shadow: none;"
      " -gtk-icon-shadow: none; outline-color: transparent; padding: 0 12px;"
      " min-height: 34px; font-size: 13px; font-weight: 500; }\n"
      ".vl-copy-button label, .vl-copy-button image { color: " + cssColor(kButtonForeground) +
      "; }\n";
  auto provider = Gtk::CssProvider::create();
  provider->load_from_data(css);
  if (auto screen = Gdk::Screen::get_default()) {
    Gtk::StyleContext::add_provider_for_screen(screen, provider,
                                               GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  }
}

// A cairomm surface holding a copy of the image; null when none can be made.
Cairo::RefPtr<Cairo::ImageSurface> surfaceFromImage(const gfx::Image& image) {
  gfx::CairoSurfacePtr surface = gfx::makeCairoSurface(image);
  if (!surface) return {};
  // The cairomm object takes over the reference.
  return Cairo::RefPtr<Cairo::ImageSurface>(new Cairo::ImageSurface(surface.release(), true));
}

void roundedRect(const Cairo::RefPtr<Cairo::Context>& cr, double x, double y, double w, double h,
                 double r) {
  r = std::clamp(r, 0.0, std::min(w, h) / 2);
  constexpr double pi = std::numbers::pi;
  cr->begin_new_sub_path();
  cr->arc(x + w - r, y + r, r, -pi / 2, 0);
  cr->arc(x + w - r, y + h - r, r, 0, pi / 2);
  cr->arc(x + r, y + h - r, r, pi / 2, pi);
  cr->arc(x + r, y + r, r, pi, 3 * pi / 2);
  cr->close_path();
}

void setColor(const Cairo::RefPtr<Cairo::Context>& cr, const RGBA& c) {
  cr->set_source_rgba(c.r, c.g, c.b, c.a);
}

// The ease-in timing curve, cubic Bezier (0.42, 0) (1, 1): the curve's y at x = t.
double easeIn(double t) {
  if (!(t > 0.0)) return 0.0;
  if (t >= 1.0) return 1.0;
  const auto bezier = [](double p1, double p2, double s) {
    const double u = 1 - s;
    return 3 * u * u * s * p1 + 3 * u * s * s * p2 + s * s * s;
  };
  // x(s) rises monotonically: bisection finds s with x(s) = t.
  double lo = 0, hi = 1;
  for (int i = 0; i < 40; ++i) {
    const double mid = (lo + hi) / 2;
    (bezier(0.42, 1.0, mid) < t ? lo : hi) = mid;
  }
  return bezier(0.0, 1.0, (lo + hi) / 2);
}

}  // namespace

SharePanelView::SharePanelView(std::string shareURL, std::string wallpaperTitle,
                               std::shared_ptr<SharePanelViewModel> viewModel,
                               std::function<void()> onClose)
    : Gtk::Box(Gtk::ORIENTATION_VERTICAL, 0),
      shareURL_(std::move(shareURL)),
      wallpaperTitle_(std::move(wallpaperTitle)),
      viewModel_(std::move(viewModel)),
      onClose_(std::move(onClose)),
      stack_(Gtk::ORIENTATION_VERTICAL, 20),
      buttonContent_(Gtk::ORIENTATION_HORIZONTAL, 6) {
  installStyleSheet();
  // The root fills the window with the dark ground; its padding of 20 is in the style
  // sheet, so that the ground reaches the window's edges.
  get_style_context()->add_class("vl-share-root");
  set_hexpand(true);
  set_vexpand(true);
  set_halign(Gtk::ALIGN_FILL);
  set_valign(Gtk::ALIGN_FILL);

  const int areaWidth = static_cast<int>(std::lround(thumbnailAreaWidth));
  const int areaHeight = static_cast<int>(thumbnailAreaHeight);

  backdrop_.set_size_request(areaWidth, areaHeight);
  backdrop_.signal_draw().connect(sigc::mem_fun(*this, &SharePanelView::drawBackdrop));
  overlay_.add(backdrop_);

  spinner_.set_size_request(kSpinnerSize, kSpinnerSize);
  spinner_.set_halign(Gtk::ALIGN_CENTER);
  spinner_.set_valign(Gtk::ALIGN_CENTER);
  overlay_.add_overlay(spinner_);

  tile_.set_size_request(areaWidth, areaHeight);
  tile_.signal_draw().connect(sigc::mem_fun(*this, &SharePanelView::drawTile));
  overlay_.add_overlay(tile_);
  overlay_.set_overlay_pass_through(tile_, true);

  overlay_.set_halign(Gtk::ALIGN_CENTER);
  overlay_.set_valign(Gtk::ALIGN_CENTER);
  stack_.pack_start(overlay_, Gtk::PACK_SHRINK);

  buttonContent_.set_halign(Gtk::ALIGN_CENTER);
  buttonContent_.pack_start(buttonIcon_, Gtk::PACK_SHRINK);
  buttonContent_.pack_start(buttonLabel_, Gtk::PACK_SHRINK);
  button_.add(buttonContent_);
  button_.set_relief(Gtk::RELIEF_NONE);
  button_.get_style_context()->add_class("vl-copy-button");
  button_.set_size_request(areaWidth, static_cast<int>(copyButtonHeight));
  button_.set_halign(Gtk::ALIGN_CENTER);
  button_.set_valign(Gtk::ALIGN_CENTER);
  button_.set_can_focus(true);
  button_.signal_clicked().connect(sigc::mem_fun(*this, &SharePanelView::copyLink));
  stack_.pack_start(button_, Gtk::PACK_SHRINK);

  stack_.set_halign(Gtk::ALIGN_CENTER);
  stack_.set_valign(Gtk::ALIGN_CENTER);
  pack_start(stack_, Gtk::PACK_EXPAND_WIDGET);

  updateButtonLabel();
  show_all();

  // The connection ends with this widget (sigc::trackable).
  viewModel_->signalChanged().connect(sigc::mem_fun(*this, &SharePanelView::modelChanged));
  modelChanged();
}

SharePanelView::~SharePanelView() {
  *alive_ = false;
  if (tickId_ != 0) backdrop_.remove_tick_callback(tickId_);
}

void SharePanelView::copyLink() {
  auto clipboard = Gtk::Clipboard::get();
  clipboard->clear();
  clipboard->set_text(shareURL_ + std::string(sharelink::copyLinkSuffix));
  // Lets the application hand the link to the clipboard manager when it ends.
  clipboard->set_can_store();
  setCopied(true);
  std::weak_ptr<bool> alive = alive_;
  foundation::DispatchQueue::main().asyncAfter(copiedResetDelay, [this, alive] {
    if (auto a = alive.lock(); a && *a) setCopied(false);
  });
}

void SharePanelView::setCopied(bool copied) {
  if (copied_ == copied) return;
  copied_ = copied;
  updateButtonLabel();
}

void SharePanelView::updateButtonLabel() {
  buttonLabel_.set_text(copied_ ? kCopiedTitle : kCopyTitle);
  iconName_ = copied_ ? kCopiedIcon : kCopyIcon;
  buttonIcon_.set_from_icon_name(iconName_, Gtk::ICON_SIZE_BUTTON);
}

std::string SharePanelView::copyButtonTitle() const { return buttonLabel_.get_text(); }

std::string SharePanelView::copyButtonIconName() const { return iconName_; }

bool SharePanelView::isSpinnerShowing() const { return spinner_.get_visible(); }
bool SharePanelView::isQRTileShowing() const { return static_cast<bool>(qrSurface_); }

void SharePanelView::modelChanged() {
  const auto& thumbnail = viewModel_->thumbnail();
  const auto& qr = viewModel_->qrCode();

  // Surfaces are rebuilt only when an image appears or changes.
  const bool hadThumbnail = thumbnailPresent_;
  if (thumbnail) {
    if (!thumbnailPresent_ || !thumbnailSurface_ ||
        thumbnailSurface_->get_width() != thumbnail->cgImage.width() ||
        thumbnailSurface_->get_height() != thumbnail->cgImage.height()) {
      thumbnailSurface_ = surfaceFromImage(thumbnail->cgImage);
    }
    thumbnailPresent_ = true;
  } else {
    thumbnailPresent_ = false;  // the surface stays for the fade-out
  }
  if (qr) {
    if (!qrSurface_) qrSurface_ = surfaceFromImage(qr->cgImage);
  } else {
    qrSurface_.clear();
  }

  if (thumbnailPresent_ != hadThumbnail) startThumbnailTransition(thumbnailPresent_);

  if (thumbnailPresent_) {
    spinner_.stop();
    spinner_.hide();
  } else {
    spinner_.show();
    spinner_.start();
  }
  backdrop_.queue_draw();
  tile_.queue_draw();
}

void SharePanelView::startThumbnailTransition(bool appearing) {
  transitionStart_ = foundation::DispatchClock::now();
  transitionAppearing_ = appearing;
  if (tickId_ == 0) {
    tickId_ = backdrop_.add_tick_callback(sigc::mem_fun(*this, &SharePanelView::onTick));
  }
  // A last frame when the fade ends, also where no frame clock ticks.
  std::weak_ptr<bool> alive = alive_;
  foundation::DispatchQueue::main().asyncAfter(thumbnailTransitionDuration, [this, alive] {
    if (auto a = alive.lock(); a && *a) {
      backdrop_.queue_draw();
      tile_.queue_draw();
    }
  });
}

double SharePanelView::transitionProgress() const {
  if (!transitionStart_) return 1.0;
  const double elapsed = foundation::DispatchClock::now() - *transitionStart_;
  // The clock counts whole nanoseconds; within one of the end the fade is over.
  if (elapsed >= thumbnailTransitionDuration - 1e-9) return 1.0;
  return std::clamp(elapsed / thumbnailTransitionDuration, 0.0, 1.0);
}

double SharePanelView::thumbnailOpacity() const {
  const double eased = easeIn(transitionProgress());
  if (transitionAppearing_) return thumbnailPresent_ ? eased : 0.0;
  return thumbnailPresent_ ? 1.0 : 1.0 - eased;
}

bool SharePanelView::onTick(const Glib::RefPtr<Gdk::FrameClock>&) {
  backdrop_.queue_draw();
  tile_.queue_draw();
  if (transitionProgress() >= 1.0) {
    tickId_ = 0;
    return false;
  }
  return true;
}

void SharePanelView::paintBackdrop(const Cairo::RefPtr<Cairo::Context>& cr, double width,
                                   double height) const {
  // The placeholder (the spinner is an overlay widget above the backdrop).
  roundedRect(cr, 0, 0, width, height, kThumbnailCornerRadius);
  setColor(cr, kPlaceholder);
  cr->fill();
  // Over it the thumbnail, scaled to fill and clipped to the rounded rectangle.
  const double opacity = thumbnailOpacity();
  if (thumbnailSurface_ && opacity > 0.0) {
    const double iw = thumbnailSurface_->get_width();
    const double ih = thumbnailSurface_->get_height();
    const double scale = std::max(width / iw, height / ih);
    cr->save();
    roundedRect(cr, 0, 0, width, height, kThumbnailCornerRadius);
    cr->clip();
    cr->translate((width - iw * scale) / 2, (height - ih * scale) / 2);
    cr->scale(scale, scale);
    cr->set_source(thumbnailSurface_, 0, 0);
    cairo_pattern_set_filter(cr->get_source()->cobj(), CAIRO_FILTER_GOOD);
    cr->paint_with_alpha(opacity);
    cr->restore();
  }
}

bool SharePanelView::drawBackdrop(const Cairo::RefPtr<Cairo::Context>& cr) {
  paintBackdrop(cr, backdrop_.get_allocated_width(), backdrop_.get_allocated_height());
  return true;
}

bool SharePanelView::drawTile(const Cairo::RefPtr<Cairo::Context>& cr) {
  if (!qrSurface_) return true;
  const double width = tile_.get_allocated_width();
  const double height = tile_.get_allocated_height();
  const double side = qrFrameSize + 2 * qrPadding;  // 184
  const double x = std::round((width - side) / 2);
  const double y = std::round((height - side) / 2);

  cr->save();
  roundedRect(cr, x, y, side, side, kTileCornerRadius);
  cr->clip();

  // Black behind the material.
  setColor(cr, kTileShade);
  cr->paint();

  // The material: what lies behind the tile, blurred by scaling it down and up again.
  const int small = std::max(1, static_cast<int>(side) / kMaterialBlurFactor);
  auto blurred = Cairo::ImageSurface::create(Cairo::FORMAT_ARGB32, small, small);
  {
    auto bc = Cairo::Context::create(blurred);
    const double k = static_cast<double>(small) / side;
    bc->scale(k, k);
    bc->translate(-x, -y);
    paintBackdrop(bc, width, height);
    bc->set_identity_matrix();
    setColor(bc, kMaterialTint);
    bc->paint();
  }
  cr->save();
  cr->translate(x, y);
  cr->scale(side / small, side / small);
  cr->set_source(blurred, 0, 0);
  cairo_pattern_set_filter(cr->get_source()->cobj(), CAIRO_FILTER_BILINEAR);
  cr->paint_with_alpha(kMaterialOpacity);
  cr->restore();

  // The code, fitted into its frame without smoothing.
  const double iw = qrSurface_->get_width();
  const double ih = qrSurface_->get_height();
  const double scale = std::min(qrFrameSize / iw, qrFrameSize / ih);
  cr->translate(x + qrPadding + (qrFrameSize - iw * scale) / 2,
                y + qrPadding + (qrFrameSize - ih * scale) / 2);
  cr->scale(scale, scale);
  cr->set_source(qrSurface_, 0, 0);
  cairo_pattern_set_filter(cr->get_source()->cobj(), CAIRO_FILTER_NEAREST);
  cr->paint();
  cr->restore();
  return true;
}
