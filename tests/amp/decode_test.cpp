#include <cmath>
#include <limits>
// Reply decoding: status conversion, status bits and their errors, the other
// replies, and short or malformed frames.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "amp/cmd_ring.h"
#include "amp/decode_reply.h"
#include "amp/errors.h"
#include "amp/link_state.h"
#include "amp/temperature.h"
#include "state/init_globals.h"
#include "amp_test_support.h"
#include "works_fixture.h"

namespace {

std::string status(int s0, int s1, int in, int fwd, int refl, int cur, int t1, int t2, int s2, int peak = 0) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "ST%X%X%04d%04d%04d%04d%04d%04d%X%X00%04d;", s0, s1, in, fwd, refl, cur, t1, t2,
                s2 & 0xF, s2 >> 4, peak);
  return buf;
}

class Decode : public AmpTest {
 protected:
  void SetUp() override {
    AmpTest::SetUp();
    ConfigRow row;
    row.startFreq = 1000000;
    row.kIn = 1e-5f;
    row.kFwd = 1e-4f;
    row.kRefl = 1e-4f;
    ConfigRow end = row;
    end.startFreq = 60000000;
    w_->configTab = {row, end};
    w_->configRows = 2;
  }
  // Decodes `text` as the reply of the command in flight.
  void decode(const std::string& text) {
    if (text.size() >= 2) {
      w_->lastCmdEcho[0] = text[0];
      w_->lastCmdEcho[1] = text[1];
    }
    DecodeCatCmd(w_.get(), text.c_str(), static_cast<int>(text.size()));
  }
  bool has(int code) { return ExistError(w_.get(), code) == 1; }
};

}  // namespace

TEST(Swr, EveryCase) {
  struct Case {
    float fwd, refl, swr;
  } cases[] = {
      {0, 0, 0},            // no power: no SWR
      {0.2f, 0.4f, 0},      // below the forward floor, little reflected
      {0.2f, 0.6f, 100},    // reflected without forward
      {10, 20, 100},        // reflected above forward
      {10, 10, 100},        // r = 1
      {100, 0, 1},          // perfect load
      {100, 11.11111f, 2},  // r = 1/3
      {100, 25, 3},         // r = 1/2
  };
  for (const Case& c : cases) EXPECT_NEAR(CalcolaSWR(c.fwd, c.refl), c.swr, 1e-3) << c.fwd << " " << c.refl;
}

TEST_F(Decode, PowersAndNextState) {
  decode(status(0, 1, 1000, 800, 200, 2048, 2048, 2048, 0));
  EXPECT_EQ(w_->rawPwrIn, 1000);
  EXPECT_NEAR(w_->pwrIn, 10.0, 1e-3);
  EXPECT_NEAR(w_->pwrFwd, 64.0, 1e-3);
  EXPECT_NEAR(w_->pwrRefl, 4.0, 1e-3);
  EXPECT_NEAR(w_->swrValue, 1.6667, 1e-3);
  EXPECT_EQ(w_->ampCurrentRaw, 2048);
  EXPECT_EQ(pendingCmd, 8);  // empty ring: "FM;" next
}

TEST_F(Decode, NegativeReflectedAfterCorrectionIsZero) {
  w_->configTab[0].kReflCorr = -0.5f;
  decode(status(0, 1, 0, 800, 100, 0, 2048, 2048, 0));
  EXPECT_EQ(w_->pwrRefl, 0.0f);
  EXPECT_NEAR(w_->swrValue, 1.0, 1e-4);
}

TEST_F(Decode, InfiniteCalibrationTimesZeroReadingIsZeroWatts) {
  // A calibration point of 0 W at reading 0 gives an infinite factor.
  w_->configTab[0].kFwd = std::numeric_limits<float>::infinity();
  w_->configTab[0].kIn = std::numeric_limits<float>::infinity();
  decode(status(0, 1, 0, 0, 0, 0, 2048, 2048, 0));
  EXPECT_EQ(w_->pwrFwd, 0.0f);
  EXPECT_EQ(w_->pwrIn, 0.0f);
  EXPECT_FALSE(std::isnan(w_->pwrRefl.load()));
  EXPECT_FALSE(std::isnan(w_->swrValue.load()));
}

TEST_F(Decode, TemperaturesStartUnsmoothedThenAverage) {
  decode(status(0, 0, 0, 0, 0, 0, 2048, 2048, 0));
  float first = w_->paTemp1;
  EXPECT_NEAR(first, CalcolaTemp(2048), 1e-4);
  decode(status(0, 0, 0, 0, 0, 0, 2048, 2048, 0));
  EXPECT_FLOAT_EQ(w_->paTemp1, first);
  decode(status(0, 0, 0, 0, 0, 0, 1500, 2048, 0));
  EXPECT_NEAR(w_->paTemp1, (9 * first + CalcolaTemp(1500)) / 10, 1e-4);
}

// A reading that does not change must not move the smoothed value either,
// or the shown temperature drifts while the sensor stands still.
TEST_F(Decode, UnchangedReadingLeavesTheSmoothedTemperatureExactlyAsItWas) {
  linkPausesOn = false;
  int moved = 0;
  for (int raw = 0; raw <= 4095; ++raw) {
    const float t = CalcolaTemp(raw);
    w_->paTemp1 = t;
    w_->paTemp2 = t;
    decode(status(0, 0, 0, 0, 0, 0, raw, raw, 0));
    if (w_->paTemp1 != t || w_->paTemp2 != t) ++moved;
  }
  linkPausesOn = true;
  EXPECT_EQ(moved, 0);
}

TEST_F(Decode, StatusBitsAndTheirErrors) {
  struct Case {
    const char* name;
    int s1, s2;
    std::vector<int> raised, absent;
    const char* detail;
  } cases[] = {
      {"high SWR", 0x2, 0, {kErrHighSwr}, {kErrProtection}, nullptr},
      {"I OUT", 0, 0x01, {kErrProtection}, {kErrBand}, "I OUT"},
      {"REFL", 0, 0x02, {kErrProtection}, {}, "REFL"},
      {"FWD", 0, 0x04, {kErrProtection}, {}, "FWD"},
      {"SENS PW wins over I OUT", 0, 0x09, {kErrProtection}, {}, "SENS PW"},
      {"FILTER TX", 0, 0x10, {kErrProtection}, {}, "FILTER TX"},
      {"band fault only", 0, 0x42, {kErrBand}, {kErrProtection}, nullptr},
      {"input power needs AN1", 0, 0x20, {}, {kErrPwrIn}, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (int code = 0; code < 25; ++code) DeleteErrore(w_.get(), code);
    decode(status(0, c.s1, 0, 0, 0, 0, 2048, 2048, c.s2));
    for (int code : c.raised) EXPECT_TRUE(has(code)) << code;
    for (int code : c.absent) EXPECT_FALSE(has(code)) << code;
    if (c.detail) {
      EXPECT_STREQ(GetErrorDescriptor(w_.get(), kErrProtection).line2, c.detail);
    }
  }
  // The bits clearing clear their errors.
  decode(status(0, 0, 0, 0, 0, 0, 2048, 2048, 0));
  EXPECT_FALSE(has(kErrProtection));
  w_->anMode = 1;
  decode(status(0, 0, 0, 0, 0, 0, 2048, 2048, 0x20));
  EXPECT_TRUE(has(kErrPwrIn));
}

TEST_F(Decode, MicroResetNeedsTheArmedFlag) {
  decode(status(0, 0, 0, 0, 0, 0, 2048, 2048, 0x80));
  EXPECT_FALSE(has(kErrMicroReset));
  decode("MR0;");
  EXPECT_EQ(w_->microResetArmed, 1);
  decode(status(0, 0, 0, 0, 0, 0, 2048, 2048, 0x80));
  EXPECT_TRUE(has(kErrMicroReset));
}

TEST_F(Decode, BypassFollowsTheAmplifierOnlyAgainstTheCommand) {
  w_->ampBypass = 0;
  w_->bypassCmd = 1;
  decode(status(0, 0x8, 0, 0, 0, 0, 2048, 2048, 0));
  EXPECT_EQ(w_->ampBypass, 1);
  w_->bypassCmd = 0;
  decode(status(0, 0, 0, 0, 0, 0, 2048, 2048, 0));
  EXPECT_EQ(w_->ampBypass, 0);
}

TEST_F(Decode, CommErrorResynchronisesTheAttenuator) {
  AddErrore(w_.get(), kErrComm);
  w_->Attenuator = 0;
  decode(status(0xC, 0, 0, 0, 0, 0, 2048, 2048, 0));
  EXPECT_EQ(w_->Attenuator, 3);
  decode(status(0x8, 0, 0, 0, 0, 0, 2048, 2048, 0));
  EXPECT_EQ(w_->Attenuator, 2);
}

TEST_F(Decode, QueuedCodeFollowsTheStatusReply) {
  IncPNTIn_CMDLinear(22, w_.get());
  decode(status(0, 0, 0, 0, 0, 0, 2048, 2048, 0));
  EXPECT_EQ(pendingCmd, 22);
  w_->tunerRunning = 2;
  decode(status(0, 0, 0, 0, 0, 0, 2048, 2048, 0));
  EXPECT_EQ(pendingCmd, 13);
  EXPECT_EQ(w_->tunerRunning, 1);
}

TEST_F(Decode, PeakForwardIsLimitedByVariant) {
  w_->EnablePwrPeak = 1;
  w_->ampVariant = '0';
  decode(status(0, 1, 0, 0, 0, 0, 2048, 2048, 0, 1000));
  EXPECT_FLOAT_EQ(w_->pwrFwdPeak, 70.0f);
  w_->ampVariant = '1';
  decode(status(0, 1, 0, 0, 0, 0, 2048, 2048, 0, 1000));
  EXPECT_FLOAT_EQ(w_->pwrFwdPeak, 100.0f);
}

TEST_F(Decode, OtherReplies) {
  decode("SA3;");
  EXPECT_EQ(w_->antennaIndex, 2);
  decode("FM000007050000;");
  EXPECT_EQ(w_->ampFreq, 7050000);
  decode("FM000000000000;");
  EXPECT_EQ(w_->ampFreq, 7050000);  // zero is no measurement
  decode("VSMV1.05.3;");
  EXPECT_STREQ(w_->ampVersion, "V1.05.3");
  decode("AN1;");
  EXPECT_EQ(w_->anMode, 1);
  decode("AB1;");
  EXPECT_EQ(w_->ampBypass, 1);
  std::string block0 = "ER0000";
  for (int i = 0; i < 32; ++i) block0 += i % 2 ? "A5" : "0F";
  decode(block0 + ";");
  EXPECT_EQ(w_->eeBlock0[0], 0x0F);
  EXPECT_EQ(w_->eeBlock0[31], 0xA5);
  decode("ER00020131" + std::string(60, '0') + ";");
  EXPECT_EQ(w_->ampType, 1);
  EXPECT_EQ(w_->ampVariant, 0x31);
  EXPECT_EQ(w_->number_ofStep_meter_FWD, 120);
  w_->errorsMuted = 1;
  decode("CPFFFF;");
  EXPECT_EQ(w_->errorsMuted, 0);
  EXPECT_EQ(pendingCmd, 1);
}

TEST_F(Decode, RejectedAndUnknownRepliesRetry) {
  w_->lastCmdState = 22;
  w_->retryCount = 0;
  decode("TS?;");
  EXPECT_EQ(pendingCmd, 22);
  EXPECT_EQ(w_->retryCount, 1);
  decode("QQ12;");
  EXPECT_EQ(pendingCmd, 22);
  EXPECT_EQ(w_->retryCount, 2);
}

TEST_F(Decode, ShortAndMalformedFramesReadOnlyWhatArrived) {
  decode(status(0, 0, 100, 200, 0, 0, 2048, 2048, 0));
  float t1 = w_->paTemp1;
  // A status of 10 characters: the powers that arrived, nothing past them.
  decode("ST01000100;");
  EXPECT_EQ(w_->rawPwrIn, 1);
  EXPECT_EQ(w_->rawFwd, 200);
  EXPECT_FLOAT_EQ(w_->paTemp1, t1);
  EXPECT_EQ(pendingCmd, 8);
  // Data blocks and settings with too few digits.
  w_->ampType = 255;
  decode("ER00020;");
  EXPECT_EQ(w_->ampType, 255);
  decode("ER0000A5;");
  EXPECT_EQ(w_->eeBlock0[0], 0xA5);
  decode("GS12345;");
  EXPECT_STREQ(w_->gsString, "12345");
  decode("VS;");
  decode("SA;");
  decode("FM12;");
  decode("ER;");
  // Non-hexadecimal status digits read as 255.
  decode("STZZ000000000000000000000000ZZ000000;");
  EXPECT_EQ(w_->ampStatus[0], 255);
  EXPECT_EQ(w_->ampStatus[2], 0xEF);
}
