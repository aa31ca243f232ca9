#include "app/share/SharePanelViewModel.hpp"

#include <utility>

void SharePanelViewModel::setThumbnail(std::optional<SharePanelImage> image) {
  thumbnail_ = std::move(image);
  changed_.emit();
}

void SharePanelViewModel::setQrCode(std::optional<SharePanelImage> image) {
  qrCode_ = std::move(image);
  changed_.emit();
}
