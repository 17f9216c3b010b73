// The external IO link against the simulated companion transceiver over a
// pseudo-terminal: the parameter record, the transmit flag, the spectrum in
// the displayed window, the commands sent back, and what silence, garbage and
// a missing port do.
#include <gtest/gtest.h>

#include <bit>
#include <cstring>

#include "amp/errors.h"
#include "companion_sim.h"
#include "links/ext_io.h"
#include "links/ext_io_params.h"
#include "links_harness.h"
#include "platform/clock.h"
#include "state/ext_io_params.h"
#include "state/setup_record.h"
#include "state/tune_fields.h"
#include "wait_until.h"

namespace {

class ExtIoLink : public LinksHarness {
 protected:
  void SetUp() override {
    LinksHarness::SetUp();
    ASSERT_TRUE(rig_.ok());
    ASSERT_TRUE(rig_.linkSlaveTo(host("/dev/ttyUSB1")));
    std::strcpy(w_.setup->SerPort, "/dev/ttyUSB1");
    w_.setup->enaser = '1';
    w_.setup->fftFlag = '0';
    w_->ModeWorkIdx = 1;
  }
  void TearDown() override {
    LinksHarness::TearDown();
    rig_.stop();
  }
  ExtIoParams params() {
    ExtIoParams p;
    getParameters(&p, w_.get());
    return p;
  }
  bool waitFreq(int32_t hz) {
    return waitUntil([&] { return params().activeFreq == hz; }, 3000);
  }
  float displayed(int i) { return std::bit_cast<float>(display_[static_cast<size_t>(i)].load()); }

  sim::CompanionSim rig_;
};

TEST_F(ExtIoLink, ParametersAndTransmitFollowTheTransceiver) {
  rig_.start();
  startThread(Serial);
  ASSERT_TRUE(waitFreq(14070000));
  rig_.setFrequency(7050000);
  rig_.setMode(sim::CompanionMode::Cw);
  rig_.setAntenna(2);
  ASSERT_TRUE(waitFreq(7050000));
  ExtIoParams p = params();
  EXPECT_EQ(p.mode, 4);
  EXPECT_EQ(p.an, 2);
  EXPECT_EQ(p.status0Bit6, 0);

  rig_.setTransmit(true);
  ASSERT_TRUE(waitUntil([&] { return params().status0Bit6 == 1; }, 3000));
  rig_.setVfoB(true);
  rig_.setFrequency(3600000);
  ASSERT_TRUE(waitFreq(3600000));
  p = params();
  EXPECT_EQ(p.vfoBFreq, 3600000);
  EXPECT_EQ(p.vfoAFreq, 7050000);
  EXPECT_EQ(w_->linkFault, 0);
  EXPECT_EQ(ExistError(w_.get(), kErrExtIo), 0);
}

TEST_F(ExtIoLink, SpectrumIsRotatedIntoTheDisplayedWindow) {
  std::vector<uint8_t> ramp(1024);
  for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<uint8_t>(i % 251);
  rig_.setSpectrum(ramp);
  rig_.setMode(sim::CompanionMode::Usb);
  rig_.setOffsets(0, -0x3000);  // about -65.5 points: the window starts at 19
  rig_.start();
  startThread(Serial);
  // The window follows the record, so wait for the offsets first.
  ASSERT_TRUE(waitUntil([&] { return params().offsetB == -0x3000; }, 3000));
  ASSERT_TRUE(waitUntil([&] { return displayed(0) == static_cast<float>(ramp[19]) - 192; }, 3000));
  for (int k : {0, 1, 500, 853}) EXPECT_EQ(displayed(k), static_cast<float>(ramp[19 + k]) - 192) << k;
  for (int k : {854, 1000}) EXPECT_EQ(displayed(k), 0.0f) << k;

  // With the offset the other way the window wraps round the spectrum's end.
  rig_.setOffsets(0, 0x6000);  // +131 points: starts at 216
  ASSERT_TRUE(waitUntil([&] { return displayed(0) == static_cast<float>(ramp[216]) - 192; }, 3000));
  EXPECT_EQ(displayed(807), static_cast<float>(ramp[1023]) - 192);
  EXPECT_EQ(displayed(808), static_cast<float>(ramp[0]) - 192);
}

TEST_F(ExtIoLink, TuneRequestsGoOutAfterAMessage) {
  rig_.setIntervals(0, 0);  // nothing until the dial turns
  rig_.start();
  platform::sleepMs(100);  // its first message goes before the port is opened (and flushed)
  startThread(Serial);
  w_->AutoTuneMode = kAtmEnabled | kAtmEnded | kAtmReady;
  platform::sleepMs(300);
  EXPECT_TRUE(rig_.commands().empty()) << "a silent transceiver is sent nothing";
  rig_.setFrequency(7050000);
  ASSERT_TRUE(waitUntil([&] { return rig_.commands().size() >= 3; }, 3000));
  EXPECT_EQ(rig_.commands(), (std::vector<std::string>{"RX;", "TU120;", "TX2;"}));
  EXPECT_EQ(w_->AutoTuneMode, kAtmEnabled | kAtmEndSeen | kAtmReadyAcked);

  // A manual "back to receive" sets the hold-off before the next tune.
  w_->manualTune = 0x01;
  rig_.setFrequency(7060000);
  ASSERT_TRUE(waitUntil([&] { return rig_.commands().size() >= 4; }, 3000));
  EXPECT_EQ(rig_.commands().back(), "RX;");
  EXPECT_EQ(w_->tuneHoldoff, 30);
  EXPECT_EQ(w_->manualTune, 0);
}

TEST_F(ExtIoLink, SilenceRaisesErrorEightUntilTheTransceiverIsHeard) {
  rig_.start();
  startThread(Serial);
  ASSERT_TRUE(waitFreq(14070000));
  rig_.setSilent(true);
  ASSERT_TRUE(waitLine("TIMEOUT EXT IO 1", 1, 4000));
  EXPECT_EQ(ExistError(w_.get(), kErrExtIo), 1);
  rig_.setSilent(false);
  rig_.setFrequency(7050000);
  ASSERT_TRUE(waitFreq(7050000));
  EXPECT_TRUE(waitUntil([&] { return ExistError(w_.get(), kErrExtIo) == 0; }, 1000));
}

TEST_F(ExtIoLink, GarbageIsRejectedAndTheLastGoodValuesKept) {
  rig_.start();
  startThread(Serial);
  ASSERT_TRUE(waitFreq(14070000));
  rig_.setGarbage(true);
  // Every kind of malformed block comes by; none gets into the record.
  ASSERT_TRUE(waitLine("length digits", 1, 4000));
  ASSERT_TRUE(waitLine("frequency digits out of range", 1, 4000));
  ASSERT_TRUE(waitLine("dataLength", 1, 4000));
  ASSERT_TRUE(waitLine("spectrum of 256 points dropped", 1, 4000));
  ASSERT_TRUE(waitLine("TIMEOUT EXT IO 1", 1, 4000));
  EXPECT_EQ(ExistError(w_.get(), kErrExtIo), 1);
  EXPECT_EQ(params().activeFreq, 14070000);
  rig_.setGarbage(false);
  rig_.setFrequency(21200000);
  ASSERT_TRUE(waitFreq(21200000));
  EXPECT_TRUE(waitUntil([&] { return ExistError(w_.get(), kErrExtIo) == 0; }, 1000));
}

TEST_F(ExtIoLink, MissingPortKeepsTheProgramRunningAndIsRetried) {
  std::strcpy(w_.setup->SerPort, "/dev/ttyUSB7");
  rig_.start();
  startThread(Serial);
  ASSERT_TRUE(waitLine("Unable to open device /dev/ttyUSB7"));
  EXPECT_EQ(w_->running, 1u);
  EXPECT_EQ(w_->linkFault, 3);
  {
    std::lock_guard lock(w_->linkFaultMutex);
    EXPECT_STREQ(w_->linkFaultText, "Serial: Unable to open device /dev/ttyUSB7");
  }
  // The cable goes in; the Retry key asks for the port at once.
  ASSERT_TRUE(rig_.linkSlaveTo(host("/dev/ttyUSB7")));
  RequestExtIoReopen(w_.get());
  ASSERT_TRUE(waitFreq(14070000));
  EXPECT_EQ(w_->linkFault, 0);
  EXPECT_EQ(countLines("E: Unable to open device"), 1) << "one report per outage";
}

TEST_F(ExtIoLink, EndsWhenTheInterfaceTypeChanges) {
  rig_.start();
  startThread(Serial);
  ASSERT_TRUE(waitFreq(14070000));
  w_.setup->enaser = '0';
  ASSERT_TRUE(waitLine("Serial EXIT"));
}

}  // namespace
