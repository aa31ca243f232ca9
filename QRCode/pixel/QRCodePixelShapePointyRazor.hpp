#pragma once
// Pointy and Razor: two pixel shapes with fixed pieces chosen by a module's neighbours and
// no settings.
//  - Pointy turns the free end of every line of modules into a point: a set module with
//    exactly one set orthogonal neighbour is a pentagon pointing away from it; any other
//    set module is the full square.
//  - Razor turns the free end of a line into a curved blade, rounds the outer corner of a
//    bend, rounds a lone module (radius 3) and sets a small concave filler into each
//    corner of an unset module that its two orthogonal neighbours and the diagonal one
//    beside that corner enclose.

#include <cstdint>
#include <string_view>

#include "QRCode/pixel/NeighbourPixelShape.hpp"

class QRCodePixelShapePointy final : public FixedPixelShape<QRCodePixelShapePointy> {
 public:
  static std::string_view Name() { return "pointy"; }
  static std::string_view Title() { return "Pointy"; }

  gfx::Path generatePathFrom(const QRCodeBoolMatrix& matrix, gfx::Size size) override;

  // The piece of a set module whose set orthogonal neighbours are `neighbours` (a
  // PixelNeighbourMask), in module units; shared, made once.
  static const gfx::Path& piece(unsigned neighbours);
};

class QRCodePixelShapeRazor final : public FixedPixelShape<QRCodePixelShapeRazor> {
 public:
  static std::string_view Name() { return "razor"; }
  static std::string_view Title() { return "Razor"; }

  gfx::Path generatePathFrom(const QRCodeBoolMatrix& matrix, gfx::Size size) override;

  // The piece of a set module whose set orthogonal neighbours are `neighbours` (a
  // PixelNeighbourMask), in module units; shared, made once.
  static const gfx::Path& piece(unsigned neighbours);

  // The filler an unset module gets at one of its corners, in module units; shared.
  enum class Corner : std::uint8_t { topLeft, topRight, bottomLeft, bottomRight };  // (0,0) (10,0) (0,10) (10,10)
  static const gfx::Path& filler(Corner corner);
};
