#pragma once
// Draws a QR code model's current matrix with a design and an optional logo into a
// canvas, layer by layer: background, then either the negated on-pixels or the eye
// background, eyes, pupils, off-pixels and on-pixels, and the logo last. Each layer is
// drawn between a save and a restore of the canvas state, so nothing leaks to the caller.
//
// The rectangle is in the canvas's current user space with y growing downwards (the
// bitmap and PDF exports flip their canvases first). The module grid is centred in it
// with the design's extra quiet zone on the short side.

#include "QRCode/core/QRCode.hpp"
#include "platform/graphics/Canvas.hpp"
#include "platform/graphics/Geometry.hpp"

class QRCodeDesign;
class QRCodeLogoTemplate;

namespace qrrender {

// Never fails. When the quiet zone leaves no room (which includes an empty matrix and an
// empty or non-finite rectangle) it prints "additionalQuietSpace too large" and draws
// nothing. Links a use-pixel-shape eye or pupil of the design to its on-pixel shape.
void drawWithCtx(const QRCode& qrcode, gfx::Canvas& ctx, const gfx::Rect& rect, QRCodeDesign& design,
                 const QRCodeLogoTemplate* logoTemplate);

}  // namespace qrrender
