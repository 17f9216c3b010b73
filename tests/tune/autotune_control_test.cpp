// The tune key and the start of an automatic tune: what is queued for the
// amplifier, and the handshake bits left for the timer loop.
#include "tune/autotune_control.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include <algorithm>

#include "amp/amp_commands.h"
#include "amp/cmd_ring.h"
#include "tune/autotune.h"
#include "tune/tune_records.h"
#include "amp_test_support.h"

namespace {

const std::vector<int> kStart = {kCmdProtectionsOn, kCmdAttenuatorTune, kCmdThresholds, kCmdClearProtections,
                                 kCmdProtectionsOff};

class AutotuneControl : public AmpTest {
 protected:
  LogCapture log_;
};

TEST_F(AutotuneControl, TuneKey) {
  struct {
    std::function<void(Works*)> given;
    std::vector<int> cmds;
    int running, mode;     // tunerRunning and AutoTuneMode afterwards
    const char* lastLine;  // the last tune line written, "" none
  } cases[] = {
      // clang-format off
      {[](Works* w) { w->TUNEenabled = 0x81, w->AutoTuneMode = kAtmEnabled; }, {}, 0, kAtmEnabled, ""},  // no tuner
      {[](Works* w) { w->TUNEenabled = 0x01, w->AutoTuneMode = 0; }, {}, 0, 0, "c-START TUNE (0)!!\n"},  // disabled
      // The link has not yet taken the end of the last tune.
      {[](Works* w) { w->AutoTuneMode = kAtmEnabled | kAtmEndSeen; }, {}, 0, kAtmEnabled | kAtmEndSeen,
       "c-START TUNE (9)!!\n"},
      {[](Works* w) { w->AutoTuneMode = kAtmEnabled, w->ModeWorkIdx = 0; }, kStart, 1, kAtmEnabled, "b-START TUNE!!\n"},
      {nullptr, {kCmdAttenuator, kCmdThresholds}, 0, kAtmEnabled | kAtmEnded, "esc tune TUNEMENU\n"},  // running: aborted
      // With the companion transceiver the tune asks it for a carrier.
      {[](Works* w) { w->AutoTuneMode = kAtmEnabled | kAtmReadyAcked, w->ModeWorkIdx = 1; }, kStart, 1,
       kAtmEnabled | kAtmKeyStarted, "a-START TUNE!!\n"},
      // clang-format on
  };
  for (const auto& c : cases) {
    if (c.given) c.given(w_.get());
    log_.clear();
    GoTune(w_.get());
    SCOPED_TRACE(c.lastLine);
    EXPECT_EQ(drainCommands(), c.cmds);
    EXPECT_EQ(w_->tunerRunning, c.running);
    EXPECT_EQ(w_->AutoTuneMode, c.mode);
    std::string last;
    for (const auto& l : log_.lines())
      if (l.find("TUNE") != std::string::npos) last = l.substr(l.find(": ") + 2);
    EXPECT_EQ(last, c.lastLine);
  }
}

TEST_F(AutotuneControl, StartQueuesTheTuneSetUp) {
  w_->atuBypass = 1;  // a bypassed tuner is not tuned
  StartAutotune(w_.get());
  EXPECT_TRUE(drainCommands().empty());
  EXPECT_EQ(w_->tunerRunning, 0);

  w_->atuBypass = 0, w_->tuneStepNo = 7, w_->sogliaPWIN = 1200, w_->cmdQueueActive = 0;
  w_->ampStatus[0] = 0x01;  // antenna relay on: switched off for the tune
  w_->anMode = 3;
  StartAutotune(w_.get());
  std::vector<int> want = kStart;
  want.push_back(kCmdAntennaMode);
  EXPECT_EQ(drainCommands(), want);
  EXPECT_EQ(w_->tuneStepNo, 0);
  EXPECT_EQ(w_->sogliaPWIN, 4095);
  EXPECT_EQ(w_->cmdQueueActive, 1);
  EXPECT_EQ(w_->tunerRunning, 1);
  EXPECT_EQ(w_->anMode, 0);
  EXPECT_TRUE(log_.has("--------- START AUTO TUNE (0) 0\n"));
}

}  // namespace

namespace {

// However the tune ends (aborted, stored, or at the measurement limit), the
// band segment's thresholds go out again at once, ahead of ordinary commands:
// the tune had raised the input threshold to its top.
TEST_F(AutotuneControl, EveryEndOfATuneBringsTheThresholdsBack) {
  ConfigRow row;
  row.startFreq = 1000000, row.endFreq = 30000000;
  row.maxPWIN = 10, row.maxFWD = 100, row.maxREFL = 20, row.maxCorrente = 10;
  row.kIn = row.kFwd = row.kRefl = 1e-5f;
  ConfigRow end = row;
  end.startFreq = 30000000, end.endFreq = 60000000;
  w_->configTab = {row, end};
  w_->configRows = 2;
  w_->freq = 14070000;
  const std::vector<std::function<void()>> ends = {
      [&] { EscAutoTune(w_.get(), 0); },
      [&] { EscAutoTune(w_.get(), 1); },
      [&] {
        TuneRecordsRef().cnttune = TuneMeasurementLimit(w_.get());
        TuneTask(w_.get());
      },
  };
  for (size_t i = 0; i < ends.size(); ++i) {
    SCOPED_TRACE(i);
    w_->AutoTuneMode = kAtmEnabled;
    StartAutotune(w_.get());
    w_->cmdQueueActive = 0;
    drainCommands();
    ASSERT_EQ(w_->sogliaPWIN, 4095);
    IncPNTIn_CMDLinear(kCmdFrequency, w_.get());  // an ordinary command already waiting
    ends[i]();
    EXPECT_EQ(w_->tunerRunning, 0);
    EXPECT_LT(w_->sogliaPWIN, 4095);
    const std::vector<int> sent = drainCommands();
    const auto ts = std::find(sent.begin(), sent.end(), kCmdThresholds);
    ASSERT_NE(ts, sent.end());
    EXPECT_LT(ts - sent.begin(), std::find(sent.begin(), sent.end(), kCmdFrequency) - sent.begin());
  }
}

}  // namespace
