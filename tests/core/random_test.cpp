#include <gtest/gtest.h>

#include <string>
#include <latch>
#include <thread>
#include <vector>

#include "_grund/grund.h"
#include "fktint/fktint.h"

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

// What one thread draws and evaluates from a fresh start: the generator,
// MCARLO, the registers ";" writes, and an error code after each term.
std::vector<double> OneThreadsWork() {
  std::vector<double> seen;
  for (int i = 0; i < 200; ++i) seen.push_back(grund::ProcessRandom().NextFraction());
  for (const char* term : {"MCARLO(1)", "2;P*X", "1/0", "SIN(((((X)))))+P", "Q+K1"}) {
    seen.push_back(fktint::EvaluateTerm(term, 0.5));
    seen.push_back(fktint::EvalError);
  }
  return seen;
}

TEST(ProcessState, EachThreadHasItsOwnFromAFreshStart) {
  // Threads working at once see what a thread alone sees: none draws from or
  // writes into another's generator, registers or error code.
  std::vector<double> alone;
  std::thread([&] { alone = OneThreadsWork(); }).join();
  constexpr int kThreads = 4, kRounds = 2000;
  std::vector<int> differing(kThreads, 0);
  std::latch start(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      start.arrive_and_wait();
      for (int round = 0; round < kRounds; ++round) {
        grund::ProcessRandom().SetSeed(0);
        differing[t] += OneThreadsWork() != alone;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(differing, std::vector<int>(kThreads, 0));
}

}  // namespace
