// The FT-817 CAT link and the companion's CAT probe against their simulated
// transceivers over pseudo-terminals.
#include <gtest/gtest.h>

#include <cstring>

#include "ft817_sim.h"
#include "links/cat_serial.h"
#include "links/verify_cat.h"
#include "links_harness.h"
#include "platform/clock.h"
#include "platform/serial.h"
#include "state/setup_record.h"
#include "wait_until.h"

namespace {

class CatLink : public LinksHarness {
 protected:
  void SetUp() override {
    LinksHarness::SetUp();
    ASSERT_TRUE(rig_.ok());
    ASSERT_TRUE(rig_.linkSlaveTo(host("/dev/ttyUSB2")));
    std::strcpy(w_.setup->CatSerialPort, "/dev/ttyUSB2");
    std::strcpy(w_.setup->CatPort, "/dev/ttyUSB0");
    w_.setup->enaCatSer = '1';
    w_->ModeWorkIdx = 2;
  }
  void TearDown() override {
    LinksHarness::TearDown();
    rig_.stop();
  }
  bool waitFreq(int32_t hz, int timeoutMs = 3000) {
    return waitUntil([&] { return w_->catSerFreq == hz; }, timeoutMs);
  }

  sim::Ft817Sim rig_;
};

TEST_F(CatLink, FollowsTheDial) {
  rig_.start();
  startThread(CatSerial);
  ASSERT_TRUE(waitFreq(14070000));
  for (uint32_t hz : {7050000u, 3573120u, 28074550u}) {
    rig_.setFrequency(hz);
    EXPECT_TRUE(waitFreq(static_cast<int32_t>(hz / 10 * 10))) << hz;
  }
  // Only the read request goes out, one at a time.
  for (uint8_t op : rig_.opcodes()) EXPECT_EQ(op, 0x03);
  EXPECT_EQ(w_->linkFault, 0);
}

TEST_F(CatLink, RepliesThatAreNotBcdKeepTheLastFrequency) {
  rig_.start();
  startThread(CatSerial);
  ASSERT_TRUE(waitFreq(14070000));
  rig_.setGarbage(true);
  rig_.setFrequency(7050000);
  ASSERT_TRUE(waitLine("CAT FT817 freq not decoded"));
  platform::sleepMs(100);
  EXPECT_EQ(w_->catSerFreq, 14070000);
  rig_.setGarbage(false);
  EXPECT_TRUE(waitFreq(7050000));
}

// A stray byte ahead of a reply must not shift it (and every reply after it)
// into a frequency the radio never had.
TEST_F(CatLink, StrayByteNeverMakesAFrequencyUp) {
  rig_.start();
  startThread(CatSerial);
  ASSERT_TRUE(waitFreq(14070000));
  rig_.addStrayByte();
  rig_.setFrequency(7050000);
  const int64_t end = platform::monotonicMs() + 1000;
  while (platform::monotonicMs() < end) {
    const int32_t hz = w_->catSerFreq;
    ASSERT_TRUE(hz == 14070000 || hz == 7050000) << hz;
    platform::sleepMs(1);
  }
  EXPECT_EQ(w_->catSerFreq, 7050000);
  EXPECT_EQ(countLines("stray bytes, dropped"), 2);  // on standard error and in the log
}

TEST_F(CatLink, SilenceTimesOutAndTheRequestIsRepeated) {
  rig_.start();
  startThread(CatSerial);
  ASSERT_TRUE(waitFreq(14070000));
  rig_.setSilent(true);
  ASSERT_TRUE(waitLine("TIMEOUT SERIAL CAT", 1, 4000));
  const uint64_t before = rig_.opcodes().size();
  rig_.setFrequency(10136000);
  rig_.setSilent(false);
  ASSERT_TRUE(waitFreq(10136000, 5000));
  EXPECT_GT(rig_.opcodes().size(), before);
  EXPECT_EQ(w_->catSerFreq, 10136000);
}

TEST_F(CatLink, MissingPortIsAFaultAndRetried) {
  std::strcpy(w_.setup->CatSerialPort, "/dev/ttyUSB9");
  rig_.start();
  startThread(CatSerial);
  ASSERT_TRUE(waitLine("Unable to open device /dev/ttyUSB9"));
  EXPECT_EQ(w_->linkFault, 2);
  {
    std::lock_guard lock(w_->linkFaultMutex);
    EXPECT_STREQ(w_->linkFaultText, "CAT: Unable to open device /dev/ttyUSB9");
  }
  ASSERT_TRUE(rig_.linkSlaveTo(host("/dev/ttyUSB9")));
  RequestCatSerialReopen(w_.get());
  ASSERT_TRUE(waitFreq(14070000));
  EXPECT_EQ(w_->linkFault, 0);
}

// The companion's CAT port is the one that answers "DT;" with "DT001;"; the
// candidates are tried from the last in sort order.
class CatProbe : public LinksHarness {};

TEST_F(CatProbe, FindsTheCompanionAmongTheCandidates) {
  sim::CompanionCatSim companion;
  sim::Ft817Sim other;  // answers nothing to text commands
  ASSERT_TRUE(companion.linkSlaveTo(host("/dev/ORVACAT0")));
  ASSERT_TRUE(other.linkSlaveTo(host("/dev/ORVACAT1")));
  companion.start();
  other.start();
  std::strcpy(w_.setup->CatPort, "/dev/ttyUSB0");
  ASSERT_EQ(VerifyCAT(w_.get()), 0);
  EXPECT_GE(w_->catFD, 0);
  EXPECT_EQ(companion.received(), std::vector<std::string>{"DT;"});
  EXPECT_EQ(countLines("Cannot connect VYR using /dev/ORVACAT1"), 1);
  EXPECT_EQ(countLines("CAT serial found:  /dev/ORVACAT0"), 1);
  // The port is left open for the relay, with nothing of the probe left in it.
  const char fa[] = "FA;";
  ASSERT_TRUE(platform::writeAll(w_->catFD, fa, 3));
  platform::sleepMs(200);
  char buf[32] = {};
  const long n = platform::readSerial(w_->catFD, buf, sizeof buf - 1);
  EXPECT_STREQ(buf, "FA00014070000;") << n;
  platform::closeSerial(w_->catFD);
}

TEST_F(CatProbe, NoCandidateFails) {
  std::strcpy(w_.setup->CatPort, "/dev/ttyUSB0");
  EXPECT_EQ(VerifyCAT(w_.get()), -1);
  EXPECT_EQ(countLines("No CAT serial port found"), 1);

  sim::Ft817Sim mute;
  ASSERT_TRUE(mute.linkSlaveTo(host("/dev/ORVACAT3")));
  mute.start();
  EXPECT_EQ(VerifyCAT(w_.get()), -1);
  EXPECT_EQ(countLines("CAT: Unable to open device /dev/ttyUSB0"), 1);
}

}  // namespace
