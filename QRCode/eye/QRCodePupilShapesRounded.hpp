#pragma once
// The sixteen pupils without settings: fixed outlines inside the pupil box
// (30, 30, 30, 30) of the eye space. (30, 30) is the outer corner at the top-left finder
// pattern, (60, 60) points towards the centre of the symbol.

#include <string_view>

#include "QRCode/eye/QRCodeFixedPupilShape.hpp"

#define VL_FIXED_PUPIL_SHAPE(Class, name, title)                    \
  class Class final : public QRCodeFixedPupilShape<Class> {         \
   public:                                                          \
    static std::string_view Name() { return name; }                 \
    static std::string_view Title() { return title; }               \
    gfx::Path pupilPath() const override;                           \
  }

// The whole pupil box.
VL_FIXED_PUPIL_SHAPE(QRCodePupilShapeSquare, "square", "Square");
// The circle inscribed in the pupil box.
VL_FIXED_PUPIL_SHAPE(QRCodePupilShapeCircle, "circle", "Circle");
// The pupil box with every corner rounded (quarter ellipses of radius 4).
VL_FIXED_PUPIL_SHAPE(QRCodePupilShapeRoundedRect, "roundedRect", "Rounded rectangle");
// The pupil box with only the outer corner (30, 30) rounded, radius 6.
VL_FIXED_PUPIL_SHAPE(QRCodePupilShapeRoundedOuter, "roundedOuter", "Rounded outer");
// Radius 6 at three corners; (60, 60), pointing towards the centre, square.
VL_FIXED_PUPIL_SHAPE(QRCodePupilShapeRoundedPointingIn, "roundedPointingIn", "Rounded pointing in");
// Radius 6 at three corners; the outer corner (30, 30) square.
VL_FIXED_PUPIL_SHAPE(QRCodePupilShapeRoundedPointingOut, "roundedPointingOut", "Rounded pointing out");
// Radius 6 at (60, 30) and (30, 60); the other two corners square.
VL_FIXED_PUPIL_SHAPE(QRCodePupilShapeLeaf, "leaf", "Leaf");
// Quarter circles of radius 15 at three corners; (30, 30) square.
VL_FIXED_PUPIL_SHAPE(QRCodePupilShapeTeardrop, "teardrop", "Teardrop");
// An eight-curve superellipse-like outline.
VL_FIXED_PUPIL_SHAPE(QRCodePupilShapeSquircle, "squircle", "Squircle");
// The box with its sides pinched in by 0.5.
VL_FIXED_PUPIL_SHAPE(QRCodePupilShapePinch, "pinch", "Pinch");
// A screen-like outline touching the box only at the side midpoints.
VL_FIXED_PUPIL_SHAPE(QRCodePupilShapeCRT, "crt", "CRT");
// A wavy outline with notches at the module boundaries 40 and 50.
VL_FIXED_PUPIL_SHAPE(QRCodePupilShapeBlobby, "blobby", "Blobby");
// A rounded square with a rounded point at the middle of each side.
VL_FIXED_PUPIL_SHAPE(QRCodePupilShapeSeal, "seal", "Seal");
// The rounded hexagon leaf: box corners (60, 30) and (30, 60) cut diagonally.
VL_FIXED_PUPIL_SHAPE(QRCodePupilShapeHexagonLeaf, "hexagonLeaf", "Hexagon Leaf");
// The box with a V notch in the middle of each side.
VL_FIXED_PUPIL_SHAPE(QRCodePupilShapeCross, "cross", "Cross");
// As the cross, its notches drawn with curves.
VL_FIXED_PUPIL_SHAPE(QRCodePupilShapeCrossCurved, "crossCurved", "CrossCurved");

#undef VL_FIXED_PUPIL_SHAPE
