#include "tables/config_table.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "amp_test_support.h"
#include "sample_tables.h"
#include "state/works.h"

using ::testing::ElementsAre;

namespace {

// Three segments: 3.5-7, 7-14 and 14-21 MHz (the 21 MHz row only closes them).
// Calibrations chosen so the thresholds come out round.
const char* kThreeBands =
    "; start end fwdP fwdR reflP reflR inP inR corr PWIN A REFL FWD L0 C0 L1 C1 L2 C2 L3 C3 L4 C4 step\n"
    "3500000 6999999 100 4000 25 2000 4 1000 -0.01 9 12.69 16 64 1 2 3 4 5 6 7 8 9 10 11\n"
    "7000000 13999999 100 5000 25 2500 4 2000 -0.02 1 14.05 4 25 0 0 0 0 0 0 0 0 0 0 0\n"
    "14000000 20999999 50 5000 10 1000 1 1000 0.5 2 5 3 4 0 0 0 0 0 0 0 0 0 0 0\n"
    "21000000 30000000 1 1 1 1 1 1 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0\n";

class ConfigTableTest : public AmpTest {
 protected:
  void load(const std::string& text) {
    writeHost("/opt/set/config.txt", text);
    ReadConfigFile(w_.get());
  }
  void select(uint32_t freq) {
    w_->freq = freq;
    SearchCambioSoglie_TS(w_.get());
  }
  std::vector<int> thresholds() { return {w_->sogliaPWIN, w_->sogliaFWD, w_->sogliaREFL, w_->sogliaCorrente}; }
};

TEST(ConfigParse, FrequencyNotationsOnlyInTheFrequencyFields) {
  struct Case {
    const char* line;
    uint32_t start, end;
    float kReflCorr;
    float maxPWIN;
  } cases[] = {
      {"7000000 7300000 0 1 0 1 0 1 0.5 9", 7000000, 7300000, 0.5f, 9},
      {"0x6ACFC0 0X6B6A00 0 1 0 1 0 1 0.5 9", 7000000, 7039488, 0.5f, 9},
      {"032547700 7 0 1 0 1 0 1 0.5 9", 7000000, 7, 0.5f, 9},       // octal
      {"  \t7000000\t\t7 0 1 0 1 0 1 0.5 9", 7000000, 7, 0.5f, 9},  // tabs
      {"7000000 7 0 1 0 1 0 1 0x10 9", 7000000, 7, 0, 0},           // no hex here: stops
      {"7000000 7 0 1 0 1 0 1 .25 -3e1", 7000000, 7, 0.25f, -30},
      {"7000000 7 0 1 0 1 0 1 inf 9", 7000000, 7, 0, 0},         // words read 0
      {"-5 99999999999 0 1 0 1 0 1 1 1", 0, 4294967295u, 1, 1},  // limited
      {"", 0, 0, 0, 0},
      {"7000000", 7000000, 0, 0, 0},  // the rest is missing
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    ConfigRow r = ParseConfigLine(c.line);
    EXPECT_EQ(r.startFreq, c.start);
    EXPECT_EQ(r.endFreq, c.end);
    EXPECT_FLOAT_EQ(r.kReflCorr, c.kReflCorr);
    EXPECT_FLOAT_EQ(r.maxPWIN, c.maxPWIN);
  }
}

TEST(ConfigParse, CoefficientsStartPointsAndStep) {
  ConfigRow r = ParseConfigLine("1 2 80 4000 20 2000 5 1000 -0.007 8 12.5 20 85 10 11 20 21 30 31 40 41 50 51 -4");
  EXPECT_FLOAT_EQ(r.kFwd, 80.0f / 16e6f);
  EXPECT_FLOAT_EQ(r.kRefl, 20.0f / 4e6f);
  EXPECT_FLOAT_EQ(r.kIn, 5.0f / 1e6f);
  EXPECT_FLOAT_EQ(r.maxCorrente, 12.5f);
  EXPECT_FLOAT_EQ(r.maxFWD, 85);
  EXPECT_THAT(r.startL, ElementsAre(10, 20, 30, 40, 50));
  EXPECT_THAT(r.startC, ElementsAre(11, 21, 31, 41, 51));
  EXPECT_EQ(r.startStep, -4);
  // A zero reading gives an infinite coefficient, also with a zero power.
  ConfigRow zero = ParseConfigLine("1 2 0 0 5 0");
  EXPECT_TRUE(std::isinf(zero.kFwd));
  EXPECT_TRUE(std::isinf(zero.kRefl));
  EXPECT_TRUE(std::isinf(zero.kIn));
}

TEST(ConfigParse, LinesCommentsAndLineEnds) {
  std::string longLine = "7000000 8000000 " + std::string(400, '1');
  auto rows = ParseConfigText("; comment\r\n1000 2000\r\n\n;x\n3000 4000 0 1 0 1 0 1 7\r\n" + longLine + "\n5000");
  // A blank line is no row: it would start a segment at 0 Hz.
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0].startFreq, 1000u);
  EXPECT_FLOAT_EQ(rows[1].kReflCorr, 7);
  EXPECT_EQ(rows[2].startFreq, 7000000u);
  EXPECT_EQ(rows[3].startFreq, 5000u);  // last line without a line feed
  // Rows cut short keep their place but are not usable.
  for (const ConfigRow& r : rows) EXPECT_FALSE(r.usable);
}

TEST_F(ConfigTableTest, ReadingLogsEveryRowAndTheCount) {
  LogCapture log;
  load(kThreeBands);
  ASSERT_EQ(w_->configRows, 4);
  ASSERT_EQ(w_->configTab.size(), 4u);
  EXPECT_TRUE(log.has("2: N row Config File 4 \n"));
  EXPECT_TRUE(
      log.has("2: ->3500000,6999999,0.0000062,0.0000062,0.0000040,-0.0100000 (4.00,1000.00) Soglie: PWIN 9.0, "
              "Corrente: 12.7, REFL: 16.0, FWD: 64.0\n"));
  EXPECT_TRUE(log.has("2: \ttunepar: 1 2, 3 4, 5 6, 7 8, 9 10, step:11\n"));
}

TEST_F(ConfigTableTest, MissingFileLeavesDefaults) {
  LogCapture log;
  w_->configRows = 7;
  ReadConfigFile(w_.get());
  EXPECT_EQ(w_->configRows, 0);
  EXPECT_TRUE(log.has("2: Config File not FOUND!!"));
  EXPECT_FALSE(log.has("2: Config File not FOUND!!\n"));
  EXPECT_TRUE(log.has("E: can't open /opt/set/config.txt"));
  const float defaults[] = {5.156579e-6f, 3.3262754e-6f, 5.5078103e-6f, -0.007f, 1, 1};
  const int kinds[] = {0, 1, 2, 3, 4, -1};
  for (int i = 0; i < 6; ++i) EXPECT_FLOAT_EQ(SearchK(w_.get(), kinds[i]), defaults[i]) << kinds[i];
}

TEST_F(ConfigTableTest, CommentOnlyFileHasNoRows) {
  load("; nothing here\n;\n");
  EXPECT_EQ(w_->configRows, 0);
  EXPECT_FLOAT_EQ(SearchK(w_.get(), kKFwd), 5.156579e-6f);
}

TEST_F(ConfigTableTest, SingleRowIsNeverSelected) {
  load("7000000 7300000 100 4000 25 2000 4 1000 -0.01 9 12.69 16 64\n");
  ASSERT_EQ(w_->configRows, 1);
  for (int kind = 0; kind < 4; ++kind) EXPECT_FLOAT_EQ(SearchK(w_.get(), kind), 1);
  select(7100000);
  EXPECT_TRUE(drainCommands().empty());
  EXPECT_EQ(w_->sogliaIdx, -1);
  EXPECT_THAT(thresholds(), ElementsAre(4095, 4095, 1500, 3700));
}

TEST_F(ConfigTableTest, SegmentBordersAndCoefficientLookup) {
  load(kThreeBands);
  struct Case {
    uint32_t freq;
    int row;
    float kFwd, kReflCorr;
  } cases[] = {
      {3499999, -1, 1, 1},
      {3500000, 0, 100.0f / 16e6f, -0.01f},
      {6999999, 0, 100.0f / 16e6f, -0.01f},
      {7000000, 1, 4e-6f, -0.02f},
      {13999999, 1, 4e-6f, -0.02f},
      {14000000, 2, 2e-6f, 0.5f},
      {20999999, 2, 2e-6f, 0.5f},
      {21000000, -1, 1, 1},
      {50000000, -1, 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.freq);
    EXPECT_EQ(ConfigRowFor(w_->configTab, c.freq), c.row);
    w_->freq = c.freq;
    EXPECT_FLOAT_EQ(SearchK(w_.get(), kKFwd), c.kFwd);
    EXPECT_FLOAT_EQ(SearchK(w_.get(), kKReflCorr), c.kReflCorr);
  }
}

TEST_F(ConfigTableTest, OverlappingRowsLastCoveringRowWinsTheCoefficient) {
  // Out of order: row 0 covers 7..10 MHz, row 2 covers 7..8 MHz as well.
  const char* rest = " 1 1 1 1 0 1 1 1 1\n";  // the other calibrations and the four limits
  load(std::string("7000000 0 1 1") + rest + "10000000 0 2 1" + rest + "7000000 0 3 1" + rest + "8000000 0 4 1" +
       rest);
  w_->freq = 7500000;
  EXPECT_FLOAT_EQ(SearchK(w_.get(), kKFwd), 3);
  EXPECT_EQ(ConfigRowFor(w_->configTab, 7500000), 0);  // the thresholds take the first
}

TEST_F(ConfigTableTest, ThresholdsOfTheSelectedSegment) {
  load(kThreeBands);
  select(7050000);
  EXPECT_THAT(drainCommands(), ElementsAre(22));
  EXPECT_EQ(w_->sogliaIdx, 1);
  // PWIN sqrt(1 / 1e-6) = 1000, FWD sqrt(25 / 4e-6) = 2500, REFL sqrt(4 / 4e-6) = 1000,
  // 14.05 A = 4096 limited to 4095.
  EXPECT_THAT(thresholds(), ElementsAre(1000, 2500, 1000, 4095));
  select(3600000);
  EXPECT_THAT(drainCommands(), ElementsAre(22));
  // PWIN sqrt(9 / 4e-6) = 1500, FWD sqrt(64 / 6.25e-6) = 3200, REFL sqrt(16 / 6.25e-6) = 1600, 12.69 A = 3699.
  EXPECT_THAT(thresholds(), ElementsAre(1500, 3200, 1600, 3699));
}

TEST_F(ConfigTableTest, TsIsQueuedOnlyWhenTheSegmentChanges) {
  load(kThreeBands);
  LogCapture log;
  select(7000000);
  select(7100000);  // same segment
  select(13999999);
  EXPECT_THAT(drainCommands(), ElementsAre(22));
  EXPECT_TRUE(log.has("2: Soglia TS (freq 7100000):\n"));
  select(14000000);
  EXPECT_THAT(drainCommands(), ElementsAre(22));
  // Outside every segment: thresholds kept, nothing sent.
  select(28000000);
  EXPECT_TRUE(drainCommands().empty());
  EXPECT_EQ(w_->sogliaIdx, 2);
  // The end of an automatic tune forgets the segment: the same one is sent again.
  w_->sogliaIdx = -1;
  select(14100000);
  EXPECT_THAT(drainCommands(), ElementsAre(22));
}

TEST_F(ConfigTableTest, WithoutTableTheDefaultsAreSentOnce) {
  ReadConfigFile(w_.get());
  w_->sogliaPWIN = 1;
  select(7000000);
  EXPECT_THAT(drainCommands(), ElementsAre(22));
  EXPECT_THAT(thresholds(), ElementsAre(4095, 4095, 1500, 3700));
  EXPECT_EQ(w_->sogliaIdx, 0);
  select(14000000);
  EXPECT_TRUE(drainCommands().empty());
}

TEST_F(ConfigTableTest, FrequencyZeroFallsBackToTheDefaults) {
  load(kThreeBands);
  select(0);
  EXPECT_THAT(drainCommands(), ElementsAre(22));
  EXPECT_THAT(thresholds(), ElementsAre(4095, 4095, 1500, 3700));
  select(0);  // index 0 now recorded: nothing more
  EXPECT_TRUE(drainCommands().empty());
}

TEST(ConfigThresholds, RawLimits) {
  EXPECT_EQ(CurrentThresholdRaw(14.05f), 4095);
  EXPECT_EQ(CurrentThresholdRaw(12.69f), 3699);
  EXPECT_EQ(CurrentThresholdRaw(0), 0);
  EXPECT_EQ(CurrentThresholdRaw(-3), 0);           // never a negative field in "TS"
  EXPECT_EQ(PowerThresholdRaw(100, INFINITY), 0);  // zero calibration reading
  EXPECT_EQ(PowerThresholdRaw(0, 0), 0);           // 0 / 0
  EXPECT_EQ(PowerThresholdRaw(-5, 1e-6), 0);
  EXPECT_EQ(PowerThresholdRaw(5, -1e-6), 0);
  EXPECT_EQ(PowerThresholdRaw(1e30, 1e-6), 4095);
  EXPECT_EQ(PowerThresholdRaw(INFINITY, 1e-6), 4095);
  EXPECT_EQ(PowerThresholdRaw(NAN, 1e-6), 0);
}

TEST_F(ConfigTableTest, SampleTableCoversTheWholeHfRange) {
  load(sim::sampleConfigTxt());
  ASSERT_GE(w_->configRows, 2);
  for (uint32_t f = 1800000; f < 54000000; f += 50000) {
    SCOPED_TRACE(f);
    int row = ConfigRowFor(w_->configTab, f);
    ASSERT_GE(row, 0);
    w_->freq = f;
    float kFwd = SearchK(w_.get(), kKFwd);
    EXPECT_GT(kFwd, 1e-6f);
    EXPECT_LT(kFwd, 1e-5f);
  }
  select(14070000);
  for (int t : thresholds()) {
    EXPECT_GT(t, 0);
    EXPECT_LE(t, 4095);
  }
}

}  // namespace
