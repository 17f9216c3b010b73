// The automatic tune run step by step against scripted and modelled loads:
// one call of TuneTask per status reply, the reply measuring the word the
// previous step left for the link to send.
#include "tune/autotune.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <vector>

#include "amp/amp_commands.h"
#include "amp/errors.h"
#include "amp_test_support.h"
#include "tables/table_io.h"
#include "tables/tuner_memory.h"
#include "tune/autotune_control.h"
#include "tune/fast_search.h"
#include "tune/tune_records.h"
#include "tune/tune_word.h"

namespace {

constexpr uint32_t kFreq = 14070000;

class Autotune : public AmpTest {
 protected:
  void SetUp() override {
    AmpTest::SetUp();
    w_->freq = kFreq;
    w_->NumBanco = 2;
    w_->antennaIndex = 1;
    w_->AutoTuneMode = kAtmEnabled;
    w_->AutoTuneMaxCicli = 0;
    w_->SWRescAutoTune = 0;
    w_->ModeWorkIdx = 0;
    carrier(true);
  }

  void carrier(bool on, float watts = 50) {
    w_->ampStatus[1] = on ? 0x01 : 0x00;
    fwd_ = on ? watts : 0;
  }

  void start() {
    StartAutotune(w_.get());
    w_->cmdQueueActive = 0;  // the link has sent the start's commands
    drainCommands();
  }

  // One status reply measuring the word in effect, then one step.
  void poll() {
    const bool measures = w_->tunerRunning && w_->tuneStepNo >= 3 && !w_->cmdQueueActive &&
                          CopyTuneRecords().cnttune < TuneMeasurementLimit(w_.get());
    w_->swrValue = load_(w_->tuneWord);
    if (measures) ++measured_;
    w_->pwrFwd = fwd_;
    TuneTask(w_.get());
    if (w_->tunerRunning == 2) w_->tunerRunning = 1;  // the link clears the fault
    ++polls_;
  }

  // Polls until the tune ends; the number of polls.
  int run(int most = 5000) {
    for (int i = 0; i < most && w_->tunerRunning; ++i) poll();
    return polls_;
  }

  int measurements() const { return measured_; }
  bool stored() { return fileExists(host(tables::tuneMemPath(2, 1))); }
  static bool fileExists(const std::string& p) { return std::ifstream(p).good(); }
  bool hasError(int code) { return ExistError(w_.get(), code) == 1; }

  // Loads that count their measurements.
  void flat(float swr) {
    load_ = [swr](uint32_t) { return swr; };
  }
  void script(std::vector<float> readings) {
    load_ = [this, readings](uint32_t) {
      return readings[std::min<size_t>(measured_, readings.size() - 1)];
    };
  }

  std::function<float(uint32_t)> load_;
  float fwd_ = 50;
  int polls_ = 0;
  int measured_ = 0;
};

TEST_F(Autotune, PerfectLoadEndsAtTheFirstMeasurementAndIsStored) {
  w_->SWRescAutoTune = 1.5f;
  flat(1.0f);
  start();
  run();
  EXPECT_EQ(measurements(), 1);
  EXPECT_EQ(w_->tunerRunning, 0);
  EXPECT_TRUE(stored());
  // The first setting tried is "CL" with nothing switched in.
  EXPECT_EQ(DecodeModoFromTuneval(w_->tuneWord), 1);
  EXPECT_EQ(w_->tuneL, 0);
  EXPECT_EQ(w_->tuneC, 0);
  // The attenuation and the band's thresholds come back at the end.
  EXPECT_EQ(drainCommands(), (std::vector<int>{kCmdAttenuator, kCmdThresholds}));
}

TEST_F(Autotune, WithoutATargetThePerfectLoadRunsTheWholeSequence) {
  flat(1.0f);
  start();
  run();
  // Every reading equals the one before, so every climb runs to the top.
  EXPECT_EQ(measurements(), 561);
  EXPECT_EQ(w_->tuneStepNo, 12);
  EXPECT_TRUE(stored());
  EXPECT_FALSE(hasError(kErrTuneMaxSwr));
}

TEST_F(Autotune, AReadingAtTheTargetDoesNotEndTheTune) {
  w_->SWRescAutoTune = 1.5f;
  script({2.0f, 1.5f, 1.4f});
  start();
  run();
  EXPECT_EQ(measurements(), 3);
}

TEST_F(Autotune, ARiseOfExactlyTheMarginCountsAsBetter) {
  struct {
    std::vector<float> readings;
    std::vector<int> inductance;  // L after each measurement of the coarse climb
  } cases[] = {
      {{2.0f, 2.1f, 2.2f, 2.3f, 9.0f}, {4, 8, 12, 16, 15}},
      {{2.0f, 2.11f}, {4, 3}},
      {{5.0f, 5.1f, 5.2001f}, {4, 8, 7}},
      {{99.9f, 100.0f, 100.0f}, {4, 8, 12}},
  };
  for (const auto& c : cases) {
    Clr_vTuneParam(w_.get());
    measured_ = 0;
    script(c.readings);
    start();
    while (w_->tuneStepNo < 3) poll();
    std::vector<int> seen;
    for (size_t i = 0; i < c.inductance.size(); ++i) {
      poll();
      seen.push_back(w_->tuneL);
    }
    EXPECT_EQ(seen, c.inductance) << c.readings[1];
    EscAutoTune(w_.get(), 0);
  }
}

TEST_F(Autotune, BestSwrOfSixIsStoredAndAboveIsAnError) {
  for (float swr : {6.0f, 6.01f}) {
    SCOPED_TRACE(swr);
    std::remove(host(tables::tuneMemPath(2, 1)).c_str());
    flat(swr);
    start();
    run();
    EXPECT_EQ(stored(), swr <= 6.0f);
    EXPECT_EQ(hasError(kErrTuneMaxSwr), swr > 6.0f);
  }
}

TEST_F(Autotune, EveryReadingAHundredEndsOnTheLimitOrWithError18) {
  struct {
    int maxCicli;
    float target;
    int measured, error;
  } cases[] = {
      {0, 0, 561, kErrTuneMaxSwr},  // 600 allows the whole sequence
      {1, 0, 400, kErrTuneTimeout},
      {1, 1.5f, 400, kErrTuneSwr},
      {4, 0, 100, kErrTuneTimeout},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.maxCicli);
    for (int code = 0; code < 25; ++code) DeleteErrore(w_.get(), code);
    w_->AutoTuneMaxCicli = c.maxCicli;
    w_->SWRescAutoTune = c.target;
    measured_ = 0;
    flat(100.0f);
    start();
    run();
    EXPECT_EQ(measurements(), c.measured);
    EXPECT_TRUE(hasError(c.error));
    EXPECT_FALSE(stored());
    std::vector<int> cmds = drainCommands();
    if (c.error != kErrTuneMaxSwr) {
      // Protections back on after a tune that ran out of time.
      EXPECT_NE(std::find(cmds.begin(), cmds.end(), kCmdProtectionsOn), cmds.end());
    }
  }
}

TEST_F(Autotune, WaitsForTheCarrierWithoutCountingMeasurements) {
  struct {
    int type;
    bool tx;
    float watts;
    int extTx;
    bool proceeds;
  } cases[] = {
      {0, false, 0, 0, false}, {0, true, 3, 0, false}, {0, true, 10, 0, true}, {2, true, 10, 0, true},
      {1, true, 100, 0, false},  // the companion transceiver reports its own transmit state
      {1, false, 0, 1, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.type * 100 + c.watts);
    w_->ModeWorkIdx = c.type;
    w_->extTx = c.extTx;
    carrier(c.tx, c.watts);
    measured_ = 0;
    flat(3.0f);
    start();
    for (int i = 0; i < 50; ++i) poll();
    EXPECT_EQ(w_->tuneStepNo > 2, c.proceeds);
    EXPECT_EQ(CopyTuneRecords().cnttune, c.proceeds ? 47 : 0);
    EscAutoTune(w_.get(), 0);
  }
}

TEST_F(Autotune, AFaultReadsAsAHundredAndLetsTheLinkClearIt) {
  flat(1.2f);
  start();
  while (w_->tuneStepNo < 3) poll();
  w_->ampStatus[1] = 0x03;
  w_->swrValue = 1.2f;
  TuneTask(w_.get());
  EXPECT_EQ(w_->tunerRunning, 2);
  EXPECT_FLOAT_EQ(CopyTuneRecords().tuneParam.swr, 100.0f);
}

TEST_F(Autotune, AbortKeepsTheLastSettingAndStoresNothing) {
  flat(3.0f);
  start();
  EscAutoTune(w_.get(), 0);  // before any measurement: nothing to judge
  EXPECT_FALSE(hasError(kErrTuneMaxSwr));
  start();
  for (int i = 0; i < 20; ++i) poll();
  const uint32_t word = w_->tuneWord;
  GoTune(w_.get());  // the tune key while running
  EXPECT_EQ(w_->tunerRunning, 0);
  EXPECT_EQ(w_->tuneWord, word);
  EXPECT_FALSE(stored());
  EXPECT_GE(w_->sogliaIdx, 0);  // the thresholds were selected again
  EXPECT_TRUE(w_->AutoTuneMode & kAtmEnded);
  poll();  // a status reply already on its way runs no step
  EXPECT_EQ(w_->tuneWord, word);
}

// A load whose SWR falls steadily towards one setting of one network, steeply
// enough that every coarse step away from it reads clearly worse.
float bowl(uint32_t word, int mode, int l, int c) {
  const int m = DecodeModoFromTuneval(word);
  const double dl = DecodeInduttanzaFromTuneval(word) - l, dc = DecodeCapacitaFromTuneval(word) - c;
  const double base = m == mode ? 1.05 : 2.5;
  return static_cast<float>(base + std::abs(dl) / 4 + std::abs(dc) / 8);
}

TEST_F(Autotune, FindsAndAppliesTheBestOfBothNetworks) {
  struct {
    int mode, l, c;
  } cases[] = {{1, 60, 90}, {2, 30, 200}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    load_ = [c](uint32_t word) { return bowl(word, c.mode, c.l, c.c); };
    start();
    run();
    EXPECT_EQ(DecodeModoFromTuneval(w_->tuneWord), c.mode);
    EXPECT_LT(bowl(w_->tuneWord, c.mode, c.l, c.c), 1.3f);
    EXPECT_EQ(w_->tuneL, DecodeInduttanzaFromTuneval(w_->tuneWord));
    EXPECT_EQ(w_->tuneC, DecodeCapacitaFromTuneval(w_->tuneWord));
    // The stored slot holds the applied setting.
    TuneMemEntry e{};
    int32_t s, t;
    int first, end;
    LoadTuneValFromTabRam(&e, AtuIdxSearch(kFreq, &s, &t, &first, &end), 1, w_.get());
    EXPECT_EQ(e.valid, 1);
    EXPECT_EQ(e.L, w_->tuneL);
    EXPECT_EQ(e.C, w_->tuneC);
    EXPECT_EQ(e.mode, c.mode);
  }
}

}  // namespace

namespace {

TEST_F(Autotune, FastSearchFindsTheBestWithinItsBudget) {
  w_->TuneSearch = 1;
  struct {
    int mode, l, c;
  } cases[] = {{1, 60, 90}, {2, 30, 200}, {2, 400, 7}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.l);
    measured_ = 0;
    load_ = [c](uint32_t word) { return bowl(word, c.mode, c.l, c.c); };
    start();
    run();
    EXPECT_LE(measurements(), kFastSearchBudget + 1);  // and the last look at the best
    EXPECT_EQ(DecodeModoFromTuneval(w_->tuneWord), c.mode);
    EXPECT_LT(bowl(w_->tuneWord, c.mode, c.l, c.c), 1.3f);
    EXPECT_TRUE(stored());
  }
}

TEST_F(Autotune, FastSearchStartsFromAStoredNeighbour) {
  w_->TuneSearch = 1;
  const auto load = [](uint32_t word) { return bowl(word, 2, 120, 44); };
  load_ = load;
  start();
  run();
  const int first = measurements();
  // A few kilohertz up, in the next slot: the stored setting is nearly right.
  w_->freq = kFreq + 20000;
  load_ = [](uint32_t word) { return bowl(word, 2, 121, 45); };
  measured_ = 0;
  start();
  run();
  EXPECT_LT(measurements(), first / 2);
  EXPECT_LT(bowl(w_->tuneWord, 2, 121, 45), 1.3f);
}

}  // namespace
