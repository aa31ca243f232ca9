#include <gtest/gtest.h>

#include <random>

#include "QRCode/QRCode+Core.hpp"

namespace {

using Corners = QRCode::Corners;
using Neighbours = QRCodeBoolMatrix::Neighbours;

TEST(Corners, MembersAndConstants) {
  EXPECT_EQ(Corners::topLeft.rawValue, 1);
  EXPECT_EQ(Corners::topRight.rawValue, 2);
  EXPECT_EQ(Corners::bottomLeft.rawValue, 4);
  EXPECT_EQ(Corners::bottomRight.rawValue, 8);
  EXPECT_EQ(Corners::all.rawValue, 15);
  EXPECT_EQ(Corners::none.rawValue, 0);
  EXPECT_TRUE(Corners().isEmpty());
  EXPECT_EQ(Corners(std::int64_t(37)).rawValue, 37);  // other bits are kept
  EXPECT_EQ((Corners{Corners::topLeft, Corners::topRight, Corners::bottomLeft, Corners::bottomRight}),
            Corners::all);
}

TEST(Corners, InsertRemoveUpdate) {
  Corners set{Corners::topLeft, Corners::bottomRight};
  EXPECT_EQ(set.rawValue, 9);
  EXPECT_FALSE(set.insert(Corners::topLeft));
  EXPECT_EQ(set.rawValue, 9);
  EXPECT_FALSE(set.remove(Corners::topRight).has_value());
  EXPECT_EQ(set.rawValue, 9);
  EXPECT_TRUE(set.insert(Corners::topRight));
  EXPECT_EQ(set.rawValue, 11);
  EXPECT_EQ(set.remove(Corners::topRight), Corners::topRight);
  EXPECT_EQ(set.rawValue, 9);
  EXPECT_FALSE(set.update(Corners::bottomLeft).has_value());
  EXPECT_EQ(set.rawValue, 13);
  EXPECT_EQ(set.update(Corners::bottomLeft), Corners::bottomLeft);
  // Removing a multi-bit value answers only the bits that were present.
  EXPECT_EQ(set.remove(Corners(std::int64_t(3))), Corners::topLeft);
  EXPECT_EQ(set.rawValue, 12);
}

TEST(Corners, SetAlgebraMatchesBitOperations) {
  std::mt19937 rng(7);
  for (int i = 0; i < 200; ++i) {
    const std::int64_t a = rng() % 64, b = rng() % 64;
    const Corners A(a), B(b);
    EXPECT_EQ(A.unionWith(B).rawValue, a | b);
    EXPECT_EQ(A.intersection(B).rawValue, a & b);
    EXPECT_EQ(A.symmetricDifference(B).rawValue, a ^ b);
    EXPECT_EQ(A.subtracting(B).rawValue, a & ~b);
    EXPECT_EQ((A | B).rawValue, a | b);
    EXPECT_EQ(A.contains(B), (a & b) == b);
    EXPECT_EQ(A.isSuperset(B), (a & b) == b);
    EXPECT_EQ(A.isSubset(B), (a & b) == a);
    EXPECT_EQ(A.isDisjoint(B), (a & b) == 0);
    Corners c = A;
    c.formUnion(B);
    EXPECT_EQ(c.rawValue, a | b);
    c = A;
    c.formIntersection(B);
    EXPECT_EQ(c.rawValue, a & b);
    c = A;
    c.formSymmetricDifference(B);
    EXPECT_EQ(c.rawValue, a ^ b);
    c = A;
    c.subtract(B);
    EXPECT_EQ(c.rawValue, a & ~b);
  }
}

TEST(Corners, FromFourFlags) {
  for (int bits = 0; bits < 16; ++bits) {
    const Corners c(bool(bits & 1), bool(bits & 2), bool(bits & 4), bool(bits & 8));
    EXPECT_EQ(c.rawValue, bits);
  }
}

TEST(Corners, ArchiveKeepsTheRawValue) {
  for (std::int64_t raw : {0, 9, 15, 16, 31, 1000}) {
    const Corners c(raw);
    const foundation::Settings archived = c.archived();
    ASSERT_TRUE(archived.is_number_integer());
    const auto text = archived.dump();
    EXPECT_EQ(text, std::to_string(raw));
    const auto restored = Corners::fromArchive(foundation::Settings::parse(text));
    ASSERT_TRUE(restored.has_value());
    EXPECT_EQ(restored->rawValue, raw);
  }
  EXPECT_FALSE(Corners::fromArchive(foundation::Settings("9")).has_value());
  EXPECT_FALSE(Corners::fromArchive(foundation::Settings::object()).has_value());
}

// --- neighbourhoods -----------------------------------------------------------------------

Neighbours bruteForce(const QRCodeBoolMatrix& m, std::int64_t r, std::int64_t c) {
  const std::int64_t d = m.dimension();
  auto at = [&](std::int64_t rr, std::int64_t cc) {
    return rr >= 0 && cc >= 0 && rr < d && cc < d && m.cells()[rr * d + cc];
  };
  return {at(r, c - 1),     at(r - 1, c),     at(r, c + 1),     at(r + 1, c),
          at(r - 1, c - 1), at(r - 1, c + 1), at(r + 1, c - 1), at(r + 1, c + 1)};
}

TEST(Neighbours, EdgesOfAFullMatrix) {
  const std::int64_t d = 5;
  const QRCodeBoolMatrix full(d, std::vector<bool>(d * d, true));
  const Neighbours first = full.neighbours(0, 0);
  EXPECT_FALSE(first.left);
  EXPECT_FALSE(first.top);
  EXPECT_FALSE(first.topLeft);
  EXPECT_FALSE(first.topRight);
  EXPECT_FALSE(first.bottomLeft);
  EXPECT_TRUE(first.right);
  EXPECT_TRUE(first.bottom);
  EXPECT_TRUE(first.bottomRight);
  const Neighbours last = full.neighbours(d - 1, d - 1);
  EXPECT_FALSE(last.right);
  EXPECT_FALSE(last.bottom);
  EXPECT_FALSE(last.topRight);
  EXPECT_FALSE(last.bottomLeft);
  EXPECT_FALSE(last.bottomRight);
  EXPECT_TRUE(last.left);
  EXPECT_TRUE(last.top);
  EXPECT_TRUE(last.topLeft);
}

TEST(Neighbours, CentreOfThreeByThree) {
  const QRCodeBoolMatrix full(3, std::vector<bool>(9, true));
  EXPECT_EQ(full.neighbours(1, 1), (Neighbours{true, true, true, true, true, true, true, true}));
  QRCodeBoolMatrix centre(3);
  centre.setValue(1, 1, true);
  EXPECT_EQ(centre.neighbours(1, 1), Neighbours());
  const QRCodeBoolMatrix one(1, std::vector<bool>{true});
  EXPECT_EQ(one.neighbours(0, 0), Neighbours());
}

TEST(Neighbours, EachFieldNamesItsCell) {
  // One set cell at a time around (2, 2): exactly one field turns on, the right one.
  struct Row { int dr, dc; bool Neighbours::*field; };
  const Row rows[] = {{0, -1, &Neighbours::left},     {-1, 0, &Neighbours::top},
                      {0, 1, &Neighbours::right},     {1, 0, &Neighbours::bottom},
                      {-1, -1, &Neighbours::topLeft}, {-1, 1, &Neighbours::topRight},
                      {1, -1, &Neighbours::bottomLeft}, {1, 1, &Neighbours::bottomRight}};
  for (const Row& row : rows) {
    QRCodeBoolMatrix m(5);
    m.setValue(2 + row.dr, 2 + row.dc, true);
    Neighbours expected;
    expected.*row.field = true;
    EXPECT_EQ(m.neighbours(2, 2), expected) << row.dr << "," << row.dc;
  }
  QRCodeBoolMatrix m(5);
  m.setValue(1, 1, true);
  m.setValue(3, 1, true);
  EXPECT_TRUE(m.isSetTopLeft(2, 2));
  EXPECT_TRUE(m.isSetBottomLeft(2, 2));
  EXPECT_FALSE(m.isSetTopLeft(0, 0));
  EXPECT_FALSE(m.isSetBottomLeft(4, 0));
}

TEST(Neighbours, AgreesWithBruteForceOnRandomMatrices) {
  std::mt19937 rng(11);
  for (std::int64_t d : {1, 2, 3, 8, 25}) {
    QRCodeBoolMatrix m(d);
    for (std::int64_t i = 0; i < d * d; ++i) m.data()[i] = rng() % 3 == 0;
    for (std::int64_t r = 0; r < d; ++r)
      for (std::int64_t c = 0; c < d; ++c) ASSERT_EQ(m.neighbours(r, c), bruteForce(m, r, c));
  }
}

}  // namespace
