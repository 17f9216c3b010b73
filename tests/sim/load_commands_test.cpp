// The bench commands that set the antenna loads, and the simulated
// amplifier's SWR from its tuner in front of them.
#include <gtest/gtest.h>

#include <string>

#include "amp_model.h"
#include "amp_sim.h"
#include "bench_commands.h"
#include "load_commands.h"

namespace {

using sim::Impedance;

TEST(LoadCommandParse, AcceptsEachForm) {
  std::string error;
  auto fixed = sim::ParseLoadCommand("load 2 12.5 -40", error);
  ASSERT_TRUE(fixed) << error;
  EXPECT_EQ(fixed->antenna, 1);
  EXPECT_EQ(fixed->load.at(7e6), Impedance(12.5, -40));
  auto swr = sim::ParseLoadCommand("swr 3 2.5", error);
  ASSERT_TRUE(swr);
  EXPECT_EQ(swr->load.at(7e6), Impedance(125, 0));
  auto dipole = sim::ParseLoadCommand("antenna 1 dipole 20", error);
  ASSERT_TRUE(dipole);
  EXPECT_EQ(dipole->antenna, 0);
  EXPECT_NEAR(dipole->load.resonanceHz(), 7.15e6, 0.05e6);
  auto table = sim::ParseLoadCommand("antenna 3 table 7e6:30:-10,14e6:60:20", error);
  ASSERT_TRUE(table);
  EXPECT_EQ(table->load.at(10.5e6), Impedance(45, 5));
  EXPECT_TRUE(error.empty());
}

TEST(LoadCommandParse, RefusesBadInputWithTheUsage) {
  for (const char* bad :
       {"load", "load 2", "load 2 50", "load 0 50 0", "load 4 50 0", "load 12 50 0", "load x 50 0", "load 2 -5 0",
        "load 2 50 0 extra", "load 2 fifty 0", "load 2 50 nan", "swr 1 0.5", "swr 1 inf", "swr 1",
        "antenna 1 dipole", "antenna 1 dipole 0", "antenna 1 dipole -3", "antenna 1 dipole 20m", "antenna 1 yagi 20",
        "antenna 1 table", "antenna 1 table 7e6:30", "antenna 1 table 7e6:30:0,7e6:40:0", "antenna 4 dipole 20"}) {
    std::string error;
    EXPECT_FALSE(sim::ParseLoadCommand(bad, error)) << bad;
    EXPECT_EQ(error.rfind("usage:", 0), 0u) << bad;
  }
}

TEST(BenchLoads, CommandsReachTheModelAndStateShowsTheTuner) {
  sim::AmpSim amp;
  sim::BenchCommands bench(amp, {});
  bool quit = false;
  EXPECT_EQ(bench.run("load 1 25 0", quit), "ok: antenna 1 fixed 25.0+0.0j ohm");
  EXPECT_EQ(amp.model().loadImpedance(), Impedance(25, 0));
  EXPECT_EQ(bench.run("load 1 -25 0", quit).rfind("usage:", 0), 0u);
  EXPECT_EQ(amp.model().loadImpedance(), Impedance(25, 0));  // unchanged by a refused command
  EXPECT_EQ(bench.run("antenna 2 dipole 20", quit).rfind("ok: antenna 2 dipole 20.00 m", 0), 0u);
  const std::string state = bench.run("state", quit);
  EXPECT_NE(state.find("tuner bypass (no mode bit): C 0 (12 pF), L 0 (0.04 uH); antenna 1: fixed 25.0+0.0j ohm "
                       "at 14.070000 MHz: 25.0+0.0j ohm, SWR 2.00; at the tuner input 25.0+0.0j ohm, SWR 2.00"),
            std::string::npos)
      << state;
}

class AmpTuner : public ::testing::Test {
 protected:
  void SetUp() override {
    m.transmitting = true;
    m.driveW = 5;
    m.rigFreq = 7100000;
    m.antennaLoad[0] = *sim::LoadModel::Fixed(15, -25);
  }
  // The reflected power the status reply encodes, back in watts.
  double reportedReflectedW() const {
    const double raw = std::stoi(m.statusReply().substr(12, 4));
    return m.kRefl * raw * raw;
  }
  sim::AmpModel m;
};

TEST_F(AmpTuner, ReflectedPowerFollowsTheTuneWord) {
  const double swrLoad = sim::SwrOf(Impedance(15, -25));
  EXPECT_NEAR(m.swrSeen(), swrLoad, 1e-9);  // word 0: no network
  const sim::Optimum best = sim::BestSetting(m.rigFreq, {15, -25});
  ASSERT_LE(best.swr, 1.2);
  const double reflBypass = reportedReflectedW();
  EXPECT_EQ(m.handle("MT1" + [&] {
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08X", sim::EncodeTuneWord(best.setting));
    return std::string(hex);
  }() + ";").substr(0, 2), "MT");
  EXPECT_NEAR(m.swrSeen(), best.swr, 1e-9);
  const double gammaSq = std::pow((best.swr - 1) / (best.swr + 1), 2);
  EXPECT_NEAR(m.reflectedW(), m.outputW() * gammaSq, 1e-3);
  EXPECT_LT(reportedReflectedW(), reflBypass / 10);
  // Another antenna has its own load; the same word does not match it.
  m.handle("SA2;");
  EXPECT_EQ(m.loadImpedance(), Impedance(90, 0));
  EXPECT_GT(m.swrSeen(), 1.5);
}

TEST_F(AmpTuner, HighSwrBitOnlyWhileProtectionsAreOn) {
  m.antennaLoad[0] = *sim::LoadModel::Fixed(500, 0);  // SWR 10
  auto highSwrBit = [&] { return (std::stoi(m.statusReply().substr(3, 1), nullptr, 16) & 2) != 0; };
  m.handle("MP0;");
  EXPECT_FALSE(highSwrBit());  // a tune measures bad settings without the micro flagging them
  m.handle("MP1;");
  EXPECT_TRUE(highSwrBit());
  m.antennaLoad[0] = *sim::LoadModel::Fixed(60, 0);
  EXPECT_FALSE(highSwrBit());
  m.handle("MP0;");
  m.forceHighSwr = true;  // the bench's fault stays whatever the protections
  EXPECT_TRUE(highSwrBit());
}

}  // namespace
