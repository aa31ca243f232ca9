#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "QRCode/core/QRCodeBoolMatrix.hpp"
#include "QRCode/core/SplitMix64.hpp"
#include "QRCode/pixel/QRCodePixelInsetGenerator.hpp"

namespace {

const QRCodeBoolMatrix& matrix21() {
  static const QRCodeBoolMatrix m(21);
  return m;
}

struct WaveCase {
  std::int64_t position;
  double expected;
};

TEST(PixelInsetWave, HorizontalFollowsTheColumnTriangleAndEndsUneven) {
  QRCodePixelInsetHorizontalWave wave;
  const std::vector<WaveCase> cases{
      {0, 0.0}, {1, 1 / 10.5}, {10, 10 / 10.5}, {11, 1 - 0.5 / 10.5}, {20, 1 - 9.5 / 10.5}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.position);
    EXPECT_DOUBLE_EQ(wave.insetValueFor(matrix21(), 7, c.position, 1.0), c.expected);
    // The row does not matter, the fraction scales the value.
    EXPECT_DOUBLE_EQ(wave.insetValueFor(matrix21(), 0, c.position, 0.5), c.expected * 0.5);
  }
  // The last column is not 0: the pattern is not symmetric.
  EXPECT_GT(wave.insetValueFor(matrix21(), 0, 20, 1.0), 0.09);
}

TEST(PixelInsetWave, VerticalFollowsTheRowTriangle) {
  QRCodePixelInsetVerticalWave wave;
  EXPECT_DOUBLE_EQ(wave.insetValueFor(matrix21(), 0, 10, 1.0), 0.0);
  EXPECT_DOUBLE_EQ(wave.insetValueFor(matrix21(), 10, 0, 1.0), 10 / 10.5);
  EXPECT_DOUBLE_EQ(wave.insetValueFor(matrix21(), 20, 3, 1.0), 1 - 9.5 / 10.5);
}

TEST(PixelInsetPunch, TakesTheSmallerWave) {
  QRCodePixelInsetPunch punch;
  EXPECT_DOUBLE_EQ(punch.insetValueFor(matrix21(), 0, 10, 1.0), 0.0);
  EXPECT_DOUBLE_EQ(punch.insetValueFor(matrix21(), 10, 10, 1.0), 10 / 10.5);
  EXPECT_DOUBLE_EQ(punch.insetValueFor(matrix21(), 10, 2, 0.8), 2 / 10.5 * 0.8);
}

TEST(PixelInsetFixed, GivesTheFractionEverywhere) {
  QRCodePixelInsetFixed fixed;
  for (std::int64_t r : {0, 5, 20}) EXPECT_DOUBLE_EQ(fixed.insetValueFor(matrix21(), r, 20 - r, 0.37), 0.37);
}

TEST(PixelInsetRandom, StartsFromTheFixedSeedAndResets) {
  QRCodePixelInsetRandom a, b;
  std::vector<double> first;
  for (int i = 0; i < 50; ++i) first.push_back(a.insetValueFor(matrix21(), 0, 0, 0.5));
  for (int i = 0; i < 50; ++i) EXPECT_EQ(b.insetValueFor(matrix21(), 3, 4, 0.5), first[i]) << i;
  // Values differ from one another and lie in [0, 0.5].
  for (double v : first) {
    EXPECT_GE(v, 0.0);
    EXPECT_LE(v, 0.5);
  }
  EXPECT_NE(first[0], first[1]);

  a.reset();
  EXPECT_EQ(a.insetRandomGeneratorState(), QRCodePixelInsetRandom::initialState);
  EXPECT_EQ(a.insetValueFor(matrix21(), 0, 0, 0.5), first[0]);

  // A copy starts again from the first value, whatever the source had drawn.
  auto copy = a.copyInsetGenerator();
  EXPECT_EQ(copy->name(), "random");
  EXPECT_EQ(copy->insetValueFor(matrix21(), 0, 0, 0.5), first[0]);
}

TEST(PixelInsetRandom, DrawsAsTheSplitMix64ClosedRangeDraw) {
  // The same procedure as the random source's own closed-range draw.
  SplitMix64 reference(QRCodePixelInsetRandom::initialState);
  QRCodePixelInsetRandom random;
  for (int i = 0; i < 20; ++i) EXPECT_EQ(random.randomFraction(0.8), reference.nextClosed(0.8)) << i;
}

TEST(PixelInsetRandom, ZeroFractionGivesZeroAndStillAdvances) {
  QRCodePixelInsetRandom random;
  const auto before = random.insetRandomGeneratorState();
  EXPECT_EQ(random.insetValueFor(matrix21(), 0, 0, 0.0), 0.0);
  EXPECT_NE(random.insetRandomGeneratorState(), before);
}

TEST(PixelInsetRandom, NonFiniteOrNegativeFractionsDoNotStopTheProgram) {
  QRCodePixelInsetRandom random;
  EXPECT_TRUE(std::isnan(random.insetValueFor(matrix21(), 0, 0, std::numeric_limits<double>::quiet_NaN())));
  const double v = random.insetValueFor(matrix21(), 0, 0, -0.5);
  EXPECT_LE(v, 0.0);
  EXPECT_GE(v, -0.5);
}

TEST(PixelInsetLookup, FindsByExactName) {
  struct Case {
    const char* name;
    bool found;
  };
  const std::vector<Case> cases{{"fixed", true},          {"random", true},        {"punch", true},
                                {"horizontalWave", true}, {"verticalWave", true},  {"HorizontalWave", false},
                                {"", false},              {"fixed ", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto g = QRCodePixelInset::generatorNamed(c.name);
    EXPECT_EQ(g != nullptr, c.found);
    if (g) {
      EXPECT_EQ(g->name(), c.name);
    }
  }
  EXPECT_NE(dynamic_cast<QRCodePixelInsetHorizontalWave*>(QRCodePixelInset::generatorNamed("horizontalWave").get()),
            nullptr);
}

TEST(PixelInsetLookup, ListsTheFiveClassesInOrder) {
  const auto list = QRCodePixelInset::generators();
  ASSERT_EQ(list.size(), 5u);
  const char* expected[] = {"fixed", "random", "punch", "horizontalWave", "verticalWave"};
  for (std::size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(list[i].name, expected[i]);
    EXPECT_EQ(list[i].create()->name(), expected[i]);
  }
  EXPECT_EQ(QRCodePixelInset::nameOfGenerator<QRCodePixelInsetVerticalWave>(), "verticalWave");
  QRCodePixelInsetPunch punch;
  EXPECT_EQ(QRCodePixelInset::nameOfGenerator(punch), "punch");
}

TEST(PixelInsetLookup, CopiesAreNewInstancesOfTheSameClass) {
  for (const auto& g : QRCodePixelInset::generators()) {
    auto original = g.create();
    auto copy = original->copyInsetGenerator();
    EXPECT_NE(copy.get(), original.get());
    const auto& copyObject = *copy;  // typeid of a plain reference: no call inside it
    const auto& originalObject = *original;
    EXPECT_EQ(typeid(copyObject), typeid(originalObject));
  }
}

}  // namespace
