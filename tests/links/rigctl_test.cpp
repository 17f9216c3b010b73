// Hamlib's rigctl, a CAT client that real FT-817 owners use, reads the
// simulated FT-817: what the bench sets is what a real client sees, so the
// CAT link is tested against the protocol the radio speaks.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "ft817_sim.h"
#include "sandbox_fixture.h"

namespace {

bool haveRigctl() { return std::system("command -v rigctl >/dev/null 2>&1") == 0; }

// Runs rigctl for the FT-817 (model 1020) on `port` with the given commands;
// its standard output.
std::string rigctl(const std::string& port, const std::string& commands) {
  const std::string cmd = "timeout 30 rigctl -m 1020 -r " + port + " -s 38400 " + commands + " 2>/dev/null";
  std::string out;
  FILE* p = ::popen(cmd.c_str(), "r");
  if (!p) return out;
  char buf[256];
  while (std::fgets(buf, sizeof buf, p)) out += buf;
  ::pclose(p);
  return out;
}

class Rigctl : public SandboxTest {
 protected:
  void SetUp() override {
    SandboxTest::SetUp();
    if (!haveRigctl()) GTEST_SKIP() << "rigctl is not installed (Debian package libhamlib-utils; "
                                       "scripts/install-deps.sh installs it)";
    ASSERT_TRUE(rig_.ok());
    rig_.start();
  }
  sim::Ft817Sim rig_;
};

TEST_F(Rigctl, ReadsFrequencyAndModeAsTheBenchSetThem) {
  struct Case {
    uint32_t hz;
    sim::Ft817Mode mode;
    const char* name;
  } cases[] = {
      {14070000, sim::Ft817Mode::Usb, "USB"},
      {7050000, sim::Ft817Mode::Lsb, "LSB"},
      {10136120, sim::Ft817Mode::Cw, "CW"},
      {28500000, sim::Ft817Mode::Fm, "FM"},
  };
  for (const Case& c : cases) {
    rig_.setFrequency(c.hz);
    rig_.setMode(c.mode);
    const std::string out = rigctl(rig_.slaveName(), "f m");
    EXPECT_EQ(out.substr(0, out.find('\n')), std::to_string(c.hz)) << out;
    const size_t second = out.find('\n') + 1;
    EXPECT_EQ(out.substr(second, out.find('\n', second) - second), c.name) << out;
  }
}

TEST_F(Rigctl, SetsTheDialAndReadsTheTransmitState) {
  rig_.setFrequency(14070000);
  EXPECT_EQ(rigctl(rig_.slaveName(), "F 3573000 f"), "3573000\n");
  EXPECT_EQ(rig_.frequency(), 3573000u);
  EXPECT_EQ(rigctl(rig_.slaveName(), "t"), "0\n");
  rig_.setTransmit(true);
  EXPECT_EQ(rigctl(rig_.slaveName(), "t"), "1\n");
}

}  // namespace
