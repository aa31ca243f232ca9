#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <limits>
#include <memory>
#include <numbers>
#include <string>
#include <string_view>
#include <vector>

#include "PixelTestSupport.hpp"
#include "QRCode/QRCodePixelShape.hpp"
#include "QRCode/core/QRCodeBoolMatrix.hpp"
#include "QRCode/core/QRCodeCorners.hpp"
#include "QRCode/core/QRCodePathHelpers.hpp"
#include "support/Raster.hpp"

// The pixel shapes that draw each module from a piece chosen by its neighbours: blob,
// circuit, curve pixel, pointy and razor.

namespace {

using foundation::Settings;
using Ptr = std::shared_ptr<QRCodePixelShapeGenerator>;
namespace N = PixelNeighbourMask;

// A matrix from rows of '#' (set) and '.' (unset).
QRCodeBoolMatrix matrixOf(std::initializer_list<std::string_view> rows) {
  QRCodeBoolMatrix m(static_cast<std::int64_t>(rows.size()));
  std::int64_t r = 0;
  for (std::string_view row : rows) {
    EXPECT_EQ(row.size(), rows.size());
    for (std::size_t c = 0; c < row.size(); ++c) m.setValue(r, static_cast<std::int64_t>(c), row[c] == '#');
    ++r;
  }
  return m;
}

gfx::Path outline(std::string_view text) {
  auto p = gfx::Path::parse(text);
  EXPECT_TRUE(p.has_value()) << text;
  return p ? *p : gfx::Path();
}

gfx::Path moved(const gfx::Path& piece, double dx, double dy, double scale = 1) {
  return piece.transformed(gfx::AffineTransform::scale(scale, scale).concatenating(gfx::AffineTransform::translation(dx, dy)));
}

// The elements [from, from + expected.size()) of path, as a path of their own.
gfx::Path slice(const gfx::Path& path, std::size_t from, std::size_t count) {
  gfx::Path out;
  const auto& e = path.elements();
  for (std::size_t i = from; i < from + count && i < e.size(); ++i) {
    const auto& x = e[i];
    switch (x.type) {
      case gfx::PathElementType::move: out.moveTo(x.points[0]); break;
      case gfx::PathElementType::line: out.lineTo(x.points[0]); break;
      case gfx::PathElementType::quad: out.quadTo(x.points[0], x.points[1]); break;
      case gfx::PathElementType::cubic: out.cubicTo(x.points[0], x.points[1], x.points[2]); break;
      case gfx::PathElementType::close: out.close(); break;
    }
  }
  return out;
}

// path is exactly the pieces, one after the other.
void expectPieces(const gfx::Path& path, const std::vector<gfx::Path>& pieces) {
  std::size_t at = 0;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    SCOPED_TRACE("piece " + std::to_string(i));
    EXPECT_TRUE(gfx::approximatelyEqual(slice(path, at, pieces[i].size()), pieces[i], 1e-9))
        << slice(path, at, pieces[i].size()).description() << "\nexpected\n"
        << pieces[i].description();
    at += pieces[i].size();
  }
  EXPECT_EQ(path.size(), at);
}

void expectRect(const gfx::Rect& r, double x, double y, double w, double h, double tolerance = 1e-9) {
  EXPECT_NEAR(r.minX(), x, tolerance);
  EXPECT_NEAR(r.minY(), y, tolerance);
  EXPECT_NEAR(r.width(), w, tolerance);
  EXPECT_NEAR(r.height(), h, tolerance);
}

gfx::Path rectPath(const gfx::Rect& r) {
  gfx::Path p;
  p.addRect(r);
  return p;
}

// --- the five classes as a table --------------------------------------------------------

struct ShapeClass {
  std::string name;
  std::string title;
  std::function<Ptr(const Settings&)> create;
  Settings defaultSettings;
};

template <class C>
ShapeClass shapeClass(Settings defaults) {
  return {std::string(C::Name()), std::string(C::Title()), [](const Settings& s) -> Ptr { return C::Create(s); },
          std::move(defaults)};
}

const std::vector<ShapeClass>& shapeClasses() {
  static const std::vector<ShapeClass> classes{
      shapeClass<QRCodePixelShapeBlob>(Settings::object()),
      shapeClass<QRCodePixelShapeCircuit>(Settings::object()),
      shapeClass<QRCodePixelShapeCurvePixel>(Settings::parse(R"({"cornerRadiusFraction": 1.0})")),
      shapeClass<QRCodePixelShapePointy>(Settings::object()),
      shapeClass<QRCodePixelShapeRazor>(Settings::object()),
  };
  return classes;
}

TEST(NeighbourShapes, NamesTitlesAndDefaultSettings) {
  const std::vector<std::pair<std::string, std::string>> expected{
      {"blob", "Blob"}, {"circuit", "Circuit"}, {"curvePixel", "Curve pixel"}, {"pointy", "Pointy"}, {"razor", "Razor"}};
  ASSERT_EQ(shapeClasses().size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const ShapeClass& k = shapeClasses()[i];
    SCOPED_TRACE(k.name);
    EXPECT_EQ(k.name, expected[i].first);
    EXPECT_EQ(k.title, expected[i].second);
    for (const Settings& dict : {Settings(), Settings::object(), Settings::parse(R"({"insetFraction": 0.5})"),
                                 Settings::parse("[1, 2]"), Settings("blob")}) {
      Ptr shape = k.create(dict);
      ASSERT_NE(shape, nullptr);
      EXPECT_EQ(shape->name(), k.name);
      EXPECT_EQ(shape->title(), k.title);
      EXPECT_EQ(QRCodePixelShape::nameOfGenerator(*shape), k.name);
      EXPECT_EQ(shape->settings(), k.defaultSettings);
    }
  }
}

TEST(NeighbourShapes, RecordsRoundTripThroughTheFactory) {
  const auto& factory = QRCodePixelShapeFactory::shared();
  for (const ShapeClass& k : shapeClasses()) {
    SCOPED_TRACE(k.name);
    Ptr shape = k.create(Settings());
    const GeneratorSettingsRecord record = shape->typeAndSettings();
    EXPECT_EQ(record, Settings({{"type", k.name}, {"settings", k.defaultSettings}}));
    Ptr back = factory.createWithSettings(record);
    EXPECT_EQ(back->name(), k.name);
    EXPECT_EQ(back->settings(), shape->settings());
    // Through JSON text as a design archive stores it.
    Ptr fromText = factory.createWithSettings(Settings::parse(record.dump()));
    EXPECT_EQ(fromText->typeAndSettings(), record);
    EXPECT_EQ(factory.named(k.name)->settings(), k.defaultSettings);
    // Same drawing from the original, the copy and the restored generator.
    const QRCodeBoolMatrix m = matrixOf({"##.#", "#..#", ".###", "#.#."});
    const gfx::Path p = shape->generatePathFrom(m, {40, 40});
    EXPECT_FALSE(p.empty());
    EXPECT_EQ(back->generatePathFrom(m, {40, 40}), p);
    Ptr copy = shape->copyShape();
    EXPECT_NE(copy.get(), shape.get());
    EXPECT_EQ(copy->name(), k.name);
    EXPECT_EQ(copy->generatePathFrom(m, {40, 40}), p);
    // Equal input, equal path.
    EXPECT_EQ(shape->generatePathFrom(m, {40, 40}), p);
  }
  EXPECT_EQ(QRCodePixelShapeBlob().typeAndSettings().dump(), R"({"settings":{},"type":"blob"})");
}

TEST(NeighbourShapes, ShapesWithoutSettingsTakeNoSetting) {
  for (const ShapeClass& k : shapeClasses()) {
    if (k.name == "curvePixel") continue;
    SCOPED_TRACE(k.name);
    Ptr shape = k.create(Settings());
    for (const char* key : {"insetFraction", "cornerRadiusFraction", "rotationFraction", "useRandomRotation",
                            "insetGeneratorName", "useRandomInset", "hasInnerCorners", ""}) {
      EXPECT_FALSE(shape->supportsSettingValueForKey(key)) << key;
      EXPECT_FALSE(shape->setSettingValue(Settings(0.5), key)) << key;
      EXPECT_FALSE(shape->setSettingValue(Settings(), key)) << key;
      EXPECT_FALSE(shape->setSettingValue(Settings("fixed"), key)) << key;
    }
    EXPECT_EQ(shape->settings(), Settings::object());
    EXPECT_FALSE(shape->settingValueForKey<double>("cornerRadiusFraction").has_value());
  }
}

TEST(NeighbourShapes, NothingToLayOutGivesAnEmptyPath) {
  const QRCodeBoolMatrix empty;
  const QRCodeBoolMatrix one = matrixOf({"#"});
  constexpr double nan = std::numeric_limits<double>::quiet_NaN();
  constexpr double inf = std::numeric_limits<double>::infinity();
  for (const ShapeClass& k : shapeClasses()) {
    SCOPED_TRACE(k.name);
    Ptr shape = k.create(Settings());
    EXPECT_TRUE(shape->generatePathFrom(empty, {300, 300}).empty());
    for (gfx::Size size : {gfx::Size{0, 300}, gfx::Size{-10, -10}, gfx::Size{nan, 300}, gfx::Size{inf, inf}})
      EXPECT_TRUE(shape->generatePathFrom(one, size).empty()) << size.width << " x " << size.height;
    // An all-unset matrix draws nothing either (fillers need set neighbours).
    EXPECT_TRUE(shape->generatePathFrom(QRCodeBoolMatrix(5), {50, 50}).empty());
  }
}

TEST(NeighbourShapes, GridIsCentredOnSquareCells) {
  struct Case {
    std::int64_t dimension;
    gfx::Size size;
    double cell, x0, y0;
  };
  const std::vector<Case> cases{{25, {300, 200}, 8, 50, 0}, {2, {300, 200}, 100, 50, 0}, {4, {40, 100}, 10, 0, 30},
                                {3, {30, 30}, 10, 0, 0}};
  for (const Case& c : cases) {
    const auto grid = PixelModuleGrid::fit(c.dimension, c.size);
    ASSERT_TRUE(grid.has_value());
    EXPECT_DOUBLE_EQ(grid->cell, c.cell);
    EXPECT_DOUBLE_EQ(grid->x0, c.x0);
    EXPECT_DOUBLE_EQ(grid->y0, c.y0);
    const gfx::Point p = grid->moduleTransform(1, 2).apply(gfx::Point{5, 10});
    EXPECT_DOUBLE_EQ(p.x, c.x0 + 2 * c.cell + 5 * c.cell / 10);
    EXPECT_DOUBLE_EQ(p.y, c.y0 + 1 * c.cell + c.cell);
  }
  EXPECT_FALSE(PixelModuleGrid::fit(0, {10, 10}).has_value());

  // Every shape places a lone module of a 25-module matrix at 300 x 200 in the cell at
  // (50 + 8c, 8r), and a 2-module matrix in cells of 100 from x = 50.
  QRCodeBoolMatrix m(25);
  m.setValue(3, 4, true);
  QRCodeBoolMatrix two = matrixOf({"#.", ".."});
  for (const ShapeClass& k : shapeClasses()) {
    SCOPED_TRACE(k.name);
    Ptr shape = k.create(Settings());
    const gfx::Rect b = shape->generatePathFrom(m, {300, 200}).bounds();
    EXPECT_NEAR(b.midX(), 50 + 4 * 8 + 4, 1e-9);
    EXPECT_NEAR(b.midY(), 3 * 8 + 4, 1e-9);
    EXPECT_GE(b.minX(), 50 + 4 * 8 - 1e-9);
    EXPECT_LE(b.maxX(), 50 + 5 * 8 + 1e-9);
    const gfx::Rect b2 = shape->generatePathFrom(two, {300, 200}).bounds();
    EXPECT_NEAR(b2.midX(), 100, 1e-9);
    EXPECT_NEAR(b2.midY(), 50, 1e-9);
  }
}

TEST(NeighbourShapes, NeighbourMaskReadsTheFourSides) {
  const QRCodeBoolMatrix m = matrixOf({".#.", "#.#", ".#."});
  EXPECT_EQ(N::of(m, 1, 1), N::top | N::bottom | N::left | N::right);
  EXPECT_EQ(N::of(m.neighbours(1, 1)), N::top | N::bottom | N::left | N::right);
  EXPECT_EQ(N::of(m, 0, 0), N::right | N::bottom);
  EXPECT_EQ(N::of(m, 2, 2), N::top | N::left);
  EXPECT_EQ(N::of(m, 0, 1), 0u);  // diagonals do not count
}

// --- Blob -------------------------------------------------------------------------------

TEST(BlobShape, LoneModuleIsASquareWithAllCornersRounded) {
  QRCodePixelShapeBlob blob;
  const gfx::Path p = blob.generatePathFrom(matrixOf({"#"}), {10, 10});
  // Each rounded corner runs one radius before to one radius after it, the corner being
  // the first control point and the end point the second.
  EXPECT_EQ(p, outline("M 3,0 L 7,0 C 10,0 10,3 10,3 L 10,7 C 10,10 7,10 7,10 L 3,10 C 0,10 0,7 0,7 "
                       "L 0,3 C 0,0 3,0 3,0 Z"));
  // The same at another scale and place.
  EXPECT_TRUE(gfx::approximatelyEqual(blob.generatePathFrom(matrixOf({"#"}), {50, 30}), moved(p, 10, 0, 3)));
}

TEST(BlobShape, HorizontalRunRoundsOnlyItsEndsAndHasNoFillets) {
  QRCodePixelShapeBlob blob;
  const gfx::Path p = blob.generatePathFrom(matrixOf({"...", "###", "..."}), {30, 30});
  const gfx::Path left = outline("M 3,0 L 10,0 L 10,10 L 3,10 C 0,10 0,7 0,7 L 0,3 C 0,0 3,0 3,0 Z");
  // Square corners keep their line elements, the last one included.
  const gfx::Path middle = outline("M 0,0 L 10,0 L 10,10 L 0,10 L 0,0 Z");
  const gfx::Path right = outline("M 0,0 L 7,0 C 10,0 10,3 10,3 L 10,7 C 10,10 7,10 7,10 L 0,10 L 0,0 Z");
  expectPieces(p, {moved(left, 0, 10), moved(middle, 10, 10), moved(right, 20, 10)});
}

TEST(BlobShape, InnerAngleGetsAFilletAndKeepsSquareCorners) {
  QRCodePixelShapeBlob blob;
  // Above, left and above-left of the unset module (1, 1) are set.
  const gfx::Path p = blob.generatePathFrom(matrixOf({"##", "#."}), {20, 20});
  using Fillet = QRCodePixelShapeBlob::Fillet;
  const gfx::Path topLeft = outline("M 3,0 L 10,0 L 10,10 L 0,10 L 0,3 C 0,0 3,0 3,0 Z");
  const gfx::Path topRight = outline("M 0,0 L 7,0 C 10,0 10,3 10,3 L 10,7 C 10,10 7,10 7,10 L 0,10 L 0,0 Z");
  const gfx::Path bottomLeft = outline("M 0,0 L 10,0 L 10,7 C 10,10 7,10 7,10 L 3,10 C 0,10 0,7 0,7 L 0,0 Z");
  expectPieces(p, {topLeft, moved(topRight, 10, 0), moved(bottomLeft, 0, 10),
                   moved(QRCodePixelShapeBlob::filletPiece(Fillet::aboveLeft), 10, 10)});
  EXPECT_EQ(QRCodePixelShapeBlob::filletPiece(Fillet::aboveLeft),
            outline("M 0,5 C 0,5 0,2.4 1.1,1.2 C 2.2,0 5,0 5,0 L 0,0 L 0,5 Z"));
  // The fillet fills the inner corner and leaves the rest of the module light.
  EXPECT_TRUE(p.contains({10.3, 10.3}));
  EXPECT_FALSE(p.contains({14, 14}));
  EXPECT_FALSE(p.contains({19.5, 19.5}));
}

TEST(BlobShape, FilletsReadOnlyTheOrthogonalPairs) {
  QRCodePixelShapeBlob blob;
  using Fillet = QRCodePixelShapeBlob::Fillet;
  // A diagonal pair: each unset module has two set orthogonal neighbours; the set
  // modules' corners at the touching point stay square because the diagonal is set.
  const gfx::Path p = blob.generatePathFrom(matrixOf({"#.", ".#"}), {20, 20});
  const gfx::Path first = outline("M 3,0 L 7,0 C 10,0 10,3 10,3 L 10,10 L 3,10 C 0,10 0,7 0,7 L 0,3 C 0,0 3,0 3,0 Z");
  const gfx::Path last = outline("M 0,0 L 7,0 C 10,0 10,3 10,3 L 10,7 C 10,10 7,10 7,10 L 3,10 C 0,10 0,7 0,7 L 0,0 Z");
  expectPieces(p, {first, moved(QRCodePixelShapeBlob::filletPiece(Fillet::belowLeft), 10, 0),
                   moved(QRCodePixelShapeBlob::filletPiece(Fillet::aboveRight), 0, 10), moved(last, 10, 10)});

  // An unset module enclosed on four sides gets four fillets, in the order above-left,
  // above-right, below-left, below-right.
  const gfx::Path ring = blob.generatePathFrom(matrixOf({".#.", "#.#", ".#."}), {30, 30});
  std::vector<gfx::Path> pieces;
  const QRCodeBoolMatrix m = matrixOf({".#.", "#.#", ".#."});
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) {
      if (m.value(r, c)) continue;
      const auto n = m.neighbours(r, c);
      if (n.top && n.left) pieces.push_back(moved(QRCodePixelShapeBlob::filletPiece(Fillet::aboveLeft), 10.0 * c, 10.0 * r));
      if (n.top && n.right) pieces.push_back(moved(QRCodePixelShapeBlob::filletPiece(Fillet::aboveRight), 10.0 * c, 10.0 * r));
      if (n.bottom && n.left) pieces.push_back(moved(QRCodePixelShapeBlob::filletPiece(Fillet::belowLeft), 10.0 * c, 10.0 * r));
      if (n.bottom && n.right) pieces.push_back(moved(QRCodePixelShapeBlob::filletPiece(Fillet::belowRight), 10.0 * c, 10.0 * r));
    }
  // The centre's four fillets plus one in each of the four corner modules.
  EXPECT_EQ(pieces.size(), 8u);
  std::size_t fillets = 0;
  for (const auto& e : ring.elements())
    if (e.type == gfx::PathElementType::move) ++fillets;
  EXPECT_EQ(fillets, 4u + 8u);
  for (gfx::Point inside : {gfx::Point{10.2, 10.2}, gfx::Point{19.8, 10.2}, gfx::Point{10.2, 19.8}, gfx::Point{19.8, 19.8}})
    EXPECT_TRUE(ring.contains(inside)) << inside.x << "," << inside.y;
  EXPECT_FALSE(ring.contains({15, 15}));
}

TEST(BlobShape, BorderModulesTreatTheOutsideAsUnset) {
  QRCodePixelShapeBlob blob;
  // (0, 1) has only its lower neighbour set: its two upper corners, at the border, round.
  const gfx::Path p = blob.generatePathFrom(matrixOf({".#.", ".#.", "..."}), {30, 30});
  const gfx::Path top = outline("M 3,0 L 7,0 C 10,0 10,3 10,3 L 10,10 L 0,10 L 0,3 C 0,0 3,0 3,0 Z");
  const gfx::Path bottom = outline("M 0,0 L 10,0 L 10,7 C 10,10 7,10 7,10 L 3,10 C 0,10 0,7 0,7 L 0,0 Z");
  expectPieces(p, {moved(top, 10, 0), moved(bottom, 10, 10)});
}

TEST(BlobShape, SixteenModulePiecesFollowTheCornerSet) {
  for (std::uint8_t set = 0; set < 16; ++set) {
    const gfx::Path& piece = QRCodePixelShapeBlob::modulePiece(set);
    SCOPED_TRACE(int(set));
    EXPECT_EQ(piece, qrcore::roundedRect(gfx::Rect(0, 0, 10, 10), QRCode::Corners(set), 3.0));
    // Rounded corners leave their corner point light.
    EXPECT_EQ(piece.contains({0.2, 0.2}), (set & 1) == 0);
    EXPECT_EQ(piece.contains({9.8, 0.2}), (set & 2) == 0);
    EXPECT_EQ(piece.contains({9.8, 9.8}), (set & 4) == 0);
    EXPECT_EQ(piece.contains({0.2, 9.8}), (set & 8) == 0);
  }
}

// Pieces of different modules never overlap: the path fills alike under both rules.
void expectSameFillUnderBothRules(QRCodePixelShapeGenerator& shape, const QRCodeBoolMatrix& m) {
  const double size = 10.0 * static_cast<double>(m.dimension());
  const gfx::Path p = shape.generatePathFrom(m, {size, size});
  int filled = 0;
  for (double y = 0.35; y < size; y += 0.7)
    for (double x = 0.35; x < size; x += 0.7) {
      const bool winding = p.contains({x, y}, false);
      ASSERT_EQ(winding, p.contains({x, y}, true)) << x << "," << y;
      filled += winding;
    }
  EXPECT_GT(filled, 0);
}

const QRCodeBoolMatrix& mixedMatrix() {
  static const QRCodeBoolMatrix m = matrixOf({"##.#..##", "#..####.", "###.#..#", ".#..###.", "##.#.#.#",
                                              "..###..#", "#.#.####", "###..#.#"});
  return m;
}

TEST(BlobShape, PiecesNeverOverlap) {
  QRCodePixelShapeBlob blob;
  expectSameFillUnderBothRules(blob, mixedMatrix());
}

// --- Circuit ----------------------------------------------------------------------------

TEST(CircuitShape, LoneModuleIsACircleOfRadiusFour) {
  QRCodePixelShapeCircuit circuit;
  gfx::Path circle;
  circle.addEllipse({1, 1, 8, 8});
  EXPECT_EQ(QRCodePixelShapeCircuit::piece(0), circle);
  QRCodeBoolMatrix m(5);
  m.setValue(2, 1, true);
  const gfx::Path p = circuit.generatePathFrom(m, {100, 100});
  // Diameter 0.8 x cell, centred in its cell (cell 20).
  expectRect(p.bounds(), 20 + 2, 40 + 2, 16, 16, 1e-6);
  EXPECT_TRUE(gfx::approximatelyEqual(p, moved(circle, 20, 40, 2)));
}

TEST(CircuitShape, EachPieceReachesExactlyTheEdgesOfItsNeighbours) {
  for (unsigned n = 0; n < 16; ++n) {
    SCOPED_TRACE(n);
    const gfx::Path& piece = QRCodePixelShapeCircuit::piece(n);
    ASSERT_FALSE(piece.empty());
    EXPECT_EQ(piece.elements().back().type, gfx::PathElementType::close);
    EXPECT_EQ(piece.elements().front().type, gfx::PathElementType::move);
    const gfx::Rect b = piece.bounds();
    // A neck meets the edge; elsewhere the pad keeps 1 unit away from it.
    EXPECT_NEAR(b.minY(), (n & N::top) ? 0 : 1, 0.02);
    EXPECT_NEAR(b.maxY(), (n & N::bottom) ? 10 : 9, 0.02);
    EXPECT_NEAR(b.minX(), (n & N::left) ? 0 : 1, 0.02);
    EXPECT_NEAR(b.maxX(), (n & N::right) ? 10 : 9, 0.02);
    EXPECT_TRUE(piece.contains({5, 5}));
    // Necks are 2.4 wide about the edge's middle.
    if (n & N::top) {
      EXPECT_TRUE(piece.contains({5, 0.05}));
      EXPECT_TRUE(piece.contains({3.9, 0.05}));
      EXPECT_FALSE(piece.contains({3.6, 0.05}));
      EXPECT_FALSE(piece.contains({6.4, 0.05}));
    }
    if (n & N::right) {
      EXPECT_TRUE(piece.contains({9.95, 6.1}));
      EXPECT_FALSE(piece.contains({9.95, 6.4}));
    }
    // The pad is the disc of radius 4 about the centre: every piece holds it, and outside
    // it fills only the necks, which widen into the pad within 45 degrees of their edge's
    // middle.
    for (int k = 0; k < 72; ++k) {
      const double a = k * 5 * std::numbers::pi / 180;
      const gfx::Point direction{std::cos(a), std::sin(a)};
      EXPECT_TRUE(piece.contains({5 + 3.9 * direction.x, 5 + 3.9 * direction.y})) << k * 5 << " degrees";
      const bool towardsNeck = (direction.y < -0.7 && (n & N::top)) || (direction.y > 0.7 && (n & N::bottom)) ||
                               (direction.x < -0.7 && (n & N::left)) || (direction.x > 0.7 && (n & N::right));
      if (!towardsNeck) {
        EXPECT_FALSE(piece.contains({5 + 4.15 * direction.x, 5 + 4.15 * direction.y})) << k * 5 << " degrees";
      }
    }
    for (unsigned other = 0; other < n; ++other) EXPECT_NE(piece, QRCodePixelShapeCircuit::piece(other));
  }
  // Pieces keep their listed coordinates, the repeated final line included.
  EXPECT_EQ(QRCodePixelShapeCircuit::piece(N::top).size(), 13u);
  EXPECT_EQ(QRCodePixelShapeCircuit::piece(N::top).elements()[10].points[0], (gfx::Point{6.2, 0}));
  EXPECT_EQ(QRCodePixelShapeCircuit::piece(N::top).elements()[11].points[0], (gfx::Point{6.2, 0}));
  EXPECT_EQ(QRCodePixelShapeCircuit::piece(N::top).elements()[11].type, gfx::PathElementType::line);
  EXPECT_EQ(QRCodePixelShapeCircuit::piece(N::top).elements()[2].points[1], (gfx::Point{7.55, 1.93}));
  EXPECT_EQ(QRCodePixelShapeCircuit::piece(N::top | N::bottom).elements()[11].points[0], (gfx::Point{3.54, 9.08}));
}

TEST(CircuitShape, SideBySideModulesJoinAlongTheSharedEdge) {
  QRCodePixelShapeCircuit circuit;
  const gfx::Path p = circuit.generatePathFrom(matrixOf({"##", ".."}), {20, 20});
  expectPieces(p, {QRCodePixelShapeCircuit::piece(N::right), moved(QRCodePixelShapeCircuit::piece(N::left), 10, 0)});
  EXPECT_TRUE(p.contains({10, 5}));
  EXPECT_TRUE(p.contains({9.9, 3.9}));
  EXPECT_TRUE(p.contains({10.1, 6.1}));
  EXPECT_FALSE(p.contains({10, 3.2}));
  EXPECT_FALSE(p.contains({10, 6.8}));
}

TEST(CircuitShape, FirstRowHasNoNeckOutwards) {
  QRCodePixelShapeCircuit circuit;
  const gfx::Path p = circuit.generatePathFrom(matrixOf({".#.", ".#.", "..."}), {30, 30});
  expectPieces(p, {moved(QRCodePixelShapeCircuit::piece(N::bottom), 10, 0),
                   moved(QRCodePixelShapeCircuit::piece(N::top), 10, 10)});
  EXPECT_NEAR(p.bounds().minY(), 1, 0.02);
}

TEST(CircuitShape, FullThreeByThreeUsesTwoThreeAndFourNeckPieces) {
  QRCodePixelShapeCircuit circuit;
  const QRCodeBoolMatrix m = matrixOf({"###", "###", "###"});
  const gfx::Path p = circuit.generatePathFrom(m, {30, 30});
  std::vector<gfx::Path> pieces;
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) pieces.push_back(moved(QRCodePixelShapeCircuit::piece(N::of(m, r, c)), 10.0 * c, 10.0 * r));
  expectPieces(p, pieces);
  EXPECT_EQ(N::of(m, 1, 1), 15u);
  EXPECT_EQ(N::of(m, 0, 1), N::bottom | N::left | N::right);
  EXPECT_EQ(N::of(m, 0, 0), N::bottom | N::right);
  // The whole figure is connected through the necks and open between the pads.
  EXPECT_TRUE(p.contains({10, 15}));
  EXPECT_TRUE(p.contains({15, 20}));
  EXPECT_FALSE(p.contains({10, 10}));
}

TEST(CircuitShape, PiecesNeverOverlap) {
  QRCodePixelShapeCircuit circuit;
  expectSameFillUnderBothRules(circuit, mixedMatrix());
}

// --- Curve pixel ------------------------------------------------------------------------

TEST(CurvePixelShape, FractionIsClampedAndSetsTheRadius) {
  struct Case {
    double given, stored;
  };
  const std::vector<Case> cases{{1.0, 1.0}, {0.5, 0.5}, {1.7, 1.0}, {-0.2, 0.0}, {0.0, 0.0},
                                {std::numeric_limits<double>::quiet_NaN(), 0.0},
                                {std::numeric_limits<double>::infinity(), 1.0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.given);
    QRCodePixelShapeCurvePixel shape(c.given);
    EXPECT_EQ(shape.cornerRadiusFraction(), c.stored);
    EXPECT_EQ(shape.actualRadius(), 4.5 * c.stored);
    EXPECT_EQ(shape.actualRadiusSize().width, 4.5 * c.stored);
    EXPECT_EQ(shape.actualRadiusSize().height, 4.5 * c.stored);
    EXPECT_EQ(shape.settings(), Settings({{"cornerRadiusFraction", c.stored}}));
    shape.setCornerRadiusFraction(0.25);
    shape.setCornerRadiusFraction(c.given);
    EXPECT_EQ(shape.cornerRadiusFraction(), c.stored);
    auto made = QRCodePixelShapeCurvePixel::Create(Settings({{"cornerRadiusFraction", c.given}}));
    EXPECT_EQ(made->cornerRadiusFraction(), c.stored);
  }
  EXPECT_EQ(QRCodePixelShapeCurvePixel::DefaultCornerRadiusValue, 1.0);
  EXPECT_EQ(QRCodePixelShapeCurvePixel::Create()->cornerRadiusFraction(), 1.0);
  EXPECT_EQ(QRCodePixelShapeCurvePixel::Create(Settings::parse(R"({"cornerRadiusFraction": "0.3"})"))->cornerRadiusFraction(), 1.0);
  EXPECT_EQ(QRCodePixelShapeCurvePixel::Create(Settings::parse(R"({"cornerRadiusFraction": 0.3})"))->cornerRadiusFraction(), 0.3);
  EXPECT_EQ(QRCodePixelShapeCurvePixel::Create(Settings::parse(R"({"cornerRadiusFraction": false})"))->cornerRadiusFraction(), 0.0);
}

TEST(CurvePixelShape, SettingValuesByKey) {
  QRCodePixelShapeCurvePixel shape(0.4);
  EXPECT_TRUE(shape.supportsSettingValueForKey("cornerRadiusFraction"));
  for (const char* key : {"insetFraction", "rotationFraction", "hasInnerCorners", "CornerRadiusFraction", ""}) {
    EXPECT_FALSE(shape.supportsSettingValueForKey(key)) << key;
    EXPECT_FALSE(shape.setSettingValue(Settings(0.9), key)) << key;
    EXPECT_EQ(shape.cornerRadiusFraction(), 0.4);
  }
  // A text, a list or an object is refused and keeps the fraction.
  for (const Settings& refused : {Settings("0.9"), Settings::parse("[0.9]"), Settings::object()}) {
    EXPECT_FALSE(shape.setSettingValue(refused, "cornerRadiusFraction")) << refused.dump();
    EXPECT_EQ(shape.cornerRadiusFraction(), 0.4);
  }
  EXPECT_TRUE(shape.setSettingValue(Settings(2), "cornerRadiusFraction"));
  EXPECT_EQ(shape.cornerRadiusFraction(), 1.0);
  EXPECT_TRUE(shape.setSettingValue(Settings(0.3), "cornerRadiusFraction"));
  EXPECT_EQ(shape.settingValueForKey<double>("cornerRadiusFraction"), 0.3);
  // No value resets to the default.
  EXPECT_TRUE(shape.setSettingValue(Settings(), "cornerRadiusFraction"));
  EXPECT_EQ(shape.cornerRadiusFraction(), 1.0);
  EXPECT_EQ(shape.actualRadius(), 4.5);
}

TEST(CurvePixelShape, LoneModuleAtTheDefaultIsACircle) {
  auto shape = QRCodePixelShapeCurvePixel::Create();
  const gfx::Path p = shape->generatePathFrom(matrixOf({"#"}), {10, 10});
  gfx::Path circle;
  circle.addRoundedRect({0.5, 0.5, 9, 9}, 4.5, 4.5);
  EXPECT_EQ(p, circle);
  // Diameter 0.9 x cell, centred.
  expectRect(shape->generatePathFrom(matrixOf({"#"}), {40, 40}).bounds(), 2, 2, 36, 36, 1e-9);
  EXPECT_FALSE(p.contains({1.2, 1.2}));
  EXPECT_TRUE(p.contains({5, 0.6}));
  // A partial fraction: a rounded square with quarter-circle corners of 4.5 x fraction.
  QRCodePixelShapeCurvePixel half(0.5);
  gfx::Path rounded;
  rounded.addRoundedRect({0.5, 0.5, 9, 9}, 2.25, 2.25);
  EXPECT_EQ(half.generatePathFrom(matrixOf({"#"}), {10, 10}), rounded);
}

TEST(CurvePixelShape, RunEndsAreCurvedAndInnerSidesStraight) {
  auto shape = QRCodePixelShapeCurvePixel::Create();
  const gfx::Path p = shape->generatePathFrom(matrixOf({"...", "##.", "..."}), {30, 30});
  // The left end: both left corners curved with radius 4.5, meeting at (0.5, 5) after a
  // line of zero length; the right side straight.
  const gfx::Path leftEnd = outline("M 5,0.5 L 9.5,0.5 L 9.5,9.5 L 5,9.5 C 0.5,9.5 0.5,5 0.5,5 L 0.5,5 "
                                    "C 0.5,0.5 5,0.5 5,0.5 Z");
  const gfx::Path rightEnd = outline("M 0.5,0.5 L 5,0.5 C 9.5,0.5 9.5,5 9.5,5 L 9.5,5 C 9.5,9.5 5,9.5 5,9.5 "
                                     "L 0.5,9.5 L 0.5,0.5 Z");
  expectPieces(p, {moved(leftEnd, 0, 10), moved(rightEnd, 10, 10)});
  // Neighbouring modules leave a gap of one unit between their squares.
  EXPECT_FALSE(p.contains({10, 15}));
  EXPECT_TRUE(p.contains({9.4, 15}));
  EXPECT_TRUE(p.contains({10.6, 15}));
}

TEST(CurvePixelShape, RoundedCornersByNeighbours) {
  QRCodePixelShapeCurvePixel shape(0.6);
  const double r = 4.5 * 0.6;
  const gfx::Rect inset(0.5, 0.5, 9, 9);
  using C = QRCode::Corners;
  struct Case {
    unsigned neighbours;
    C rounded;
  };
  // Members: topLeft (0.5, 0.5), topRight (9.5, 0.5), bottomLeft (9.5, 9.5), bottomRight (0.5, 9.5).
  const std::vector<Case> cases{
      {N::right, C{C::topLeft, C::bottomRight}},   {N::left, C{C::topRight, C::bottomLeft}},
      {N::bottom, C{C::topLeft, C::topRight}},     {N::top, C{C::bottomLeft, C::bottomRight}},
      {N::bottom | N::right, C{C::topLeft}},       {N::bottom | N::left, C{C::topRight}},
      {N::top | N::right, C{C::bottomRight}},      {N::top | N::left, C{C::bottomLeft}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.neighbours);
    EXPECT_EQ(shape.piece(c.neighbours), qrcore::roundedRect(inset, c.rounded, r));
  }
  // Opposite pairs, whatever else: the plain inset square.
  for (unsigned n : {N::left | N::right, N::top | N::bottom, N::top | N::left | N::right, N::bottom | N::left | N::right,
                     N::top | N::bottom | N::left, N::top | N::bottom | N::right, 15u})
    EXPECT_EQ(shape.piece(n), QRCodePixelShapeCurvePixel::insetSquare()) << n;
  EXPECT_EQ(QRCodePixelShapeCurvePixel::insetSquare(), rectPath(inset));

  // A module with set neighbours above, left and right is drawn as the inset square.
  const QRCodeBoolMatrix m = matrixOf({".#.", "###", "..."});
  const gfx::Path p = shape.generatePathFrom(m, {30, 30});
  expectPieces(p, {moved(shape.piece(N::bottom), 10, 0), moved(shape.piece(N::right), 0, 10),
                   moved(rectPath(inset), 10, 10), moved(shape.piece(N::left), 20, 10)});
}

TEST(CurvePixelShape, FractionZeroDrawsPlainInsetSquares) {
  QRCodePixelShapeCurvePixel shape(0);
  const gfx::Path inset = rectPath({0.5, 0.5, 9, 9});
  EXPECT_EQ(shape.piece(0), inset);
  for (unsigned n = 0; n < 16; ++n) expectRect(shape.piece(n).bounds(), 0.5, 0.5, 9, 9);
  for (unsigned n : {N::left, N::top | N::right, N::bottom})
    EXPECT_FALSE(std::any_of(shape.piece(n).elements().begin(), shape.piece(n).elements().end(),
                             [](const gfx::PathElement& e) { return e.type == gfx::PathElementType::cubic; }))
        << n;
  const gfx::Path p = shape.generatePathFrom(matrixOf({"#.", ".#"}), {20, 20});
  expectPieces(p, {inset, moved(inset, 10, 10)});
  // Square corners even where nothing touches them.
  EXPECT_TRUE(p.contains({0.6, 0.6}));
  for (unsigned n = 1; n < 16; ++n)
    for (gfx::Point corner : {gfx::Point{0.6, 0.6}, gfx::Point{9.4, 0.6}, gfx::Point{9.4, 9.4}, gfx::Point{0.6, 9.4}})
      EXPECT_TRUE(shape.piece(n).contains(corner)) << n;
}

TEST(CurvePixelShape, PlacementAndChangesTakeEffectOnTheNextPath) {
  QRCodePixelShapeCurvePixel shape(1.0);
  const QRCodeBoolMatrix m = matrixOf({"#.", ".."});
  // Dimension 2 at 300 x 200: cell 100, scale 10, x0 = 50.
  expectRect(shape.generatePathFrom(m, {300, 200}).bounds(), 55, 5, 90, 90, 1e-9);
  const gfx::Path before = shape.generatePathFrom(m, {20, 20});
  auto copy = shape.copyShape();
  shape.setCornerRadiusFraction(0);
  EXPECT_NE(shape.generatePathFrom(m, {20, 20}), before);
  EXPECT_EQ(shape.generatePathFrom(m, {20, 20}), rectPath({0.5, 0.5, 9, 9}));
  // The copy is independent and kept the fraction it was made with.
  EXPECT_EQ(copy->generatePathFrom(m, {20, 20}), before);
  EXPECT_EQ(copy->settings(), Settings({{"cornerRadiusFraction", 1.0}}));
  EXPECT_TRUE(copy->setSettingValue(Settings(0.2), "cornerRadiusFraction"));
  EXPECT_EQ(shape.cornerRadiusFraction(), 0.0);
}

TEST(CurvePixelShape, PiecesNeverOverlap) {
  QRCodePixelShapeCurvePixel shape(0.7);
  expectSameFillUnderBothRules(shape, mixedMatrix());
}

// --- Pointy -----------------------------------------------------------------------------

TEST(PointyShape, PiecesByNeighbours) {
  const gfx::Path square = rectPath({0, 0, 10, 10});
  struct Case {
    unsigned neighbours;
    const char* piece;  // null: the square
  };
  const std::vector<Case> cases{
      {0, nullptr},
      {N::right, "M 10,0 L 5,0 L 0,5 L 5,10 L 10,10 Z"},
      {N::left, "M 0,0 L 0,10 L 5,10 L 10,5 L 5,0 Z"},
      {N::bottom, "M 0,10 L 10,10 L 10,5 L 5,0 L 0,5 Z"},
      {N::top, "M 0,0 L 10,0 L 10,5 L 5,10 L 0,5 Z"},
      {N::left | N::right, nullptr},
      {N::top | N::right, nullptr},
      {N::top | N::bottom | N::left, nullptr},
      {15, nullptr},
  };
  for (const Case& c : cases) EXPECT_EQ(QRCodePixelShapePointy::piece(c.neighbours), c.piece ? outline(c.piece) : square) << c.neighbours;
  // Every piece holds the disc of radius 5 / sqrt 2 about the centre that the sides of a
  // point, running from an edge's middle to the next corners, touch.
  for (unsigned n = 0; n < 16; ++n)
    for (int k = 0; k < 72; ++k) {
      const double a = k * 5 * std::numbers::pi / 180;
      EXPECT_TRUE(QRCodePixelShapePointy::piece(n).contains({5 + 3.5 * std::cos(a), 5 + 3.5 * std::sin(a)}))
          << n << " at " << k * 5 << " degrees";
    }
  // The point lies opposite the set neighbour.
  EXPECT_TRUE(QRCodePixelShapePointy::piece(N::right).contains({0.2, 5}));
  EXPECT_FALSE(QRCodePixelShapePointy::piece(N::right).contains({0.2, 1}));
  EXPECT_TRUE(QRCodePixelShapePointy::piece(N::bottom).contains({5, 0.2}));
  EXPECT_FALSE(QRCodePixelShapePointy::piece(N::bottom).contains({1, 0.2}));
}

TEST(PointyShape, RunsEndInPoints) {
  QRCodePixelShapePointy pointy;
  const auto piece = [](unsigned n) { return QRCodePixelShapePointy::piece(n); };
  // A lone module is a full square.
  EXPECT_EQ(pointy.generatePathFrom(matrixOf({"#"}), {10, 10}), rectPath({0, 0, 10, 10}));
  // A horizontal run of three: a left point, a square, a right point.
  expectPieces(pointy.generatePathFrom(matrixOf({"...", "###", "..."}), {30, 30}),
               {moved(piece(N::right), 0, 10), moved(rectPath({0, 0, 10, 10}), 10, 10), moved(piece(N::left), 20, 10)});
  // A vertical pair: the top module points up, the bottom one down.
  const gfx::Path pair = pointy.generatePathFrom(matrixOf({"#.", "#."}), {20, 20});
  expectPieces(pair, {piece(N::bottom), moved(piece(N::top), 0, 10)});
  EXPECT_TRUE(pair.contains({5, 0.2}));
  EXPECT_FALSE(pair.contains({0.5, 0.5}));
  EXPECT_TRUE(pair.contains({5, 19.8}));
  EXPECT_FALSE(pair.contains({9.5, 19.5}));
  // An L: a square at the bend, points at both ends.
  expectPieces(pointy.generatePathFrom(matrixOf({"#..", "##.", "..."}), {30, 30}),
               {piece(N::bottom), moved(rectPath({0, 0, 10, 10}), 0, 10), moved(piece(N::left), 10, 10)});
}

// --- Razor ------------------------------------------------------------------------------

TEST(RazorShape, PiecesByNeighbours) {
  const auto piece = [](unsigned n) { return QRCodePixelShapeRazor::piece(n); };
  gfx::Path lone;
  lone.addRoundedRect({0, 0, 10, 10}, 3, 3);
  EXPECT_EQ(piece(0), lone);
  EXPECT_EQ(piece(N::right), outline("M 2,2 C 3.5,-0.5 6,0 6,0 L 10,0 L 10,10 L 0,10 C 0,10 0.5,4.5 2,2 Z"));
  EXPECT_EQ(piece(N::top | N::left), outline("M 0,0 C 0,0 0,7 0,7 C 0,8.68 0,10 0,10 L 7,10 C 7.66,10 8.28,9.78 8.78,9.42 "
                                             "C 9.52,8.87 10,7.99 10,7 L 10,0 L 0,0 L 0,0 Z"));
  // Opposite pairs, with or without others, are the full square.
  for (unsigned n : {N::left | N::right, N::top | N::bottom, N::top | N::left | N::right, N::bottom | N::left | N::right,
                     N::top | N::bottom | N::left, N::top | N::bottom | N::right, 15u})
    EXPECT_EQ(piece(n), rectPath({0, 0, 10, 10})) << n;
  // A blade's free end: its curve bulges about 0.04 beyond the module's edge.
  EXPECT_NEAR(piece(N::right).bounds().minY(), -0.041, 0.002);
  EXPECT_NEAR(piece(N::left).bounds().maxY(), 10.041, 0.002);
  EXPECT_NEAR(piece(N::bottom).bounds().maxX(), 10.041, 0.002);
  EXPECT_NEAR(piece(N::top).bounds().minX(), -0.041, 0.002);
  // The blade takes away the corner opposite the joined side; the bend rounds its one
  // outer corner.
  EXPECT_FALSE(piece(N::right).contains({0.3, 0.3}));
  EXPECT_TRUE(piece(N::right).contains({0.3, 9.7}));
  EXPECT_FALSE(piece(N::left).contains({9.7, 9.7}));
  EXPECT_FALSE(piece(N::bottom).contains({9.7, 0.3}));
  EXPECT_FALSE(piece(N::top).contains({0.3, 9.7}));
  for (auto [n, corner] : std::vector<std::pair<unsigned, gfx::Point>>{{N::bottom | N::right, {0.3, 0.3}},
                                                                      {N::bottom | N::left, {9.7, 0.3}},
                                                                      {N::top | N::right, {0.3, 9.7}},
                                                                      {N::top | N::left, {9.7, 9.7}}}) {
    EXPECT_FALSE(piece(n).contains(corner)) << n;
    int filledCorners = 0;
    for (gfx::Point c : {gfx::Point{0.3, 0.3}, gfx::Point{9.7, 0.3}, gfx::Point{9.7, 9.7}, gfx::Point{0.3, 9.7}})
      filledCorners += piece(n).contains(c);
    EXPECT_EQ(filledCorners, 3) << n;
  }
}

TEST(RazorShape, FillersAreTheMirroredSliver) {
  using Corner = QRCodePixelShapeRazor::Corner;
  const gfx::Path& base = QRCodePixelShapeRazor::filler(Corner::topLeft);
  EXPECT_EQ(base, outline("M 1.25,0 L 0,0 C 0,0 0,0.625 0,1.25 C 0,0.625 0.625,0 1.25,0 Z"));
  EXPECT_EQ(QRCodePixelShapeRazor::filler(Corner::topRight),
            outline("M 8.75,0 L 10,0 C 10,0 10,0.625 10,1.25 C 10,0.625 9.375,0 8.75,0 Z"));
  EXPECT_EQ(QRCodePixelShapeRazor::filler(Corner::bottomLeft),
            outline("M 1.25,10 L 0,10 C 0,10 0,9.375 0,8.75 C 0,9.375 0.625,10 1.25,10 Z"));
  EXPECT_EQ(QRCodePixelShapeRazor::filler(Corner::bottomRight),
            outline("M 8.75,10 L 10,10 C 10,10 10,9.375 10,8.75 C 10,9.375 9.375,10 8.75,10 Z"));
  EXPECT_TRUE(base.contains({0.1, 0.1}));
  EXPECT_FALSE(base.contains({1, 1}));
}

TEST(RazorShape, LoneModulesAndBlocks) {
  QRCodePixelShapeRazor razor;
  const auto piece = [](unsigned n) { return QRCodePixelShapeRazor::piece(n); };
  gfx::Path lone;
  lone.addRoundedRect({0, 0, 10, 10}, 3, 3);
  EXPECT_EQ(razor.generatePathFrom(matrixOf({"#"}), {10, 10}), lone);
  // A 2 x 2 block: four squares each rounded at its one outer corner.
  expectPieces(razor.generatePathFrom(matrixOf({"##", "##"}), {20, 20}),
               {piece(N::bottom | N::right), moved(piece(N::bottom | N::left), 10, 0), moved(piece(N::top | N::right), 0, 10),
                moved(piece(N::top | N::left), 10, 10)});
  // A 3 x 3 block: the plain square in the middle of each side and in the centre.
  const QRCodeBoolMatrix block = matrixOf({"###", "###", "###"});
  const gfx::Path p = razor.generatePathFrom(block, {30, 30});
  const gfx::Path square = rectPath({0, 0, 10, 10});
  expectPieces(p, {piece(N::bottom | N::right), moved(square, 10, 0), moved(piece(N::bottom | N::left), 20, 0),
                   moved(square, 0, 10), moved(square, 10, 10), moved(square, 20, 10),
                   moved(piece(N::top | N::right), 0, 20), moved(square, 10, 20), moved(piece(N::top | N::left), 20, 20)});
}

TEST(RazorShape, EnclosedUnsetModulesGetFillers) {
  QRCodePixelShapeRazor razor;
  using Corner = QRCodePixelShapeRazor::Corner;
  const auto piece = [](unsigned n) { return QRCodePixelShapeRazor::piece(n); };
  // Enclosed by eight set modules: all four fillers, in the order (0,0), (10,0), (0,10), (10,10).
  const QRCodeBoolMatrix ring = matrixOf({"###", "#.#", "###"});
  const gfx::Path p = razor.generatePathFrom(ring, {30, 30});
  std::vector<gfx::Path> expected;
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) {
      if (r == 1 && c == 1) {
        for (Corner k : {Corner::topLeft, Corner::topRight, Corner::bottomLeft, Corner::bottomRight})
          expected.push_back(moved(QRCodePixelShapeRazor::filler(k), 10, 10));
      } else {
        expected.push_back(moved(piece(N::of(ring, r, c)), 10.0 * c, 10.0 * r));
      }
    }
  expectPieces(p, expected);
  EXPECT_TRUE(p.contains({10.1, 10.1}));
  EXPECT_FALSE(p.contains({15, 15}));

  // Only above and left set (the diagonal above-left unset): no filler.
  const gfx::Path open = razor.generatePathFrom(matrixOf({".#", "#."}), {20, 20});
  expectPieces(open, {moved(piece(0), 10, 0), moved(piece(0), 0, 10)});
  // Above, left and above-left set: one filler, at (0, 0) of the unset module.
  const gfx::Path corner = razor.generatePathFrom(matrixOf({"##", "#."}), {20, 20});
  expectPieces(corner, {piece(N::bottom | N::right), moved(piece(N::left), 10, 0), moved(piece(N::top), 0, 10),
                        moved(QRCodePixelShapeRazor::filler(Corner::topLeft), 10, 10)});
}

// --- the shared factory and previews ----------------------------------------------------

TEST(NeighbourShapes, FactoryPreviewsDrawTheSample) {
  const gfx::Color black = gfx::Color::sRGB(0, 0, 0);
  const gfx::Color white = gfx::Color::sRGB(1, 1, 1);
  for (const ShapeClass& k : shapeClasses()) {
    SCOPED_TRACE(k.name);
    Ptr shape = QRCodePixelShapeFactory::shared().named(k.name);
    const gfx::Image on = QRCodePixelShapeFactory::imageWithPixelGenerator(*shape, 70, black, &white);
    ASSERT_EQ(on.width(), 70);
    // Cell 10: the centre of a set sample cell, (row 3, column 3), is dark; the centre of
    // the empty row 0 is light.
    EXPECT_LT(on.pixelAt(35, 35).r, 64);
    EXPECT_GT(on.pixelAt(35, 5).r, 192);
    const gfx::Image off = QRCodePixelShapeFactory::imageWithPixelGenerator(*shape, 70, black, &white, nullptr, false);
    EXPECT_GT(off.pixelAt(35, 35).r, 192);
    EXPECT_LT(off.pixelAt(35, 5).r, 64);
    if (std::getenv("VL_KEEP_TEST_FILES")) {
      const gfx::Image large = QRCodePixelShapeFactory::imageWithPixelGenerator(*shape, 350, black, &white);
      EXPECT_TRUE(testsupport::writeImagePNG(large, std::string("neighbour_preview_") + k.name + ".png"));
    }
  }
}

// --- decoding rendered codes ------------------------------------------------------------

std::string pngPath(const std::string& label) {
  return std::getenv("VL_KEEP_TEST_FILES") ? testsupport::testPath("neighbour_" + label + ".png").string() : std::string();
}

struct Reading {
  bool zxing = false;
  bool zbar = false;
};

Reading read(QRCodePixelShapeGenerator& shape, const QRCodeBoolMatrix& matrix, const std::string& text,
             const std::string& label, int size = 300) {
  const auto results = pixeltest::renderCode(shape, matrix, size, size / 12, pngPath(label)).decode();
  return {pixeltest::contains(results.zxing, text), pixeltest::contains(results.zbar, text)};
}

TEST(NeighbourShapesDecode, EveryShapeReadsAtEveryErrorCorrection) {
  for (int level = 0; level < 4; ++level) {
    const QRCodeBoolMatrix matrix = pixeltest::codeMatrix(pixeltest::shareURL(), level);
    for (const ShapeClass& k : shapeClasses()) {
      SCOPED_TRACE(k.name + " level " + std::to_string(level));
      Ptr shape = k.create(Settings());
      const Reading r = read(*shape, matrix, pixeltest::shareURL(), k.name + "_" + std::to_string(level));
      EXPECT_TRUE(r.zxing);
      EXPECT_TRUE(r.zbar);
    }
  }
}

TEST(NeighbourShapesDecode, CurvePixelReadsAtEveryFraction) {
  const QRCodeBoolMatrix matrix = pixeltest::codeMatrix(pixeltest::shareURL());
  for (int tenth = 0; tenth <= 10; ++tenth) {
    SCOPED_TRACE(tenth);
    QRCodePixelShapeCurvePixel shape(tenth / 10.0);
    const Reading r = read(shape, matrix, pixeltest::shareURL(), "curvePixel_f" + std::to_string(tenth));
    EXPECT_TRUE(r.zxing);
    EXPECT_TRUE(r.zbar);
  }
}

TEST(NeighbourShapesDecode, LargeAndSmallPicturesRead) {
  const QRCodeBoolMatrix matrix = pixeltest::codeMatrix(pixeltest::shareURL());
  for (const ShapeClass& k : shapeClasses()) {
    for (int size : {900, 160}) {
      SCOPED_TRACE(k.name + " at " + std::to_string(size));
      Ptr shape = k.create(Settings());
      const Reading r = read(*shape, matrix, pixeltest::shareURL(), k.name + "_" + std::to_string(size), size);
      EXPECT_TRUE(r.zxing);
      EXPECT_TRUE(r.zbar);
    }
  }
}

TEST(NeighbourShapesDecode, LongerTextReadsAt300Pixels) {
  // A version-10 code (57 modules with its border) at 300 pixels: about 4.7 pixels a module.
  std::string text = pixeltest::shareURL() + "&campaign=";
  while (text.size() < 200) text += "winter-aurora-";
  const QRCodeBoolMatrix matrix = pixeltest::codeMatrix(text, 1);
  ASSERT_GE(matrix.dimension(), 55);
  for (const ShapeClass& k : shapeClasses()) {
    SCOPED_TRACE(k.name);
    Ptr shape = k.create(Settings());
    const Reading r = read(*shape, matrix, text, k.name + "_long");
    EXPECT_TRUE(r.zxing);
    EXPECT_TRUE(r.zbar);
  }
}

}  // namespace
