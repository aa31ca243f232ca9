#include "app/share/SharePanelViewModel.hpp"

#include <utility>

SharePanelImage platformImageAtPixelSize(gfx::Image bitmap) {
  const gfx::Size size{static_cast<double>(bitmap.width()), static_cast<double>(bitmap.height())};
  return SharePanelImage{std::move(bitmap), size};
}

void SharePanelViewModel::setThumbnail(std::optional<SharePanelImage> image) {
  thumbnail_ = std::move(image);
  changed_.emit();
}

void SharePanelViewModel::setQrCode(std::optional<SharePanelImage> image) {
  qrCode_ = std::move(image);
  changed_.emit();
}
