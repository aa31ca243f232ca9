#pragma once
// The styled QR image of the Share panel.

#include <optional>
#include <string>

#include "app/share/SharePanelViewModel.hpp"

// A white code with rounded-rectangle modules (corner radius 0.7, fixed inset 0.1) and a
// rounded-rectangle eye with its default pupil, on a transparent ground, at medium error
// correction: 300 x 300 pixels shown as 300 x 300 points (72 dpi). None on any failure.
std::optional<SharePanelImage> makeShareQRImage(const std::string& text);
