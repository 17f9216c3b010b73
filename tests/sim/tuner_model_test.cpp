// The simulated tuner: its own reading of the relay word, the banks, the L
// network against impedances worked out by hand, and the brute-force optimum
// a tune is scored against.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

#include "tuner_model.h"

namespace {

using sim::Impedance;
using sim::TunerSetting;

// At this frequency omega is 1e8 rad/s, so 1 uH is 100 ohm and 1 nF is 10 ohm.
constexpr double kOmega1e8Hz = 1e8 / (2 * std::numbers::pi);
const sim::TunerLosses kLossless{std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity(), 0};

void expectNear(Impedance got, Impedance want, double tol) {
  EXPECT_NEAR(got.real(), want.real(), tol) << got;
  EXPECT_NEAR(got.imag(), want.imag(), tol) << got;
}

TEST(TuneWordCodec, EachSettingBitLandsOnItsWordBit) {
  const int cBits[9] = {15, 2, 4, 6, 14, 12, 10, 8, 20};
  const int lBits[9] = {1, 3, 5, 7, 13, 11, 9, 19, 21};
  for (int i = 0; i < 9; ++i) {
    EXPECT_EQ(sim::EncodeTuneWord({1 << i, 0, 0}), 1u << cBits[i]) << i;
    EXPECT_EQ(sim::EncodeTuneWord({0, 1 << i, 0}), 1u << lBits[i]) << i;
    EXPECT_EQ(sim::DecodeTuneWord(1u << cBits[i]).c, 1 << i) << i;
    EXPECT_EQ(sim::DecodeTuneWord(1u << lBits[i]).l, 1 << i) << i;
  }
  EXPECT_EQ(sim::EncodeTuneWord({511, 0, 0}), sim::kWordCMask & ~(1u << 22));
  EXPECT_EQ(sim::EncodeTuneWord({0, 511, 0}), sim::kWordLMask & ~(1u << 17));
  EXPECT_EQ(sim::kWordCMask & sim::kWordLMask, 0u);
  EXPECT_EQ((sim::kWordCMask | sim::kWordLMask) & sim::kWordModeMask, 0u);
}

TEST(TuneWordCodec, EverySettingAndModeRoundTrips) {
  for (int mode = 0; mode <= 3; ++mode)
    for (int v = 0; v < 512; ++v) {
      const TunerSetting s{v, 511 - v, mode};
      const TunerSetting back = sim::DecodeTuneWord(sim::EncodeTuneWord(s));
      ASSERT_EQ(back.c, s.c);
      ASSERT_EQ(back.l, s.l);
      ASSERT_EQ(back.mode, mode);
    }
  EXPECT_EQ(sim::EncodeTuneWord({512, 513, 1}), sim::EncodeTuneWord({0, 1, 1}));
}

TEST(TuneWordCodec, ReservedBitsAndOddModesDecodeSafely) {
  EXPECT_EQ(sim::DecodeTuneWord(1u << 22).c, 0);  // the tenth capacitance bit
  EXPECT_EQ(sim::DecodeTuneWord(1u << 17).l, 0);
  EXPECT_EQ(sim::DecodeTuneWord(0x800000).mode, sim::kTunerCL);
  EXPECT_EQ(sim::DecodeTuneWord(0x040000).mode, sim::kTunerLC);
  EXPECT_EQ(sim::DecodeTuneWord(0x010000).mode, sim::kTunerBypass);
  for (uint32_t odd : {0x0u, 0x810000u, 0x840000u, 0x050000u, 0x850000u})
    EXPECT_EQ(sim::DecodeTuneWord(odd | 0x2AAAu).mode, sim::kTunerNoMode) << std::hex << odd;
  // Both network relays pulled must not form a network: the load goes through.
  const Impedance load(20, -35);
  EXPECT_EQ(sim::TunerInputImpedance(sim::DecodeTuneWord(0x840000 | 0x50D554), 7e6, load), load);
}

TEST(TunerBanks, BinaryWeightedStepsAboveTheStrays) {
  EXPECT_DOUBLE_EQ(sim::CapacitanceF(0), 12e-12);
  EXPECT_DOUBLE_EQ(sim::CapacitanceF(1), 22e-12);
  EXPECT_NEAR(sim::CapacitanceF(511), 5122e-12, 1e-18);
  EXPECT_DOUBLE_EQ(sim::InductanceH(0), 0.04e-6);
  EXPECT_NEAR(sim::InductanceH(511), 25.59e-6, 1e-15);
  EXPECT_DOUBLE_EQ(sim::CapacitanceF(512), sim::CapacitanceF(0));
}

// "CL", lossless, 10 ohm load, L = 0.04 + 3 x 0.05 = 0.19 uH (j19 ohm),
// C = 12 + 39 x 10 = 402 pF (j0.0402 S):
//   load + coil = 10 + j19, its admittance (10 - j19) / 461 = 0.021692 - j0.041215
//   plus the bank: 0.021692 - j0.001015, inverted: 46.00 + j2.15 ohm.
// "LC", lossless, 200 ohm load, C = 82 pF (j0.0082 S), L = 0.89 uH (j89 ohm):
//   load || bank: 1 / (0.005 + j0.0082) = 54.21 - j88.90, plus the coil: 54.21 + j0.10 ohm.
TEST(TunerNetwork, LosslessNetworksMatchTheHandWorkedValues) {
  expectNear(sim::TunerInputImpedance({39, 3, sim::kTunerCL}, kOmega1e8Hz, 10, kLossless), {46.00, 2.15}, 0.01);
  expectNear(sim::TunerInputImpedance({7, 17, sim::kTunerLC}, kOmega1e8Hz, 200, kLossless), {54.21, 0.10}, 0.01);
}

// The same with coil Q 100, capacitor Q 1000 and 20 milliohm contacts. In
// "CL" the chain gains 19/100 = 0.19 ohm of coil loss and 0.02 x (7 coils
// shorted + 2 network contacts) = 0.18 ohm of contacts; the input resistance
// drops and the reactance moves, as a matched network's does when it loses.
TEST(TunerNetwork, LossesShowAtTheInput) {
  expectNear(sim::TunerInputImpedance({39, 3, sim::kTunerCL}, kOmega1e8Hz, 10), {45.05, 0.71}, 0.01);
  expectNear(sim::TunerInputImpedance({7, 17, sim::kTunerLC}, kOmega1e8Hz, 200), {55.31, 0.17}, 0.01);
  // A pure reactance through the tuner still dissipates: the input is resistive in part.
  EXPECT_GT(sim::TunerInputImpedance({100, 100, sim::kTunerLC}, 7e6, {0, 50}).real(), 0.1);
  EXPECT_EQ(sim::TunerInputImpedance({100, 100, sim::kTunerLC}, 7e6, {0, 50}, kLossless).real(), 0);
}

TEST(TunerNetwork, BypassPassesTheLoadThroughAndShortsAreFinite) {
  const Impedance load(12.5, 80);
  EXPECT_EQ(sim::TunerInputImpedance({300, 300, sim::kTunerBypass}, 3.6e6, load), load);
  EXPECT_EQ(sim::TunerInputImpedance({300, 300, sim::kTunerNoMode}, 3.6e6, load), load);
  for (int mode : {1, 2}) {
    const Impedance z = sim::TunerInputImpedance({10, 10, mode}, 3.6e6, 0);
    EXPECT_TRUE(std::isfinite(z.real()) && std::isfinite(z.imag())) << mode;
  }
  const Impedance atZeroHz = sim::TunerInputImpedance({10, 10, 1}, 0, 50);
  EXPECT_TRUE(std::isfinite(atZeroHz.real()) && std::isfinite(atZeroHz.imag()));
}

TEST(TunerSwr, SwrOfImpedances) {
  EXPECT_DOUBLE_EQ(sim::SwrOf(50), 1);
  EXPECT_NEAR(sim::SwrOf(100), 2, 1e-12);
  EXPECT_NEAR(sim::SwrOf(25), 2, 1e-12);
  EXPECT_NEAR(sim::SwrOf({50, 50}), 2.618, 1e-3);
  EXPECT_TRUE(std::isinf(sim::SwrOf(0)));
  EXPECT_TRUE(std::isinf(sim::SwrOf({0, 75})));
  EXPECT_TRUE(std::isinf(sim::SwrOf({-10, 0})));  // more out than in: never a match
  EXPECT_TRUE(std::isinf(sim::SwrOf({std::numeric_limits<double>::quiet_NaN(), 0})));
  EXPECT_DOUBLE_EQ(sim::ReflectedShare({std::numeric_limits<double>::infinity(), 0}), 1);
}

struct MatchCase {
  double hz;
  Impedance load;
};

TEST(TunerOptimum, MatchableLoadsReachLowSwrAndNeverLoseToBypass) {
  const MatchCase cases[] = {{1.85e6, {12, -40}}, {3.6e6, {200, 150}},  {7.1e6, {25, 0}},    {14.2e6, {150, -80}},
                             {21.2e6, {10, 30}},  {28.5e6, {300, 0}},   {10.12e6, {70, 90}}, {50.2e6, {100, -30}}};
  for (const MatchCase& m : cases) {
    const sim::Optimum best = sim::BestSetting(m.hz, m.load);
    EXPECT_LE(best.swr, 1.2) << m.hz << " " << m.load;
    EXPECT_LE(best.swr, sim::SwrOf(m.load)) << m.hz << " " << m.load;
    EXPECT_DOUBLE_EQ(best.swr, sim::SwrOf(sim::TunerInputImpedance(best.setting, m.hz, m.load)));
  }
}

TEST(TunerOptimum, BestIsTheMinimumOfAnExhaustiveCheckAndBypassWinsAtFiftyOhm) {
  const sim::Optimum matched = sim::BestSetting(14e6, 50);
  EXPECT_EQ(matched.setting.mode, sim::kTunerBypass);
  EXPECT_DOUBLE_EQ(matched.swr, 1);
  // A coarse walk over both networks never beats the optimum.
  const double hz = 5.3e6;
  const Impedance load(18, -60);
  const sim::Optimum best = sim::BestSetting(hz, load);
  EXPECT_NE(best.setting.mode, sim::kTunerBypass);
  for (int mode : {1, 2})
    for (int c = 0; c < 512; c += 7)
      for (int l = 0; l < 512; l += 7)
        ASSERT_GE(sim::SwrOf(sim::TunerInputImpedance({c, l, mode}, hz, load)), best.swr - 1e-9) << c << " " << l;
}

TEST(TunerOptimum, LoadsBeyondReachStayFiniteAndNoWorseThanBypass) {
  // A short, an open end, a pure reactance and the short 20 m dipole on 160 m.
  const MatchCase cases[] = {{7e6, 0}, {7e6, 1e6}, {3.6e6, {0, 300}}, {1.85e6, {3.9, -2600}}, {54e6, {2, 900}}};
  for (const MatchCase& m : cases) {
    const sim::Optimum best = sim::BestSetting(m.hz, m.load);
    EXPECT_TRUE(std::isfinite(best.swr)) << m.hz << " " << m.load;
    EXPECT_LE(best.swr, sim::SwrOf(m.load)) << m.hz << " " << m.load;
  }
}

}  // namespace
