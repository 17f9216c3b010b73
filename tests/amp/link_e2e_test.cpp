// The link thread against the simulated amplifier over a real pseudo-terminal.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "amp/cmd_ring.h"
#include "amp/errors.h"
#include "amp/fan.h"
#include "amp/init_micro_cmd.h"
#include "amp/linear.h"
#include "link_harness.h"
#include "platform/clock.h"

namespace {

using Texts = std::vector<std::string>;

// Commands other than the two polls, in order.
Texts withoutPolls(const Texts& all) {
  Texts out;
  for (const std::string& t : all)
    if (t != "ST;" && t != "FM;") out.push_back(t);
  return out;
}

class Link : public LinkHarness {};

}  // namespace

TEST_F(Link, StartUpSequenceGoesOutInOrderOnePerStatusPoll) {
  InitMicroCmd(w_.get());
  int queued = PendingCMDLinear(w_.get());
  startLink();
  ASSERT_TRUE(amp_.waitFor([&](const auto&) { return withoutPolls(amp_.texts()).size() >= size_t(queued); }, 10000));
  Texts sent = withoutPolls(amp_.texts());
  Texts expected = {"VSM;", "ER0000;", "ER0001;", "ER0002;", "MP0;"};
  if (queued == 15) expected.push_back(sent.at(5));  // thresholds, when the band table asked for them
  for (const char* t :
       {"AN0;", "SA1;", "FS00001;", "MT100000000;", "PS0001100000000000;", "GM00020100;", "GS;", "CPFFFF;", "MR0;"})
    expected.push_back(t);
  ASSERT_EQ(sent.size(), expected.size());
  EXPECT_EQ(sent, expected);
  // Each queued command follows a status poll.
  Texts all = amp_.texts();
  for (size_t i = 1; i < all.size(); ++i)
    if (all[i] != "ST;" && all[i] != "FM;") EXPECT_EQ(all[i - 1], "ST;") << all[i];
  // The identification replies were decoded.
  EXPECT_TRUE(waitLine("RESET MICRO ----------------------------------  1"));
  {
    std::lock_guard lock(w_->ampTextMutex);
    EXPECT_STREQ(w_->ampVersion, "V1.05.3");
  }
  EXPECT_EQ(w_->ampType, 1);
  EXPECT_EQ(w_->ampVariant, '0');
  EXPECT_EQ(w_->errorsMuted, 0);
}

TEST_F(Link, IdlePollingAlternatesStatusAndFrequency) {
  startLink();
  ASSERT_TRUE(waitCommands(0, 20));
  Texts all = amp_.texts();
  for (size_t i = 0; i < 20; ++i) EXPECT_EQ(all[i], i % 2 ? "FM;" : "ST;") << i;
}

TEST_F(Link, QueuedCodeGoesOutAfterTheNextStatusReply) {
  startLink();
  ASSERT_TRUE(waitCommands(0, 4));
  IncPNTIn_CMDLinear(19, w_.get());
  ASSERT_TRUE(amp_.waitFor(
      [](const auto& rec) {
        return std::any_of(rec.begin(), rec.end(), [](const auto& r) { return r.text == "AB0;"; });
      },
      3000));
  Texts all = amp_.texts();
  auto it = std::find(all.begin(), all.end(), "AB0;");
  EXPECT_EQ(*(it - 1), "ST;");
  EXPECT_EQ(std::count(all.begin(), all.end(), "AB0;"), 1);
  EXPECT_EQ(w_->bypassCmd, 0);
}

TEST_F(Link, BurstSendsTheWholeRingBackToBack) {
  startLink();
  ASSERT_TRUE(waitCommands(0, 4));
  // Queue under the ring's own lock order: the burst flag after the codes.
  for (int code : {17, 21, 7, 13, 32}) IncPNTIn_CMDLinear(code, w_.get());
  w_->cmdQueueActive = 1;
  ASSERT_TRUE(waitLine("cmd ext: 32"));
  ASSERT_TRUE(amp_.waitFor([](const auto& rec) { return !rec.empty() && rec.back().text == "ST;"; }, 3000));
  Texts all = amp_.texts();
  auto first = std::find(all.begin(), all.end(), "MP0;");
  ASSERT_NE(first, all.end());
  Texts burst(first, std::min(first + 5, all.end()));
  EXPECT_EQ(burst, (Texts{"MP0;", "AN0;", "SA1;", "CPFFFF;", "MR0;"}));
  EXPECT_EQ(w_->cmdQueueActive, 0);
  ASSERT_TRUE(waitCommands(all.size(), 3));
}

TEST_F(Link, SilenceRetriesThreeTimesThenRaisesCommErrorAndRecovers) {
  startLink();
  ASSERT_TRUE(waitCommands(0, 2));
  amp_.setSilent(true);
  size_t from = amp_.received().size();
  ASSERT_TRUE(waitLine("STOP RETRAY!!", 1, 12000));
  EXPECT_EQ(countLines("ERROR LINEAR: RETRAY"), 3);
  EXPECT_TRUE(ExistError(w_.get(), kErrComm));
  std::string detail;
  {
    std::lock_guard lock(w_->ampTextMutex);
    detail = w_->commErrText;
  }
  EXPECT_STREQ(GetErrorDescriptor(w_.get(), kErrComm).line2, detail.c_str());
  EXPECT_EQ(detail.substr(0, 4), "Err ");
  // The same command four times, then a fresh status poll.
  ASSERT_TRUE(waitCommands(from, 5));
  Texts sent = amp_.texts(from);
  ASSERT_GE(sent.size(), 5u);
  for (int i = 1; i < 4; ++i) EXPECT_EQ(sent[i], sent[0]);
  EXPECT_EQ(sent[4], "ST;");
  amp_.setSilent(false);
  size_t resumed = amp_.received().size();
  ASSERT_TRUE(waitCommands(resumed, 6));
  EXPECT_EQ(amp_.texts(resumed)[0], "ST;");
  EXPECT_EQ(w_->retryStops, 1);
}

TEST_F(Link, ChecksumMismatchesAreDroppedAndPollingGoesOn) {
  startLink();
  ASSERT_TRUE(waitCommands(0, 2));
  amp_.setBadChecksum(true);
  ASSERT_TRUE(waitLine("**** CHK ERROR!!", 3));
  amp_.setBadChecksum(false);
  uint32_t bad = w_->linkChkErrors;
  EXPECT_GE(bad, 3u);
  size_t from = amp_.received().size();
  ASSERT_TRUE(waitCommands(from, 6));
  EXPECT_EQ(countLines("RETRAY"), 0);  // a reply that came back is not a silence
  EXPECT_LE(w_->linkChkErrors - bad, 1u);
}

TEST_F(Link, NoiseBeforeRepliesIsSkipped) {
  startLink();
  amp_.setGarbage(true);
  size_t from = amp_.received().size();
  ASSERT_TRUE(waitCommands(from, 10));
  amp_.setGarbage(false);
  EXPECT_EQ(w_->linkChkErrors, 0u);
  EXPECT_EQ(countLines("RETRAY"), 0);
  EXPECT_GE(countLines("bytes of noise before a reply dropped"), 5);
}

TEST_F(Link, RejectedCommandsAreRetried) {
  startLink();
  ASSERT_TRUE(waitCommands(0, 2));
  amp_.setReject(true);
  ASSERT_TRUE(waitLine("STOP RETRAY!!", 1, 5000));
  amp_.setReject(false);
  EXPECT_GE(countLines("CMD Errato:"), 4);
  EXPECT_EQ(countLines("ERROR LINEAR: RETRAY"), 3);
}

TEST_F(Link, ProtectionTripRaisesError15AndClearResetsIt) {
  installCalibration(4e-6f, 1e-5f, 1e-5f);
  startLink();
  ASSERT_TRUE(waitCommands(0, 2));
  amp_.trip(sim::kTripRefl);
  ASSERT_TRUE(waitLine("err:15"));
  EXPECT_STREQ(GetErrorDescriptor(w_.get(), kErrProtection).line2, "REFL");
  IncPNTIn_CMDLinear(13, w_.get());
  ASSERT_TRUE(waitLine("Del ERROR: N: 0 err:15"));
  EXPECT_EQ(amp_.model().trips, 0);
}

TEST_F(Link, TransmittingShowsPowerAndSwrOfTheModel) {
  installCalibration(4e-6f, 1e-5f, 1e-5f);
  amp_.setAntennaSwr(0, 2.0f);
  amp_.setDrive(4);
  amp_.setTransmit(true);
  startLink();
  ASSERT_TRUE(waitCommands(0, 8));
  sim::AmpModel m = amp_.model();
  EXPECT_NEAR(w_->pwrFwd, m.outputW(), 0.5);
  EXPECT_NEAR(w_->swrValue, 2.0, 0.05);
  EXPECT_NEAR(w_->pwrIn, 4.0, 0.05);
  EXPECT_EQ(w_->ampStatus[1] & 1, 1);
  EXPECT_EQ(w_->ampFreq, 14070000);
}

// A sensor reading beyond the converter's range is a damaged or shorted
// sensor, never a cold one: it must trip the over-temperature protection and
// run the fan flat out. Only the open divider itself (4095) reads cold.
TEST_F(Link, OpenSensorWarnsAndAReadingBeyondTheConverterRaisesTheAlarm) {
  w_->ventolaTab = {{30, 20}, {40, 50}, {50, 100}};
  w_->ventolaRows = 3;
  ASSERT_FLOAT_EQ(w_->MaxTemperature, 60);
  amp_.setSensorRaw(1, 4095);
  startLink();
  ASSERT_TRUE(waitCommands(0, 12));
  // Full scale is an open divider: a warning that names the sensor, not a
  // cold heat sink.
  EXPECT_FLOAT_EQ(w_->paTemp1, 0);
  EXPECT_FALSE(ExistError(w_.get(), kErrTemp1Alarm));
  EXPECT_TRUE(ExistError(w_.get(), kErrTemp1Warn));
  EXPECT_STREQ(GetErrorDescriptor(w_.get(), kErrTemp1Warn).line2, "1 open");
  const Texts cold = withoutPolls(amp_.texts());
  for (const char* absent : {"MP1;", "AT11;", "AB0;"})
    EXPECT_EQ(std::count(cold.begin(), cold.end(), absent), 0) << absent;

  const size_t from = amp_.received().size();
  amp_.setSensorRaw(1, 5000);
  ASSERT_TRUE(waitLine("TEMP ALLARM"));
  ASSERT_TRUE(amp_.waitFor(
      [&](const auto&) {
        const Texts t = amp_.texts(from);
        return std::find(t.begin(), t.end(), "AB0;") != t.end() && std::find(t.begin(), t.end(), "FN1100;") != t.end();
      },
      5000))
      << ::testing::PrintToString(withoutPolls(amp_.texts(from)));
  const Texts hot = withoutPolls(amp_.texts(from));
  // Protections on with both pads, the amplifier back in line, the fan at its top row.
  auto at = [&](const char* text) { return std::find(hot.begin(), hot.end(), text) - hot.begin(); };
  EXPECT_LT(at("MP1;"), at("AT11;"));
  EXPECT_LT(at("AT11;"), static_cast<long>(hot.size()));
  EXPECT_EQ(std::count(hot.begin(), hot.end(), "AB0;"), 1);
  EXPECT_TRUE(ExistError(w_.get(), kErrTemp1Alarm));
  EXPECT_FALSE(ExistError(w_.get(), kErrTemp1Warn));
  EXPECT_GT(w_->paTemp1, 60);
  EXPECT_STREQ(GetErrorDescriptor(w_.get(), kErrTemp1Warn).line2, "temperature");
  EXPECT_EQ(w_->fanPercentSent, 100);
  sim::AmpModel m = amp_.model();
  EXPECT_TRUE(m.protectionsOn);
  EXPECT_EQ(m.attenuator, 3);
  EXPECT_EQ(m.fanPercent, 100);
}

TEST_F(Link, UnopenablePortSetsTheLinkFault) {
  std::strcpy(w_.setup->LinPort, "/dev/ttyNONE");
  startLink();
  ASSERT_TRUE(waitLine("Unable to open device /dev/ttyNONE"));
  EXPECT_EQ(w_->linkFault, 1);
  std::lock_guard lock(w_->linkFaultMutex);
  EXPECT_STREQ(w_->linkFaultText, "Linear: Unable to open device /dev/ttyNONE");
}

// A port that appears after start (a USB adapter plugged in late) is taken up
// by the link on its own, and the failed-link fault clears.
TEST_F(Link, PortThatAppearsLaterIsOpenedWithoutARestart) {
  std::strcpy(w_.setup->LinPort, "/dev/ttyLATE");
  startLink();
  ASSERT_TRUE(waitLine("Unable to open device /dev/ttyLATE"));
  EXPECT_EQ(w_->linkFault, 1);
  ASSERT_TRUE(amp_.linkSlaveTo(host("/dev/ttyLATE")));
  ASSERT_TRUE(waitCommands(0, 4, 8000));
  EXPECT_EQ(amp_.texts()[0], "ST;");
  EXPECT_EQ(w_->linkFault, 0);
  EXPECT_TRUE(waitLine("OK works->linFD="));
}

// The Retry key does not wait for the next periodic attempt.
TEST_F(Link, ReopenRequestOpensThePortAtOnce) {
  std::strcpy(w_.setup->LinPort, "/dev/ttyLATE");
  startLink();
  ASSERT_TRUE(waitLine("Unable to open device /dev/ttyLATE"));
  ASSERT_TRUE(amp_.linkSlaveTo(host("/dev/ttyLATE")));
  const int64_t asked = platform::monotonicMs();
  RequestLinearReopen(w_.get());
  ASSERT_TRUE(waitCommands(0, 2, 2000));
  EXPECT_LT(platform::monotonicMs() - asked, 2000);
  EXPECT_EQ(w_->linkFault, 0);
  // A request while the port is open changes nothing.
  const int opened = countLines("OK works->linFD=");
  EXPECT_GE(opened, 1);
  RequestLinearReopen(w_.get());
  const size_t from = amp_.received().size();
  ASSERT_TRUE(waitCommands(from, 6));
  EXPECT_EQ(countLines("OK works->linFD="), opened);
  EXPECT_EQ(countLines("Unable to open device"), 2);  // the first attempt, on standard error and the log
}
