#pragma once
// The two images of the Share panel that arrive after it opened. Observable: every change
// emits signalChanged() on the main thread, and the view redraws.

#include <optional>

#include <sigc++/signal.h>

#include "imageio/PlatformImage.hpp"

// The panel's images are platform images: a bitmap with the size in points it is shown at.
using SharePanelImage = PlatformImage;

class SharePanelViewModel {
 public:
  SharePanelViewModel() = default;
  SharePanelViewModel(const SharePanelViewModel&) = delete;
  SharePanelViewModel& operator=(const SharePanelViewModel&) = delete;

  // The current wallpaper's still frame.
  const std::optional<SharePanelImage>& thumbnail() const { return thumbnail_; }
  void setThumbnail(std::optional<SharePanelImage> image);

  // The styled QR code of the link.
  const std::optional<SharePanelImage>& qrCode() const { return qrCode_; }
  void setQrCode(std::optional<SharePanelImage> image);

  sigc::signal<void()>& signalChanged() { return changed_; }

 private:
  std::optional<SharePanelImage> thumbnail_;
  std::optional<SharePanelImage> qrCode_;
  sigc::signal<void()> changed_;
};
