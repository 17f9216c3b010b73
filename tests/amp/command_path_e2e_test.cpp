// The command path judged by what the simulated amplifier holds: floods end
// in the last value asked for, protection commands overtake everything,
// settings are applied only when their own reply arrives, and a restarted
// microcontroller gets every setting back.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "amp/amp_commands.h"
#include "amp/cmd_ring.h"
#include "amp/init_micro_cmd.h"
#include "amp/errors.h"
#include "tables/config_table.h"
#include "thermistor.h"
#include "link_harness.h"
#include "platform/clock.h"
#include "state/works.h"
#include "tune/autotune_control.h"
#include "wait_until.h"

namespace {

using Texts = std::vector<std::string>;

class CommandPath : public LinkHarness {
 protected:
  // Waits until the amplifier model satisfies `holds`.
  template <class F>
  bool ampHolds(F holds, int timeoutMs = 8000) {
    return waitUntil([&] { return holds(amp_.model()); }, timeoutMs);
  }
  int count(const Texts& texts, const std::string& t) {
    return static_cast<int>(std::count(texts.begin(), texts.end(), t));
  }
  void setThresholds(int pwin, int fwd, int refl, int current) {
    w_->sogliaPWIN = pwin, w_->sogliaFWD = fwd, w_->sogliaREFL = refl, w_->sogliaCorrente = current;
  }
};

// A key held on the manual page asks for the tuner word hundreds of times a
// second; the amplifier ends on the last word, and nothing is refused.
TEST_F(CommandPath, AFloodEndsOnTheLastValueAskedFor) {
  startLink();
  for (uint32_t c = 1; c <= 2000; ++c) {
    w_->tuneWord = c;
    IncPNTIn_CMDLinear(kCmdSetTuneWord, w_.get());
    w_->filterMask = static_cast<uint8_t>(1u << (c % 8));
    IncPNTIn_CMDLinear(kCmdSetFilter, w_.get());
    if (c % 100 == 0) platform::sleepMs(5);
  }
  ASSERT_TRUE(ampHolds([](const sim::AmpModel& m) { return m.tuneWord == 2000 && m.filterMask == 1; }));
  EXPECT_LE(w_->cmdPath.highWater(), 2);
  EXPECT_EQ(countLines("refused"), 0);
}

// However many ordinary commands wait, a protection command goes out right
// after the next status reply.
TEST_F(CommandPath, AProtectionCommandOvertakesAFlood) {
  for (int i = 0; i < 40; ++i) IncPNTIn_CMDLinear(kCmdReadData0 + i % 3, w_.get());
  for (int code : {kCmdFrequency, kCmdAntenna, kCmdAntennaMode, kCmdPowerSensor, kCmdGainParams})
    IncPNTIn_CMDLinear(code, w_.get());
  startLink();
  ASSERT_TRUE(waitCommands(0, 4));
  const size_t from = amp_.texts().size();
  RequestProtectionCmd(kCmdProtectionsOn, w_.get());
  ASSERT_TRUE(amp_.waitFor([&](const auto&) { return count(amp_.texts(from), "MP1;") == 1; }, 3000));
  const Texts sent = amp_.texts(from);
  const auto at = std::find(sent.begin(), sent.end(), "MP1;") - sent.begin();
  // At most the exchange in flight and one status poll before it.
  EXPECT_LE(at, 2) << ::testing::PrintToString(sent);
}

// The reply of a timed-out command that arrives late is not taken for the
// next command's: every setting counts as applied only on its own reply.
TEST_F(CommandPath, ALateReplyDoesNotShiftTheNextAcknowledgement) {
  startLink();
  ASSERT_TRUE(waitCommands(0, 4));
  setThresholds(1000, 2000, 1500, 3000);
  amp_.delayReplies(1700, 1);  // past the link's 1.5 s silence limit
  IncPNTIn_CMDLinear(kCmdThresholds, w_.get());
  w_->filterMask = 0x04;
  IncPNTIn_CMDLinear(kCmdSetFilter, w_.get());
  ASSERT_TRUE(ampHolds([](const sim::AmpModel& m) { return m.filterMask == 4 && m.thresholds[0] == 1000; }));
  ASSERT_TRUE(waitUntil([&] { return ConfirmedAmpSetting(w_.get(), kCmdSetFilter) == "SF3000004;"; }, 5000));
  EXPECT_EQ(ConfirmedAmpSetting(w_.get(), kCmdThresholds), "TS1000200015003000;");
}

// A stale copy of the previous reply arriving just before each real one is
// dropped: every command is acknowledged by its own reply, and the status
// decoder never sees a setting's echo.
TEST_F(CommandPath, AStaleReplyIsNotTakenForTheNextCommand) {
  startLink();
  ASSERT_TRUE(waitCommands(0, 4));
  amp_.staleReplies(6);
  setThresholds(1200, 2100, 1400, 3100);
  IncPNTIn_CMDLinear(kCmdThresholds, w_.get());
  w_->filterMask = 0x20;
  IncPNTIn_CMDLinear(kCmdSetFilter, w_.get());
  w_->antennaIndex = 2;
  IncPNTIn_CMDLinear(kCmdAntenna, w_.get());
  ASSERT_TRUE(waitUntil([&] { return ConfirmedAmpSetting(w_.get(), kCmdAntenna) == "SA3;"; }, 5000));
  EXPECT_EQ(ConfirmedAmpSetting(w_.get(), kCmdThresholds), "TS1200210014003100;");
  EXPECT_EQ(ConfirmedAmpSetting(w_.get(), kCmdSetFilter), "SF3000020;");
  EXPECT_GE(w_->linkStrays, 3u);
  EXPECT_GE(countLines("is not for"), 1);
  EXPECT_EQ(w_->retryTotal, 0);
  const sim::AmpModel m = amp_.model();
  EXPECT_EQ(m.filterMask, 0x20);
  EXPECT_EQ(m.antenna, 2);
}

// Replies that arrive in two pieces, or stop half-way, are still matched to
// their own command.
TEST_F(CommandPath, SplitAndCutRepliesStillEndInTheWantedState) {
  amp_.setSplit(true);
  startLink();
  w_->antennaIndex = 2;
  IncPNTIn_CMDLinear(kCmdAntenna, w_.get());
  ASSERT_TRUE(ampHolds([](const sim::AmpModel& m) { return m.antenna == 2; }));
  amp_.setSplit(false);
  amp_.cutReplies(1);
  w_->fanPercent = 55;
  IncPNTIn_CMDLinear(kCmdFan, w_.get());
  ASSERT_TRUE(waitUntil([&] { return ConfirmedAmpSetting(w_.get(), kCmdFan) == "FN1055;"; }, 20000));
  EXPECT_EQ(amp_.model().fanPercent, 55);
}

// A command whose four sends go unanswered stays wanted and goes out again
// once the amplifier answers.
TEST_F(CommandPath, ACommandThatExhaustedItsRetriesGoesOutWhenTheLinkAnswersAgain) {
  startLink();
  ASSERT_TRUE(waitCommands(0, 4));
  amp_.ignoreCommands("SF", 4);
  w_->filterMask = 0x10;
  IncPNTIn_CMDLinear(kCmdSetFilter, w_.get());
  // Four silences of 1.5 s, counted in 1 ms polls: longer under a sanitizer.
  ASSERT_TRUE(waitLine("STOP RETRAY!! SF", 1, 30000));
  ASSERT_TRUE(waitLine("kept to send again"));
  // The four sends were ignored; the fifth, after a good status, is applied.
  ASSERT_TRUE(ampHolds([](const sim::AmpModel& m) { return m.filterMask == 0x10; }, 5000));
  EXPECT_TRUE(waitUntil([&] { return ConfirmedAmpSetting(w_.get(), kCmdSetFilter) == "SF3000010;"; }, 3000));
}

// A microcontroller that restarts mid-run loses every setting; the unit sends
// them all again, in the start-up order.
TEST_F(CommandPath, AMicrocontrollerResetIsRecovered) {
  w_->errorsMuted = 1;
  InitMicroCmd(w_.get());
  startLink();
  ASSERT_TRUE(waitUntil([&] { return w_->microResetArmed == 1 && w_->errorsMuted == 0; }, 10000));
  setThresholds(1111, 2222, 1333, 3444);
  IncPNTIn_CMDLinear(kCmdThresholds, w_.get());
  w_->filterMask = 0x08;
  IncPNTIn_CMDLinear(kCmdSetFilter, w_.get());
  w_->antennaIndex = 1;
  IncPNTIn_CMDLinear(kCmdAntenna, w_.get());
  w_->Attenuator = 2;
  IncPNTIn_CMDLinear(kCmdAttenuator, w_.get());
  w_->fanPercent = 40;
  RequestProtectionCmd(kCmdFan, w_.get());
  auto restored = [](const sim::AmpModel& m) {
    return m.thresholds[0] == 1111 && m.filterMask == 8 && m.antenna == 1 && m.attenuator == 2 &&
           m.fanPercent == 40 && !m.powerSensor.empty() && !m.freqSensor.empty() && !m.microReset;
  };
  ASSERT_TRUE(ampHolds(restored));
  const size_t from = amp_.texts().size();
  amp_.resetMicro();
  ASSERT_FALSE(restored(amp_.model()));
  ASSERT_TRUE(ampHolds(restored, 10000));
  EXPECT_TRUE(waitLine("every setting sent again"));
  // One restart, one recovery.
  platform::sleepMs(500);
  EXPECT_EQ(countLines("every setting sent again"), 1);
  const Texts sent = amp_.texts(from);
  EXPECT_EQ(count(sent, "VSM;"), 1);
  EXPECT_EQ(count(sent, "SF3000008;"), 1);
}

// Errors are muted until "CPFFFF;" is answered; a lost one is sent again.
TEST_F(CommandPath, AnUnansweredClearIsSentAgain) {
  w_->errorsMuted = 1;
  startLink();
  ASSERT_TRUE(waitUntil([&] { return w_->errorsMuted == 0; }, 8000));
  EXPECT_EQ(count(amp_.texts(), "CPFFFF;"), 1);
  EXPECT_TRUE(waitLine("not acknowledged, errors still muted"));
}

// A heat sink that reads hot from power-on: the protections go on once, while
// errors are still muted, and the alarm with its "AB0;" follows as soon as
// the amplifier has answered "CPFFFF;".
TEST_F(CommandPath, ASensorHotFromPowerOnProtectsOnceAndRaisesTheAlarm) {
  amp_.setSensorRaw(1, sim::thermistorRaw(90));
  w_->errorsMuted = 1;
  InitMicroCmd(w_.get());
  startLink();
  ASSERT_TRUE(amp_.waitFor([&](const auto&) { return count(amp_.texts(), "AB0;") >= 1; }, 10000));
  platform::sleepMs(1000);
  const Texts sent = amp_.texts();
  EXPECT_EQ(count(sent, "MP1;"), 1) << ::testing::PrintToString(sent);
  EXPECT_EQ(count(sent, "AT11;"), 1);
  // The start-up's "MP0;" never follows the alarm's "MP1;".
  const auto mp1 = std::find(sent.begin(), sent.end(), "MP1;");
  EXPECT_EQ(std::find(mp1, sent.end(), "MP0;"), sent.end());
  const sim::AmpModel m = amp_.model();
  EXPECT_TRUE(m.protectionsOn);
  EXPECT_EQ(m.attenuator, 3);
  EXPECT_TRUE(ExistError(w_.get(), 2));
}

// However a tune ends, the band segment's thresholds are back on the
// amplifier at once: the tune raised the input threshold to its top.
TEST_F(CommandPath, ThresholdsComeBackAtTheEndOfEveryTune) {
  installCalibration(4.0e-6f, 1.0e-5f, 1.0e-5f);
  w_->freq = 14070000;
  startLink();
  ASSERT_TRUE(waitCommands(0, 4));
  SearchCambioSoglie_TS(w_.get());
  const int pwin = w_->sogliaPWIN;
  ASSERT_LT(pwin, 4095);
  ASSERT_TRUE(ampHolds([&](const sim::AmpModel& m) { return m.thresholds[0] == pwin; }));
  w_->AutoTuneMode = kAtmEnabled;
  StartAutotune(w_.get());
  ASSERT_TRUE(ampHolds([](const sim::AmpModel& m) { return m.thresholds[0] == 4095; }));
  EscAutoTune(w_.get(), 0);
  ASSERT_TRUE(ampHolds([&](const sim::AmpModel& m) { return m.thresholds[0] == pwin; }, 3000));
  EXPECT_EQ(w_->tunerRunning, 0);
}

// An over-temperature alarm during a tune ends the tune first; the tune's
// restore does not take the attenuation back.
TEST_F(CommandPath, AnAlarmDuringATuneEndsItAndKeepsTheProtection) {
  w_->Attenuator = 0;
  w_->AttenuatorTune = 1;
  startLink();
  ASSERT_TRUE(waitCommands(0, 4));
  w_->AutoTuneMode = kAtmEnabled;
  StartAutotune(w_.get());
  ASSERT_TRUE(ampHolds([](const sim::AmpModel& m) { return m.attenuator == 1; }));
  amp_.setSensorRaw(1, sim::thermistorRaw(90));
  ASSERT_TRUE(waitUntil([&] { return w_->tunerRunning == 0; }, 5000));
  ASSERT_TRUE(ampHolds([](const sim::AmpModel& m) { return m.attenuator == 3 && m.protectionsOn; }));
  platform::sleepMs(500);
  EXPECT_EQ(amp_.model().attenuator, 3);
  // A new tune is refused while the alarm stands, and says why.
  GoTune(w_.get());
  EXPECT_EQ(w_->tunerRunning, 0);
  EXPECT_TRUE(w_->hintFlags & kHintTuneTooHot);
  // Asking for the normal attenuation meanwhile changes nothing on the wire;
  // once the heat sink is back below the limit it goes out.
  IncPNTIn_CMDLinear(kCmdAttenuator, w_.get());
  platform::sleepMs(300);
  EXPECT_EQ(amp_.model().attenuator, 3);
  amp_.setSensorRaw(1, -1);
  ASSERT_TRUE(ampHolds([](const sim::AmpModel& m) { return m.attenuator == 0; }, 15000));
}

}  // namespace
