// Meter arithmetic: SWR scale, power texts, peak hold and decay, frequency texts.
#include "ui/meters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "state/globals.h"
#include "state/init_globals.h"
#include "ui/grid.h"
#include "works_fixture.h"

namespace {

TEST(CalcolaSWR, PositionsAlongTheScale) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  struct Case {
    float swr, position;
  } cases[] = {{0, 0},   {0.99f, 0}, {1.0f, 0},        {1.25f, 5.5f}, {1.5f, 11}, {2.5f, 25}, {3.0f, 30}, {9.5f, 49},
               {10, 50}, {55, 55},   {99.9f, 59.989f}, {100, 60},     {150, 60},  {1e9f, 60}, {nan, 0}};
  for (const Case& c : cases) EXPECT_NEAR(CalcolaSWR(c.swr), c.position, 1e-3) << c.swr;
}

TEST(PowerText, WattsAndDbm) {
  struct Case {
    float watts;
    bool dBm;
    const char* text;
  } cases[] = {{0.0005f, true, "---dBm"}, {0, true, "---dBm"},  {-1, true, "---dBm"},
               {0.001f, true, "0.0dBm"},  {1, true, "30.0dBm"}, {100, true, "50.0dBm"},
               {0, false, "0.0W"},        {5, false, "5.0W"},   {123.46f, false, "123.5W"}};
  for (const Case& c : cases) {
    char text[32];
    FormatPower(text, sizeof text, c.watts, c.dBm);
    EXPECT_STREQ(text, c.text) << c.watts;
  }
}

TEST(FrequencyText, UnitBoundaries) {
  struct Case {
    long hz;
    const char* text;
  } cases[] = {{1, "1Hz"},
               {999, "999Hz"},
               {1000, "1.000kHz"},
               {999999, "999.999kHz"},
               {1000000, "1.000MHz"},
               {7050000, "7.050MHz"},
               {14070000, "14.070MHz"},
               {54000000, "54.000MHz"}};
  for (const Case& c : cases) {
    char text[32];
    FormatFreq(text, sizeof text, c.hz);
    EXPECT_STREQ(text, c.text) << c.hz;
  }
}

TEST(Readings, ClampedForTheNeedle) {
  EXPECT_EQ(ClampReading(75, 60), 60);
  EXPECT_EQ(ClampReading(59.5f, 60), 59.5f);
  EXPECT_EQ(ClampReading(-3, 60), 0);
  EXPECT_EQ(ClampReading(std::numeric_limits<float>::quiet_NaN(), 60), 0);
  EXPECT_EQ(ClampReading(std::numeric_limits<float>::infinity(), 120), 120);
}

class PeakHold : public WorksTest {
 protected:
  void SetUp() override {
    WorksTest::SetUp();
    InitGlobalVar(w_.get());  // hold 3000 ms, weight 2, decrement 1.0 every second tick
  }
  PeakRecord& peak() { return w_->peakFwd; }
};

TEST_F(PeakHold, NewPeakIsHeldAndDecaysEverySecondTick) {
  CalcolaPwrPeak(w_.get(), 40);
  EXPECT_EQ(peak().value, 40);
  EXPECT_EQ(peak().holdMs, 3000);
  const float expected[] = {40, 39, 39, 38, 38, 37};
  for (float e : expected) {
    AgePeak(peak(), 10);
    EXPECT_EQ(peak().value, e);
  }
  EXPECT_EQ(peak().holdMs, 3000 - 60);
  // A lower reading during the hold changes nothing; a higher one restarts it.
  CalcolaPwrPeak(w_.get(), 20);
  EXPECT_EQ(peak().value, 37);
  CalcolaPwrPeak(w_.get(), 50);
  EXPECT_EQ(peak().value, 50);
  EXPECT_EQ(peak().holdMs, 3000);
}

TEST_F(PeakHold, AfterTheHoldReadingsAreAveragedIn) {
  CalcolaPwrPeak(w_.get(), 40);
  peak().holdMs = 0;
  CalcolaPwrPeak(w_.get(), 10);
  EXPECT_FLOAT_EQ(peak().value, 30);
  CalcolaPwrPeak(w_.get(), 10);
  EXPECT_NEAR(peak().value, 23.33f, 0.01f);
  // The hold has run out: ageing no longer lowers the value.
  AgePeak(peak(), 10);
  AgePeak(peak(), 10);
  EXPECT_NEAR(peak().value, 23.33f, 0.01f);
}

TEST_F(PeakHold, HoldRunsOutOnProcessorTimeAndDecayStopsAtZero) {
  TimerPeakSec = 25;
  CalcolaPwrPeak2(w_.get(), 2);
  PeakRecord& p = w_->peak2;
  int ticks = 0;
  while (p.holdMs > 0 && ticks < 100) {
    AgePeak(p, 10);
    ++ticks;
  }
  EXPECT_EQ(ticks, 3);  // 25 -> 15 -> 5 -> -5
  EXPECT_GE(p.value, 0);
  PeakDecrement = 5.0;
  p.holdMs = 100;
  p.decCount = 1;
  AgePeak(p, 1);
  EXPECT_EQ(p.value, 0);  // never below zero
}

}  // namespace
