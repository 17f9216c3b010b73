// The loads on the simulated antenna outputs: fixed, a wire dipole across
// the HF bands, and measured tables.
#include <gtest/gtest.h>

#include <cmath>

#include "antenna_model.h"

namespace {

using sim::Impedance;
using sim::LoadModel;

TEST(LoadModelFixed, SameAtEveryFrequencyAndRefusesActiveLoads) {
  auto m = LoadModel::Fixed(12.5, -30);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->at(1.8e6), Impedance(12.5, -30));
  EXPECT_EQ(m->at(54e6), Impedance(12.5, -30));
  EXPECT_EQ(m->describe(), "fixed 12.5-30.0j ohm");
  EXPECT_EQ(LoadModel().at(7e6), Impedance(50, 0));
  EXPECT_TRUE(LoadModel::Fixed(0, 100));  // a pure reactance is a load, if a useless one
  EXPECT_FALSE(LoadModel::Fixed(-1, 0));
  EXPECT_FALSE(LoadModel::Fixed(NAN, 0));
  EXPECT_FALSE(LoadModel::Fixed(50, INFINITY));
  EXPECT_FALSE(LoadModel::Fixed(2e6, 0));
}

// A 20 m wire is the classic 40 m band dipole: half-wave near 143/20 = 7.15 MHz.
TEST(LoadModelDipole, HalfWaveResonanceIsResistiveNearSeventyOhm) {
  auto d = LoadModel::Dipole(20);
  ASSERT_TRUE(d);
  EXPECT_NEAR(d->resonanceHz(), 7.15e6, 0.05e6);
  const Impedance atRes = d->at(d->resonanceHz());
  EXPECT_NEAR(atRes.real(), 74, 6);
  EXPECT_NEAR(atRes.imag(), 0, 1);
  // Capacitive below, inductive above, through zero at resonance.
  EXPECT_LT(d->at(6.8e6).imag(), -50);
  EXPECT_GT(d->at(7.5e6).imag(), 50);
  EXPECT_NE(d->describe().find("dipole 20.00 m"), std::string::npos);
}

TEST(LoadModelDipole, ShortDipoleAndFullWaveBehaveAsWireAntennasDo) {
  auto d = LoadModel::Dipole(20);
  ASSERT_TRUE(d);
  // On 160 m the wire is short: a few ohm and kilohms of capacitive reactance.
  const Impedance shortWire = d->at(1.85e6);
  EXPECT_GT(shortWire.real(), 1);
  EXPECT_LT(shortWire.real(), 10);
  EXPECT_LT(shortWire.imag(), -1000);
  // Near full-wave (about 14.3 MHz) the feed point is high and finite.
  double peak = 0;
  for (double hz = 13e6; hz <= 16e6; hz += 20e3) peak = std::max(peak, d->at(hz).real());
  EXPECT_GT(peak, 1500);
  EXPECT_LT(peak, 20000);
  // Every frequency from 1.8 to 54 MHz gives a passive, finite impedance.
  for (double hz = 1.8e6; hz <= 54e6; hz += 0.1e6) {
    const Impedance z = d->at(hz);
    ASSERT_TRUE(std::isfinite(z.real()) && std::isfinite(z.imag())) << hz;
    ASSERT_GT(z.real(), 0) << hz;
  }
}

TEST(LoadModelDipole, RefusesWiresNoBenchHas) {
  EXPECT_FALSE(LoadModel::Dipole(0));
  EXPECT_FALSE(LoadModel::Dipole(-20));
  EXPECT_FALSE(LoadModel::Dipole(NAN));
  EXPECT_FALSE(LoadModel::Dipole(501));
  auto tiny = LoadModel::Dipole(1);
  ASSERT_TRUE(tiny);
  EXPECT_TRUE(std::isfinite(tiny->at(0).imag()));  // a nonsense frequency stays finite
}

TEST(LoadModelTable, InterpolatesLinearlyAndHoldsTheEnds) {
  auto t = LoadModel::Table({{14e6, 60, 20}, {7e6, 30, -10}, {10e6, 40, 0}});  // any order
  ASSERT_TRUE(t);
  EXPECT_EQ(t->at(7e6), Impedance(30, -10));
  EXPECT_EQ(t->at(8.5e6), Impedance(35, -5));
  EXPECT_EQ(t->at(12e6), Impedance(50, 10));
  EXPECT_EQ(t->at(1e6), Impedance(30, -10));
  EXPECT_EQ(t->at(30e6), Impedance(60, 20));
  EXPECT_EQ(t->describe(), "table of 3 points, 7.000000-14.000000 MHz");
  auto one = LoadModel::Table({{7e6, 30, -10}});
  ASSERT_TRUE(one);
  EXPECT_EQ(one->at(28e6), Impedance(30, -10));
}

TEST(LoadModelTable, RefusesEmptyRepeatedOrActiveTables) {
  EXPECT_FALSE(LoadModel::Table({}));
  EXPECT_FALSE(LoadModel::Table({{7e6, 30, 0}, {7e6, 40, 0}}));
  EXPECT_FALSE(LoadModel::Table({{7e6, -30, 0}}));
  EXPECT_FALSE(LoadModel::Table({{0, 30, 0}}));
  EXPECT_FALSE(LoadModel::Table(std::vector<sim::LoadPoint>(LoadModel::kMaxTablePoints + 1)));
}

TEST(LoadPointsText, ParsesTriplesAndRefusesEverythingElse) {
  auto p = sim::ParseLoadPoints("7000000:30:-10,14e6:60.5:20");
  ASSERT_TRUE(p);
  ASSERT_EQ(p->size(), 2u);
  EXPECT_EQ((*p)[1].hz, 14e6);
  EXPECT_EQ((*p)[1].r, 60.5);
  EXPECT_EQ((*p)[0].x, -10);
  for (const char* bad : {"", ",", "7e6:30", "7e6:30:0:1", "7e6:30:0,", ",7e6:30:0", "7e6::0", "7e6:30:x",
                          "7e6:30:0 ", " 7e6:30:0", "7e6:nan:0", "7e6:inf:0", "7e6:30:0;8e6:30:0", "+7e6:30:0"})
    EXPECT_FALSE(sim::ParseLoadPoints(bad)) << '"' << bad << '"';
}

}  // namespace
