#pragma once
// The content of the Share panel window: the wallpaper's thumbnail with the QR tile over
// its middle, and the copy-link button below.
//
// Layout (sizes in pixels at scale 1): a vertical box with 20 of padding and spacing on a
// dark ground (9, 9, 11 at 0.5); the thumbnail area 455 x 256 (16:9 of 256) shows a grey
// rounded placeholder, a spinner while there is no thumbnail, the thumbnail (aspect fill,
// rounded, fading in with an ease-in over 0.3 s) and, once the QR image exists, a 184 x 184
// rounded tile (black at 0.3 under a blurred material at 0.5) holding the 160 x 160 code
// drawn without smoothing; the button is an amber capsule 455 x 34 reading "Copy Link" or,
// for 2.0 s after a press, "Copied!".
//
// Timers (the copied reset, the fade) run on the main dispatch queue and its clock, so that
// tests can drive them. Main thread only.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/drawingarea.h>
#include <gtkmm/image.h>
#include <gtkmm/label.h>
#include <gtkmm/overlay.h>
#include <gtkmm/spinner.h>

#include "app/share/SharePanelViewModel.hpp"

class SharePanelView : public Gtk::Box {
 public:
  static constexpr double thumbnailAreaWidth = 256.0 * 16.0 / 9.0;  // 455.1111111111111
  static constexpr double thumbnailAreaHeight = 256.0;
  static constexpr double qrFrameSize = 160.0;
  static constexpr double qrPadding = 12.0;
  static constexpr double copyButtonHeight = 34.0;
  static constexpr double copiedResetDelay = 2.0;
  static constexpr double thumbnailTransitionDuration = 0.3;

  // shareURL: the plain share link; onClose closes the panel (no control calls it).
  SharePanelView(std::string shareURL, std::string wallpaperTitle,
                 std::shared_ptr<SharePanelViewModel> viewModel, std::function<void()> onClose);
  ~SharePanelView() override;

  const std::string& shareURL() const { return shareURL_; }
  const std::string& wallpaperTitle() const { return wallpaperTitle_; }
  const std::shared_ptr<SharePanelViewModel>& viewModel() const { return viewModel_; }
  const std::function<void()>& onClose() const { return onClose_; }
  bool copied() const { return copied_; }

  // The copy button's action: puts the link with "&utm_content=copy_link_button" on the
  // clipboard (marked for the clipboard manager, so that it outlives the application),
  // shows "Copied!" and schedules the return to "Copy Link" 2.0 s later.
  void copyLink();

  // For tests and the accessibility tree.
  Gtk::Button& copyButton() { return button_; }
  // The 455 x 256 area of the thumbnail and the QR tile.
  Gtk::Widget& thumbnailArea() { return overlay_; }
  std::string copyButtonTitle() const;
  std::string copyButtonIconName() const;
  bool isSpinnerShowing() const;
  bool isQRTileShowing() const;
  // The thumbnail's opacity now: 0 without a thumbnail, rising to 1 over the transition.
  double thumbnailOpacity() const;

 private:
  void modelChanged();
  void setCopied(bool copied);
  void updateButtonLabel();
  void startThumbnailTransition(bool appearing);
  double transitionProgress() const;
  bool onTick(const Glib::RefPtr<Gdk::FrameClock>& clock);
  bool drawBackdrop(const Cairo::RefPtr<Cairo::Context>& cr);
  bool drawTile(const Cairo::RefPtr<Cairo::Context>& cr);
  void paintBackdrop(const Cairo::RefPtr<Cairo::Context>& cr, double width, double height) const;

  std::string shareURL_;
  std::string wallpaperTitle_;
  std::shared_ptr<SharePanelViewModel> viewModel_;
  std::function<void()> onClose_;
  bool copied_ = false;

  Gtk::Box stack_;             // the thumbnail area above the button, centred
  Gtk::Overlay overlay_;
  Gtk::DrawingArea backdrop_;  // placeholder and thumbnail
  Gtk::Spinner spinner_;
  Gtk::DrawingArea tile_;      // the QR tile, above the spinner
  Gtk::Button button_;
  Gtk::Box buttonContent_;
  Gtk::Image buttonIcon_;
  Gtk::Label buttonLabel_;
  std::string iconName_;

  // Cairo copies of the model's images, made once per image.
  Cairo::RefPtr<Cairo::ImageSurface> thumbnailSurface_;
  Cairo::RefPtr<Cairo::ImageSurface> qrSurface_;
  bool thumbnailPresent_ = false;
  // Start of the running fade (dispatch clock) and its direction.
  std::optional<double> transitionStart_;
  bool transitionAppearing_ = true;
  guint tickId_ = 0;

  // Lets delayed work find out that the view is gone.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
