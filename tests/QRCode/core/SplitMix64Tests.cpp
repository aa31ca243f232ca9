#include <gtest/gtest.h>


#include "QRCode/QRCode+Core.hpp"

namespace {

// Reference values computed with an independent big-integer model of the same steps.
TEST(SplitMix64, PublishedSequence) {
  SplitMix64 zero(0);
  EXPECT_EQ(zero.next(), 0xE220A8397B1DCDAFull);
  EXPECT_EQ(zero.next(), 0x6E789E6AA1B965F4ull);
  EXPECT_EQ(zero.next(), 0x06C45D188009454Full);
  SplitMix64 fortyTwo(42);
  EXPECT_EQ(fortyTwo.next(), 0xBDD732262FEB6E95ull);
  EXPECT_EQ(fortyTwo.next(), 0x28EFE333B266F103ull);
}

TEST(SplitMix64, SameSeedSameSequenceAndRestart) {
  SplitMix64 a(123456789), b(123456789);
  std::uint64_t first[16];
  for (auto& v : first) {
    v = a.next();
    EXPECT_EQ(v, b.next());
  }
  a.state = 123456789;
  for (auto v : first) EXPECT_EQ(a.next(), v);
}

TEST(SplitMix64, BoundedDraws) {
  SplitMix64 s(1234);
  for (std::uint64_t expected : {7, 5, 2, 3, 7, 6, 4, 2}) EXPECT_EQ(s.nextBounded(10), expected);
  SplitMix64 d(1234);
  for (std::uint64_t expected : {4, 3, 1, 1, 4, 4, 2, 1}) EXPECT_EQ(d.nextBounded(6), expected);
  // A bound just above 2^63 rejects about half of the raw draws.
  SplitMix64 r(99);
  for (std::uint64_t expected : {2412192838258505201ull, 943729858380535403ull,
                                 2164399061527425849ull, 4820169792980186143ull})
    EXPECT_EQ(r.nextBounded((std::uint64_t(1) << 63) + 1), expected);
  SplitMix64 one(5);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(one.nextBounded(1), 0u);
  SplitMix64 none(5);
  EXPECT_EQ(none.nextBounded(0), 0u);
  EXPECT_EQ(none.state, 5u);  // a zero bound draws nothing
}

TEST(SplitMix64, BoundedDrawsStayInRange) {
  SplitMix64 s(77);
  for (std::uint64_t n : {2ull, 3ull, 7ull, 1000ull, 0xFFFFFFFFFFFFFFFFull})
    for (int i = 0; i < 1000; ++i) ASSERT_LT(s.nextBounded(n), n);
}

TEST(SplitMix64, ClosedRealDraws) {
  SplitMix64 s(7);
  for (double expected : {0.3898297483912716, 0.01678829452815611, 0.9007606806068835,
                          0.5829302930280781})
    EXPECT_EQ(s.nextClosed(1.0), expected);  // exact comparison
  SplitMix64 q(7);
  EXPECT_EQ(q.nextClosed(0.25), 0.0974574370978179);
  EXPECT_EQ(q.nextClosed(0.25), 0.004197073632039028);
}

TEST(SplitMix64, ClosedRealDrawOfZeroAdvances) {
  SplitMix64 s(3);
  const std::uint64_t before = s.state;
  EXPECT_EQ(s.nextClosed(0.0), 0.0);
  EXPECT_NE(s.state, before);
  SplitMix64 t(3);
  t.nextBounded((std::uint64_t(1) << 53) + 1);
  EXPECT_EQ(s.state, t.state);
}

}  // namespace
