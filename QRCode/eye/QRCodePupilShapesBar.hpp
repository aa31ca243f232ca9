#pragma once
// The four bar pupils: three parallel bars across the pupil box (30, 30, 30, 30), each
// 9.33 thick with gaps of 1.0 (the last bar ends at 59.99). Horizontal or vertical, with
// rounded ends (corner radius 4, less than half the thickness, so each end keeps a short
// straight part) or square ends. None has settings. The bar eyes propose the rounded ones.

#include <string_view>

#include "QRCode/eye/QRCodeFixedPupilShape.hpp"

#define VL_BAR_PUPIL_SHAPE(Class, name, title)                      \
  class Class final : public QRCodeFixedPupilShape<Class> {         \
   public:                                                          \
    static std::string_view Name() { return name; }                 \
    static std::string_view Title() { return title; }               \
    gfx::Path pupilPath() const override;                           \
  }

// Three horizontal bars with rounded ends.
VL_BAR_PUPIL_SHAPE(QRCodePupilShapeBarsHorizontal, "barsHorizontal", "Horizontal bars");
// Three horizontal bars with square ends.
VL_BAR_PUPIL_SHAPE(QRCodePupilShapeSquareBarsHorizontal, "barsHorizontalSquare", "Square horizontal bars");
// Three vertical bars with rounded ends.
VL_BAR_PUPIL_SHAPE(QRCodePupilShapeBarsVertical, "barsVertical", "Vertical bars");
// Three vertical bars with square ends.
VL_BAR_PUPIL_SHAPE(QRCodePupilShapeSquareBarsVertical, "barsVerticalSquare", "Square vertical bars");

#undef VL_BAR_PUPIL_SHAPE
