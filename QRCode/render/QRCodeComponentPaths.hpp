#pragma once
// The component path builder: one path holding exactly the requested parts of a QR code
// model's current matrix, drawn with a shape's generators.
//
// Coordinates: x grows with the column and y with the row, so row 0, column 0 lies
// nearest the origin. The matrix is fitted into the size on square cells of side
// min(w, h) / N, centred along the longer side, and everything is moved by
// (additionalQuietSpace, additionalQuietSpace). Eye, pupil and eye-background templates
// (90 x 90 units spanning 9 modules) are placed as drawn at the top-left finder pattern,
// mirrored top to bottom at the bottom-left one and left to right at the top-right one;
// the bottom-right corner has no eye. The pixel parts leave out the matrix's border ring
// and the three 9 x 9 finder areas, and lose the modules under a masking logo.

#include "QRCode/core/QRCode.hpp"
#include "QRCode/render/QRCodeComponents.hpp"
#include "platform/graphics/Geometry.hpp"
#include "platform/graphics/Path.hpp"

class QRCodeShape;
class QRCodeLogoTemplate;

namespace qrrender {

// The path of the components for a drawing area of the given size. An empty matrix gives
// the path of the rectangle (0, 0, 0, 0); an empty set gives an empty path. With
// negatedOnPixels in the set the path holds only the on-pixel shape drawn over the
// inverted whole matrix. The shape is not const: its eye and pupil get linked to its
// on-pixel generator, and generators keep per-call state. Never fails.
gfx::Path path(const QRCode& qrcode, gfx::Size size, QRCodeComponents components, QRCodeShape& shape,
               const QRCodeLogoTemplate* logoTemplate, double additionalQuietSpace);

// The same for a square drawing area of side dimension.
gfx::Path pathWithDimension(const QRCode& qrcode, double dimension, QRCodeComponents components,
                            QRCodeShape& shape, const QRCodeLogoTemplate* logoTemplate,
                            double additionalQuietSpace);

// Links an eye or pupil that draws with a pixel shape to the shape's on-pixel generator.
// The path builder and the renderer call it before building anything.
void linkPixelShapeEyes(QRCodeShape& shape);

}  // namespace qrrender
