#include <gtest/gtest.h>

#include "_grund/grund.h"

namespace {

TEST(RandomGenerator, FollowsTheCongruentialRecurrenceFromSeedZero) {
  grund::RandomGenerator g;
  EXPECT_EQ(g.NextFraction(), 1.0 / 4294967296.0);  // 0 * 134775813 + 1
  EXPECT_EQ(g.Seed(), 1u);
  EXPECT_EQ(g.NextFraction(), 134775814.0 / 4294967296.0);  // 1 * 134775813 + 1
}

TEST(RandomGenerator, IntegerDrawIsTheUpperHalfOfSeedTimesN) {
  grund::RandomGenerator g;
  g.SetSeed(0xFFFFFFFEu);  // the next seed is 0xFFFFFFFE * 134775813 + 1 mod 2^32
  const std::uint32_t next = 0xFFFFFFFEu * 134775813u + 1u;
  EXPECT_EQ(g.NextBelow(6), static_cast<std::uint32_t>((std::uint64_t{next} * 6) >> 32));
  EXPECT_EQ(g.NextBelow(0), 0u);
  for (int i = 0; i < 1000; ++i) EXPECT_LT(g.NextBelow(7), 7u);
}

}  // namespace
