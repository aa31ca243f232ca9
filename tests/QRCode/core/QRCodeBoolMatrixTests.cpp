#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "QRCode/QRCode+Core.hpp"

namespace {

bool raisesCannotGenerate(auto&& fn) {
  try {
    fn();
  } catch (const foundation::Error& e) {
    return e.is(QRCodeError::cannotGenerateQRCode);
  }
  return false;
}

QRCodeBoolMatrix randomMatrix(std::int64_t d, unsigned seed) {
  std::mt19937 rng(seed);
  QRCodeBoolMatrix m(d);
  for (std::int64_t r = 0; r < d; ++r)
    for (std::int64_t c = 0; c < d; ++c) m.setValue(r, c, rng() & 1);
  return m;
}

TEST(QRCodeBoolMatrix, EmptyMatrix) {
  const QRCodeBoolMatrix m;
  EXPECT_EQ(m.dimension(), 0);
  EXPECT_EQ(m.description(), "");
  EXPECT_TRUE(m.flattened().empty());
  EXPECT_FALSE(m.value(0, 0));
  EXPECT_TRUE(m.row(0).empty());
  EXPECT_EQ(m.flipped().dimension(), 0);
}

TEST(QRCodeBoolMatrix, NewMatrixIsUnsetAndRowMajor) {
  QRCodeBoolMatrix m(3);
  EXPECT_EQ(m.dimension(), 3);
  EXPECT_EQ(m.setCount(), 0);
  m.setValue(1, 2, true);
  EXPECT_TRUE(m.value(1, 2));
  EXPECT_TRUE(m(1, 2));
  EXPECT_FALSE(m.value(2, 1));
  EXPECT_TRUE(m.data()[1 * 3 + 2]);
  EXPECT_TRUE(m.row(1)[2]);
  EXPECT_EQ(m.description(), "...\n..#\n...\n");
  const std::vector<bool> expected{false, false, false, false, false, true, false, false, false};
  EXPECT_EQ(m.flattened(), expected);
}

TEST(QRCodeBoolMatrix, FromFlattenedCells) {
  const std::vector<bool> cells{true, false, false, true};
  const QRCodeBoolMatrix m(2, cells);
  EXPECT_EQ(m.description(), "#.\n.#\n");
  const bool raw[] = {false, true, true, true};
  const QRCodeBoolMatrix n(2, std::span<const bool>(raw));
  EXPECT_EQ(n.description(), ".#\n##\n");
}

TEST(QRCodeBoolMatrix, FromRawFlattenedInt) {
  const std::vector<std::int64_t> values{0, 2, 0, -1, 0, 0, 0, 0, 1};
  const QRCodeBoolMatrix m = QRCodeBoolMatrix::fromRawFlattenedInt(3, values);
  EXPECT_EQ(m.description(), ".#.\n#..\n..#\n");
  EXPECT_EQ(m.setCount(), 3);
  const std::vector<int> ints{7, 0, 0, 0};
  EXPECT_EQ(QRCodeBoolMatrix::fromRawFlattenedInt(2, ints).description(), "#.\n..\n");
}

TEST(QRCodeBoolMatrix, WrongCellCountOrDimensionIsAnError) {
  const std::vector<bool> five(5, true);
  EXPECT_TRUE(raisesCannotGenerate([&] { QRCodeBoolMatrix m(2, five); }));
  EXPECT_TRUE(raisesCannotGenerate([&] { QRCodeBoolMatrix m(3, five); }));
  const std::vector<std::int64_t> eight(8, 1);
  EXPECT_TRUE(raisesCannotGenerate([&] { QRCodeBoolMatrix::fromRawFlattenedInt(3, eight); }));
  EXPECT_TRUE(raisesCannotGenerate([] { QRCodeBoolMatrix m(-1); }));
  EXPECT_TRUE(raisesCannotGenerate([] { QRCodeBoolMatrix m(QRCodeBoolMatrix::maxDimension + 1); }));
  EXPECT_TRUE(raisesCannotGenerate([] { QRCodeBoolMatrix m(std::int64_t(1) << 40); }));
  // A dimension whose square overflows must not slip through as a small count.
  const std::vector<bool> none;
  EXPECT_TRUE(raisesCannotGenerate([&] { QRCodeBoolMatrix m(std::int64_t(1) << 32, none); }));
  EXPECT_TRUE(raisesCannotGenerate([] { QRCodeBoolMatrix m(Array2D<bool>(2, 3, false)); }));
}

TEST(QRCodeBoolMatrix, ReadsOutsideAreUnsetAndWritesOutsideIgnored) {
  QRCodeBoolMatrix m(2, std::vector<bool>{true, true, true, true});
  for (auto [r, c] : {std::pair{-1, 0}, {0, -1}, {2, 0}, {0, 2}, {-1, -1}, {2, 2}, {1000000, 0}})
    EXPECT_FALSE(m.value(r, c)) << r << "," << c;
  EXPECT_FALSE(m.value(std::numeric_limits<std::int64_t>::min(), 0));
  EXPECT_FALSE(m.value(0, std::numeric_limits<std::int64_t>::max()));
  m.setValue(-1, 0, false);
  m.setValue(0, 2, false);
  m.setValue(2, 0, false);
  m.setValue(std::numeric_limits<std::int64_t>::max(), 1, false);
  EXPECT_EQ(m.setCount(), 4);
}

TEST(QRCodeBoolMatrix, CopyIsIndependent) {
  QRCodeBoolMatrix m = randomMatrix(7, 1);
  QRCodeBoolMatrix copy = m.copyMatrix();
  EXPECT_EQ(copy, m);
  EXPECT_NE(copy.data(), m.data());
  const bool before = m.value(3, 3);
  copy.setValue(3, 3, !before);
  EXPECT_EQ(m.value(3, 3), before);
  EXPECT_NE(copy, m);
}

TEST(QRCodeBoolMatrix, FlippedAndInverted) {
  const QRCodeBoolMatrix m(2, std::vector<bool>{true, false, false, false});
  const QRCodeBoolMatrix f = m.flipped();
  EXPECT_EQ(f.description(), ".#\n##\n");
  EXPECT_EQ(m.inverted(), f);
  EXPECT_EQ(m.description(), "#.\n..\n");  // the source is untouched

  const QRCodeBoolMatrix big = randomMatrix(29, 2);
  const QRCodeBoolMatrix back = big.flipped().flipped();
  EXPECT_EQ(back, big);
  EXPECT_EQ(big.flipped().setCount(), 29 * 29 - big.setCount());
}

TEST(QRCodeBoolMatrix, MaskedKeepsOnlyCellsSetInTheMask) {
  const QRCodeBoolMatrix all(3, std::vector<bool>(9, true));
  QRCodeBoolMatrix mask(3);
  mask.setValue(0, 0, true);
  EXPECT_EQ(all.masked(mask).description(), "#..\n...\n...\n");

  const QRCodeBoolMatrix m = randomMatrix(11, 3);
  const QRCodeBoolMatrix mk = randomMatrix(11, 4);
  const QRCodeBoolMatrix result = m.masked(mk);
  for (int r = 0; r < 11; ++r)
    for (int c = 0; c < 11; ++c) EXPECT_EQ(result.value(r, c), m.value(r, c) && mk.value(r, c));

  // A smaller mask covers only its own cells; a larger one is clipped.
  const QRCodeBoolMatrix small(2, std::vector<bool>(4, true));
  EXPECT_EQ(all.masked(small).description(), "##.\n##.\n...\n");
  const QRCodeBoolMatrix large(5, std::vector<bool>(25, true));
  EXPECT_EQ(all.masked(large), all);
  EXPECT_EQ(all.masked(QRCodeBoolMatrix()).setCount(), 0);
}

TEST(Array2D, CreationAccessAndInversion) {
  Array2D<bool> a(2, 3, true);
  EXPECT_EQ(a.rows(), 2);
  EXPECT_EQ(a.columns(), 3);
  EXPECT_EQ(a.count(), 6u);
  a(1, 2) = false;
  EXPECT_FALSE(a.data()[1 * 3 + 2]);
  EXPECT_FALSE(a.value(5, 5));
  a.setValue(5, 5, false);  // ignored
  const Array2D<bool> inv = a.inverted();
  EXPECT_TRUE(inv(1, 2));
  EXPECT_FALSE(inv(0, 0));

  const int values[] = {1, 2, 3, 4, 5, 6};
  const Array2D<int> b(3, 2, std::span<const int>(values));
  EXPECT_EQ(b(2, 1), 6);
  EXPECT_EQ(b(1, 0), 3);
  Array2D<int> c = b;  // value copy
  c(0, 0) = 9;
  EXPECT_EQ(b(0, 0), 1);
  EXPECT_TRUE(raisesCannotGenerate([&] { Array2D<int>(2, 2, std::span<const int>(values)); }));
  EXPECT_TRUE(raisesCannotGenerate([] { Array2D<int>(-2, 2, 0); }));
  EXPECT_TRUE(raisesCannotGenerate([] { Array2D<int>(std::int64_t(1) << 40, std::int64_t(1) << 40, 0); }));
}

}  // namespace
