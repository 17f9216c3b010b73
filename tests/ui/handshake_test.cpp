// Tune-on-transmit handshake, frequency sources and the screen-saver timeout.
#include <gtest/gtest.h>

#include <vector>

#include "amp/amp_commands.h"
#include "amp/cmd_ring.h"
#include "amp/errors.h"
#include "state/init_globals.h"
#include "ui/ext_io_view.h"
#include "ui/freq_road.h"
#include "ui/screen_saver.h"
#include "ui/tune_handshake.h"
#include "amp_test_support.h"
#include "works_fixture.h"

namespace {

class Handshake : public AmpTest {
 protected:
  void SetUp() override {
    AmpTest::SetUp();
    w_->ModeWorkIdx = 1;
  }
  void tick(int tx, int antenna = 0) { TuneOnTransmitHandshake(w_.get(), c_, ExtIoView{7050000, tx, antenna}); }
  std::vector<int> drain() {
    std::vector<int> codes;
    for (int code; (code = TakeCMDLinear(w_.get())) >= 0;) codes.push_back(code);
    return codes;
  }
  uint8_t bits() { return w_->AutoTuneMode; }
  HandshakeCounters c_;
};

TEST_F(Handshake, DisabledOnlyFollowsTransmitAndAntenna) {
  w_->AutoTuneMode = 0;
  tick(1, 2);
  EXPECT_EQ(w_->extTx, 1);
  EXPECT_EQ(w_->anMode, 0);  // no antenna change while transmitting
  EXPECT_EQ(bits(), 0);
  tick(0, 2);
  EXPECT_EQ(w_->extTx, 0);
  EXPECT_EQ(w_->anMode, 2);
  EXPECT_EQ(drain(), std::vector<int>{kCmdAntennaMode});
  tick(0, 2);
  EXPECT_TRUE(drain().empty());  // already in force
}

TEST_F(Handshake, AntennaIsLeftAloneWhileAManualTuneOwnsIt) {
  for (uint8_t manual : {0x10, 0x20}) {
    w_->manualTune = manual;
    tick(0, 3);
    EXPECT_EQ(w_->anMode, 0) << int(manual);
  }
  w_->manualTune = 0;
  w_->tunerRunning = 1;
  tick(0, 3);
  EXPECT_EQ(w_->anMode, 0);
}

TEST_F(Handshake, CarrierStartsATuneOnceAfterTheHoldOff) {
  w_->AutoTuneMode = kAtmEnabled;
  w_->tuneHoldoff = 2;
  tick(1);
  tick(1);
  EXPECT_EQ(w_->tuneHoldoff, 0);
  EXPECT_FALSE(bits() & kAtmStarted);
  tick(1);
  EXPECT_TRUE(bits() & kAtmStarted);
  // Started: further carrier ticks do not start another.
  c_ = {5, 9};
  tick(1);
  EXPECT_EQ(c_.c0, 5);
}

// A carrier with the tuner bypassed starts nothing and marks nothing: the
// first carrier after the tuner is back in line tunes.
TEST_F(Handshake, BypassedTunerLeavesTheNextCarrierFree) {
  w_->AutoTuneMode = kAtmEnabled;
  w_->atuBypass = 1;
  for (int i = 0; i < 3; ++i) tick(1);
  EXPECT_EQ(w_->tunerRunning, 0);
  EXPECT_EQ(bits(), kAtmEnabled);
  tick(0);
  w_->atuBypass = 0;
  tick(1);
  EXPECT_EQ(w_->tunerRunning, 1);
  EXPECT_EQ(bits(), kAtmEnabled | kAtmStarted);
}

TEST_F(Handshake, ManualTuneBlocksTheStart) {
  w_->AutoTuneMode = kAtmEnabled;
  w_->manualTune = 1;
  tick(1);
  EXPECT_FALSE(bits() & kAtmStarted);
}

TEST_F(Handshake, EndSeenWaitsTenTicksThenClears) {
  for (int tx : {1, 0}) {
    w_->AutoTuneMode = kAtmEnabled | kAtmStarted | kAtmEndSeen;
    c_ = {};
    int ticks = 0;
    while ((bits() & kAtmEndSeen) && ticks < 50) {
      tick(tx);
      ++ticks;
    }
    EXPECT_EQ(ticks, 13) << "tx " << tx;
    EXPECT_EQ(bits(), kAtmEnabled);
    // Without the carrier the counters start over.
    if (tx == 0)
      EXPECT_EQ(c_.c1, 0);
    else
      EXPECT_GT(c_.c1, 10);
  }
}

TEST_F(Handshake, KeyStartedTuneReadyThenTimesOut) {
  w_->AutoTuneMode = kAtmEnabled | kAtmKeyStarted;
  IncPNTIn_CMDLinear(1, w_.get());
  tick(0);
  EXPECT_FALSE(bits() & kAtmReady);  // commands still queued
  drain();
  tick(0);
  EXPECT_TRUE(bits() & kAtmReady);
  // The link acknowledges (clearing ready) but no carrier comes.
  w_->AutoTuneMode = kAtmEnabled | kAtmKeyStarted | kAtmReadyAcked;
  int ticks = 0;
  while ((bits() & kAtmKeyStarted) && ticks < 100) {
    tick(0);
    ++ticks;
  }
  EXPECT_EQ(ticks, 32);
  EXPECT_EQ(bits(), kAtmEnabled | kAtmEnded);  // the aborted tune reports its end
  EXPECT_TRUE(ExistError(w_.get(), kErrTuneAbort));
}

// A transceiver that never speaks never takes the carrier request: after a
// second the tune ends as an unanswered one, rather than waiting with the
// protections off until someone presses the key again.
TEST_F(Handshake, KeyStartedTuneGivesUpWhenTheRequestIsNeverTaken) {
  w_->AutoTuneMode = kAtmEnabled | kAtmKeyStarted;
  w_->tunerRunning = 1;
  tick(0);
  ASSERT_TRUE(bits() & kAtmReady);
  int ticks = 0;
  while ((bits() & kAtmKeyStarted) && ticks < 500) {
    tick(0);
    ++ticks;
  }
  EXPECT_EQ(ticks, 101);
  EXPECT_EQ(w_->tunerRunning, 0);
  EXPECT_FALSE(bits() & (kAtmKeyStarted | kAtmReady));
  EXPECT_TRUE(ExistError(w_.get(), kErrTuneAbort));
}

TEST_F(Handshake, CarrierDuringKeyStartedTuneResetsTheCounters) {
  w_->AutoTuneMode = kAtmEnabled | kAtmKeyStarted;
  c_ = {3, 7};
  tick(1);
  EXPECT_EQ(c_.c0, 0);
  EXPECT_EQ(c_.c1, 0);
}

class FrequencySource : public WorksTest {
 protected:
  void SetUp() override {
    WorksTest::SetUp();
    InitGlobalVar(w_.get());
  }
  std::vector<int> drain() {
    std::vector<int> codes;
    for (int code; (code = TakeCMDLinear(w_.get())) >= 0;) codes.push_back(code);
    return codes;
  }
};

TEST_F(FrequencySource, EachModeReadsItsSource) {
  w_->ampFreq = 7050000;
  w_->catSerFreq = 21200000;
  const ExtIoView ext{3650000, 0, 0};
  struct Case {
    int mode;
    uint32_t freq;
  } cases[] = {{0, 7050000}, {1, 3650000}, {2, 21200000}, {-1, 1234}};
  for (const Case& c : cases) {
    w_->freq = 1234;
    w_->ModeWorkIdx = c.mode;
    ReadFrequencySource(w_.get(), ext);
    EXPECT_EQ(w_->freq, c.freq) << c.mode;
  }
}

TEST_F(FrequencySource, AntennaModeResetOutsideExternalIo) {
  for (int mode : {0, 2}) {
    w_->ModeWorkIdx = mode;
    w_->anMode = 2;
    ReadFrequencySource(w_.get(), {});
    EXPECT_EQ(w_->anMode, 0);
    EXPECT_EQ(drain(), std::vector<int>{kCmdAntennaMode});
    ReadFrequencySource(w_.get(), {});
    EXPECT_TRUE(drain().empty());
  }
}

TEST_F(FrequencySource, FrequencyCommandOnlyOutsideGenericMode) {
  for (int mode : {0, 1, 2}) {
    w_->ModeWorkIdx = mode;
    w_->freq = 7050000 + mode;
    EXPECT_TRUE(FollowFrequency(w_.get()));
    const std::vector<int> codes = drain();
    EXPECT_EQ(!codes.empty() && codes.front() == kCmdFrequency, mode != 0) << mode;
    EXPECT_EQ(w_->lastFreq, 7050000u + mode);
    EXPECT_FALSE(FollowFrequency(w_.get()));  // nothing moved
  }
  w_->bandRowIdx = -1;  // a band row must be applied again
  EXPECT_TRUE(FollowFrequency(w_.get()));
}

// Until the transceiver link delivers a frequency the source reads 0: the
// amplifier keeps its settings instead of being tuned for 0 Hz, and the first
// real frequency runs the whole road.
TEST_F(FrequencySource, NoFrequencyYetLeavesTheAmplifierAlone) {
  struct Case {
    int mode;
    ExtIoView ext;
    int32_t catSerFreq;
  } cases[] = {{1, {0, 0, 0}, 7050000}, {2, {7050000, 0, 0}, 0}, {0, {7050000, 0, 0}, 7050000}};
  for (const Case& c : cases) {
    w_->ModeWorkIdx = c.mode;
    w_->ampFreq = 0;
    w_->catSerFreq = c.catSerFreq;
    w_->lastFreq = 14070000;
    w_->bandRowIdx = -1;  // a freshly loaded bank
    ReadFrequencySource(w_.get(), c.ext);
    ASSERT_EQ(w_->freq, 0u) << c.mode;
    EXPECT_FALSE(FollowFrequency(w_.get())) << c.mode;
    EXPECT_TRUE(drain().empty()) << c.mode;
    EXPECT_EQ(w_->lastFreq, 14070000u) << c.mode;
    EXPECT_EQ(w_->bandRowIdx, -1) << c.mode;  // still owed to the first real frequency

    w_->freq = 7050000;
    EXPECT_TRUE(FollowFrequency(w_.get())) << c.mode;
    const std::vector<int> codes = drain();
    EXPECT_EQ(!codes.empty() && codes.front() == kCmdFrequency, c.mode != 0) << c.mode;
    EXPECT_EQ(w_->lastFreq, 7050000u) << c.mode;
  }
}

TEST(ScreenSaver, TimeoutsInWholeMinutes) {
  struct Case {
    long elapsed;
    int idx;
    bool due;
  } cases[] = {{299, 0, false}, {300, 0, true},  {599, 1, false},  {600, 1, true},   {3599, 4, false},
               {3600, 4, true}, {3900, 0, true}, {-300, 0, false}, {3600, 77, true}, {3599, -1, false}};
  for (const Case& c : cases) EXPECT_EQ(SaverDue(c.elapsed, c.idx), c.due) << c.elapsed << " idx " << c.idx;
}

}  // namespace
