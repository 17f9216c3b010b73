// The bench's "rig" commands turn every simulated transceiver and the
// amplifier's counter together, and refuse what they cannot do.
#include <gtest/gtest.h>

#include <string>

#include "amp_sim.h"
#include "bench_commands.h"
#include "companion_sim.h"
#include "ft817_sim.h"

namespace {

TEST(BenchRig, OneDialForEveryInterfaceType) {
  sim::AmpSim amp;
  sim::CompanionSim companion;
  sim::CompanionCatSim companionCat;
  sim::Ft817Sim ft817;
  sim::BenchCommands commands(amp, {});
  bool quit = false;
  EXPECT_EQ(commands.run("rig freq 7050000", quit), "no simulated transceivers");
  commands.setTransceivers(&companion, &companionCat, &ft817);

  EXPECT_EQ(commands.run("rig freq 7050005", quit), "ok");
  EXPECT_EQ(companion.frequency(), 7050005u);
  EXPECT_EQ(ft817.frequency(), 7050000u);  // the FT-817 tunes in 10 Hz steps
  EXPECT_EQ(amp.model().rigFreq, 7050005u);
  EXPECT_EQ(commands.run("rig tx on", quit), "ok");
  EXPECT_TRUE(companion.transmitting());
  EXPECT_TRUE(amp.model().transmitting);
  EXPECT_EQ(commands.run("rig mode CW", quit), "ok");
  EXPECT_NE(commands.run("rig", quit).find("mode 4"), std::string::npos);
  EXPECT_EQ(commands.run("rig silent", quit), "ok");
  EXPECT_NE(commands.run("rig", quit).find("silent"), std::string::npos);
  EXPECT_EQ(commands.run("rig normal", quit), "ok");
  EXPECT_EQ(commands.run("rig", quit).find("silent"), std::string::npos);

  for (const char* bad : {"rig freq", "rig freq 7e6", "rig freq 0", "rig mode XYZ", "rig tx maybe", "rig bogus"})
    EXPECT_EQ(commands.run(bad, quit).rfind("usage: rig", 0), 0u) << bad;
  EXPECT_NE(std::string(sim::BenchCommands::help()).find("rig freq HZ"), std::string::npos);
}

}  // namespace
