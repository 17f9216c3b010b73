// The token bucket that paces the far unit's commands.
#include "state/rate_gate.h"

#include <gtest/gtest.h>

namespace {

TEST(RateGate, ABurstPassesThenOneEveryStep) {
  RateGate gate(2, 4);  // 250 ms a token
  const int64_t t0 = 5000;
  EXPECT_TRUE(gate.admit(t0));
  EXPECT_TRUE(gate.admit(t0));
  EXPECT_FALSE(gate.admit(t0));
  EXPECT_EQ(gate.waitMs(t0), 250);
  EXPECT_FALSE(gate.admit(t0 + 249));
  EXPECT_TRUE(gate.admit(t0 + 250));
  EXPECT_FALSE(gate.admit(t0 + 251));
  EXPECT_TRUE(gate.admit(t0 + 500));
}

TEST(RateGate, AFloodGetsNoMoreThanTheRateHowEverItIsSpread) {
  RateGate gate(2, 4);
  int admitted = 0;
  for (int64_t t = 0; t < 5000; t += 7) admitted += gate.admit(t) ? 1 : 0;  // ~714 tries in 5 s
  EXPECT_LE(admitted, 2 + 5000 / 250);
  EXPECT_GE(admitted, 5000 / 250);
}

TEST(RateGate, AQuietSpellRefillsOnlyUpToTheBurst) {
  RateGate gate(3, 4);
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(gate.admit(0));
  const int64_t later = 60'000;  // a minute without commands
  int admitted = 0;
  for (int i = 0; i < 10; ++i) admitted += gate.admit(later) ? 1 : 0;
  EXPECT_EQ(admitted, 3);
}

}  // namespace
