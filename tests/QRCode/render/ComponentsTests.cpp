// QRCodeComponents: members and option-set operations.

#include <gtest/gtest.h>

#include "QRCode/render/QRCodeComponents.hpp"

namespace {

using C = QRCodeComponents;

TEST(QRCodeComponents, MembersHaveTheirRawValues) {
  const std::pair<C, int> rows[] = {
      {C::eye(), 1},           {C::pupil(), 2},           {C::onPixels(), 4},
      {C::offPixels(), 8},     {C::eyeBackground(), 16},  {C::negatedOnPixels(), 32},
      {C::onPixelsBackground(), 64}, {C::offPixelsBackground(), 128}, {C::eyeAndPupil(), 3},
      {C::foreground(), 7},    {C::allDesignShapes(), 31},
  };
  for (const auto& [member, raw] : rows) EXPECT_EQ(member.rawValue(), raw);
  EXPECT_EQ((C{C::eye(), C::pupil(), C::onPixels()}), C::foreground());
  EXPECT_EQ((C{C::eye(), C::eyeBackground(), C::pupil(), C::onPixels(), C::offPixels()}), C::allDesignShapes());
  EXPECT_TRUE(C{}.isEmpty());
}

TEST(QRCodeComponents, SetOperationsWorkOnRawValues) {
  struct Row {
    int a, b, unionValue, intersection, difference, subtracting;
    bool contains, subset, disjoint;
  };
  const Row rows[] = {
      {1, 7, 7, 1, 6, 0, true, true, false},
      {7, 1, 7, 1, 6, 6, true, false, false},
      {3, 12, 15, 0, 15, 3, false, false, true},
      {0, 5, 5, 0, 5, 0, false, true, true},
      {255, 32, 255, 32, 223, 223, true, false, false},
  };
  for (const auto& r : rows) {
    const C a(static_cast<std::uint8_t>(r.a)), b(static_cast<std::uint8_t>(r.b));
    EXPECT_EQ(a.unionWith(b).rawValue(), r.unionValue);
    EXPECT_EQ((a | b).rawValue(), r.unionValue);
    EXPECT_EQ(a.intersection(b).rawValue(), r.intersection);
    EXPECT_EQ((a & b).rawValue(), r.intersection);
    EXPECT_EQ(a.symmetricDifference(b).rawValue(), r.difference);
    EXPECT_EQ((a ^ b).rawValue(), r.difference);
    EXPECT_EQ(a.subtracting(b).rawValue(), r.subtracting);
    EXPECT_EQ(a.contains(b), r.contains);
    EXPECT_EQ(b.contains(a), r.contains);
    EXPECT_EQ(a.isSubset(b), r.subset);
    EXPECT_EQ(b.isSuperset(a), r.subset);
    EXPECT_EQ(a.isDisjoint(b), r.disjoint);
    C formed = a;
    formed.formUnion(b);
    EXPECT_EQ(formed.rawValue(), r.unionValue);
    formed = a;
    formed.formIntersection(b);
    EXPECT_EQ(formed.rawValue(), r.intersection);
    formed = a;
    formed.formSymmetricDifference(b);
    EXPECT_EQ(formed.rawValue(), r.difference);
    formed = a;
    formed.subtract(b);
    EXPECT_EQ(formed.rawValue(), r.subtracting);
  }
}

TEST(QRCodeComponents, ContainsNeedsOneSharedBit) {
  EXPECT_TRUE(C::eye().contains(C::foreground()));
  EXPECT_TRUE(C::foreground().contains(C::eye()));
  EXPECT_FALSE(C::eye().contains(C::pupil()));
}

TEST(QRCodeComponents, InsertRemoveAndUpdateReport) {
  C set = C::eye();
  EXPECT_TRUE(set.insert(C::pupil()));
  EXPECT_FALSE(set.insert(C::eye()));
  EXPECT_TRUE(set.insert(C::foreground()));  // onPixels was missing
  EXPECT_EQ(set, C::foreground());

  auto removed = set.remove(C(static_cast<std::uint8_t>(1 | 8)));
  ASSERT_TRUE(removed.has_value());
  EXPECT_EQ(*removed, C::eye());
  EXPECT_EQ(set.rawValue(), 6);
  EXPECT_FALSE(set.remove(C::offPixels()).has_value());

  EXPECT_FALSE(set.update(C::eyeBackground()).has_value());
  auto present = set.update(C(static_cast<std::uint8_t>(2 | 16 | 32)));
  ASSERT_TRUE(present.has_value());
  EXPECT_EQ(present->rawValue(), 2 | 16);
  EXPECT_EQ(set.rawValue(), 2 | 4 | 16 | 32);
}

}  // namespace
