#pragma once
// The seven eyes drawn as fixed outlines: the square eye (the default eye of a new
// design), the rounded-rectangle eye and five rounded variants. None has settings; each
// proposes one shared default pupil per eye class.

#include <string_view>

#include "QRCode/eye/QRCodeFixedEyeShape.hpp"
#include "QRCode/eye/QRCodePupilShapesRounded.hpp"

#define VL_FIXED_EYE_SHAPE(Class, Pupil, name, title)                       \
  class Class final : public QRCodeFixedEyeShape<Class, Pupil> {            \
   public:                                                                  \
    static std::string_view Name() { return name; }                         \
    static std::string_view Title() { return title; }                       \
    gfx::Path eyePath() const override;                                     \
    gfx::Path eyeBackgroundPath() const override;                           \
  }

// A square ring; the background is the whole 90 x 90 square.
VL_FIXED_EYE_SHAPE(QRCodeEyeShapeSquare, QRCodePupilShapeSquare, "square", "Square");
// Rounded corners, radius 5 inside and 10 outside.
VL_FIXED_EYE_SHAPE(QRCodeEyeShapeRoundedRect, QRCodePupilShapeRoundedRect, "roundedRect",
                   "Rounded rectangle");
// Only the outer corner (10, 10) rounded.
VL_FIXED_EYE_SHAPE(QRCodeEyeShapeRoundedOuter, QRCodePupilShapeRoundedOuter, "roundedOuter",
                   "Rounded outer");
// Three rounded corners; the corner (80, 80), pointing towards the centre, square.
VL_FIXED_EYE_SHAPE(QRCodeEyeShapeRoundedPointingIn, QRCodePupilShapeRoundedPointingIn,
                   "roundedPointingIn", "Rounded pointing in");
// Three rounded corners; the outer corner (10, 10) square.
VL_FIXED_EYE_SHAPE(QRCodeEyeShapeRoundedPointingOut, QRCodePupilShapeRoundedPointingOut,
                   "roundedPointingOut", "Rounded pointing out");
// A superellipse-like ring.
VL_FIXED_EYE_SHAPE(QRCodeEyeShapeSquircle, QRCodePupilShapeSquircle, "squircle", "Squircle");
// A circular hole in a rounded square. Its shared squircle pupil is its own object,
// distinct from the squircle eye's.
VL_FIXED_EYE_SHAPE(QRCodeEyeShapeSquarePeg, QRCodePupilShapeSquircle, "squarePeg", "Square Peg");

#undef VL_FIXED_EYE_SHAPE
