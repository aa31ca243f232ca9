#pragma once
// Connected pixel shapes whose on-modules become one piece each, chosen by which of the
// four orthogonal neighbours are on, so that runs of modules merge into strokes with
// rounded outer corners; off-modules can carry small fillets in the inner corners of
// their on neighbours.
//
// RoundedModulePixelShape holds what the two members of the family share: the fields
// and settings, the cell frame, the corner pieces and the fillets. The members differ
// only in the piece drawn at a free end (a module with exactly one on neighbour):
//  - QRCodePixelShapeRoundedEndIndent notches the free side with a concave indent;
//  - QRCodePixelShapeRoundedPath (QRCodePixelShapeRoundedPath.hpp) rounds both corners
//    of the free side.
//
// Pieces are drawn in a 10 x 10 unit square (y = 0 faces the row above) and placed with
// a scale by cell / 10 followed by a translation to the module's cell.

#include <array>
#include <memory>
#include <string_view>

#include "QRCode/pixel/QRCodePixelShapeGenerator.hpp"
#include "platform/foundation/Settings.hpp"
#include "platform/graphics/Geometry.hpp"
#include "platform/graphics/Path.hpp"

class QRCodeBoolMatrix;

class RoundedModulePixelShape : public QRCodePixelShapeGenerator {
 public:
  // The fillet factor: a fillet spans cornerRadiusFraction x innerRadius units.
  static constexpr double innerRadiusFactor = 5.0 / 3.0;

  double innerRadius() const { return innerRadius_; }
  // Corner radius in the 10-unit module: 5 x cornerRadiusFraction.
  double actualRadius() const { return actualRadius_; }
  gfx::Size actualRadiusSize() const { return actualRadiusSize_; }

  double cornerRadiusFraction() const { return cornerRadius_; }
  // Clamped to 0...1 (<= 0 and NaN -> 0, > 1 -> 1); updates the radius fields.
  void setCornerRadiusFraction(double fraction);
  bool hasInnerCorners() const { return hasInnerCorners_; }
  void setHasInnerCorners(bool value) { hasInnerCorners_ = value; }

  // Modules row by row from row 0, column by column within a row: one piece per
  // on-module; with hasInnerCorners, the fillets of an off-module in the order top-left,
  // top-right, bottom-left, bottom-right.
  gfx::Path generatePathFrom(const QRCodeBoolMatrix& matrix, gfx::Size size) override;

  // {"cornerRadiusFraction", "hasInnerCorners"}.
  foundation::Settings settings() const override;
  // "cornerRadiusFraction": absent -> the class default, a number is clamped; true.
  // "hasInnerCorners": absent -> the class default, a number -> its boolean value; true.
  // Another kind of value, or another key: false, nothing changed.
  bool setSettingValue(const foundation::Settings& value, std::string_view key) override;
  bool supportsSettingValueForKey(std::string_view key) const override;

  // Orthogonal neighbour bits of a piece index.
  static constexpr unsigned top = 1, bottom = 2, left = 4, right = 8;

  // The module-space pieces of one drawing: the piece of every on-module by its
  // neighbour bits, and the four fillets (top-left, top-right, bottom-left, bottom-right).
  // It points into itself, so it is neither copied nor moved.
  struct Pieces {
    Pieces() = default;
    Pieces(const Pieces&) = delete;
    Pieces& operator=(const Pieces&) = delete;

    std::array<const gfx::Path*, 16> byNeighbours{};
    std::array<gfx::Path, 4> fillets;
    // Storage of the pieces built for the current radius.
    gfx::Path lone;
    std::array<gfx::Path, 4> corners;  // right+bottom, left+bottom, top+right, top+left
    std::array<gfx::Path, 4> ends;     // bottom, top, right, left only
  };
  // Builds the pieces this shape draws with its current radius.
  void buildPieces(Pieces& pieces) const;

  // The shared square template, the rectangle (0, 0, 10, 10).
  static const gfx::Path& squareTemplate();
  // The square traced by hand (move, four lines back to the start, close): a piece with
  // rounded corners drawn without a radius.
  static const gfx::Path& tracedSquare();

 protected:
  RoundedModulePixelShape(double cornerRadiusFraction, bool hasInnerCorners, double defaultCornerRadius,
                          bool defaultHasInnerCorners);

  // Fills the entries of the four one-neighbour combinations (bottom, top, right or left
  // alone), building into pieces.ends when the piece depends on the radius.
  virtual void setFreeEndPieces(Pieces& pieces) const = 0;

  // The fraction and flag Create reads from a settings dictionary.
  struct Configuration {
    double cornerRadiusFraction;
    bool hasInnerCorners;
  };
  static Configuration configurationFrom(const foundation::Settings& settings, double defaultCornerRadius,
                                         bool defaultHasInnerCorners);

 private:
  double innerRadius_ = innerRadiusFactor;
  gfx::Size actualRadiusSize_;
  double actualRadius_ = 0;
  double cornerRadius_ = 0;
  bool hasInnerCorners_;
  double defaultCornerRadius_;
  bool defaultHasInnerCorners_;
};

// Free ends notched with a concave indent two units deep.
class QRCodePixelShapeRoundedEndIndent final : public RoundedModulePixelShape {
 public:
  static std::string_view Name() { return "roundedEndIndent"; }
  static std::string_view Title() { return "Rounded end indent"; }
  static constexpr double DefaultCornerRadius() { return 0.65; }
  static constexpr bool DefaultHasInnerCorners() { return false; }
  static std::shared_ptr<QRCodePixelShapeRoundedEndIndent> Create(const foundation::Settings& settings = {});

  QRCodePixelShapeRoundedEndIndent(double cornerRadiusFraction, bool hasInnerCorners)
      : RoundedModulePixelShape(cornerRadiusFraction, hasInnerCorners, DefaultCornerRadius(),
                                DefaultHasInnerCorners()) {}

  std::string_view name() const override { return Name(); }
  std::string_view title() const override { return Title(); }
  std::shared_ptr<QRCodePixelShapeGenerator> copyShape() const override;

 protected:
  void setFreeEndPieces(Pieces& pieces) const override;
};
