#include "amp/temperature.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <regex>

#include "amp/errors.h"
#include "amp_test_support.h"
#include "platform/board.h"
#include "platform/clock.h"
#include "state/works.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

// The raw reading at which the divider shows `kOhm`.
int rawFor(double kOhm) { return static_cast<int>(std::lround(4095 * kOhm / (10 + kOhm))); }

TEST(Thermistor, ReadingsAcrossTheTable) {
  struct Case {
    int raw;
    float celsius, tolerance;
  } cases[] = {
      {2048, 24.99f, 0.01f},  // divider in the middle, R about 10.005 kOhm
      {0, 80, 0},             // shorted: hotter than the table
      {100, 80, 0},           // R below the last pair
      {4095, -10, 0},         // open divider
      {4000, -10, 0},         // R above the first pair: -40, shown as -10
      {4094, -10, 0},         // just below the open divider
      {4096, 80, 0},          // beyond the converter: a damaged sensor fails hot
      {5000, 80, 0},
      {9999, 80, 0},
      {2147483647, 80, 0},  // whatever a caller passes, no overflow
      {-2147483647 - 1, 80, 0},
      {-5, 80, 0},                // limited to the converter's range
      {rawFor(32.582), 0, 0.1f},  // on a pair
      {rawFor(4.399), 45, 0.1f},
      {rawFor(1.284), 80, 0.01f},  // the last shown value
      {rawFor(1.096), 80, 0},      // 85 degrees, limited
      {rawFor(55.301), -10, 0.1f},
      {rawFor(97.679), -10, 0},  // -20 degrees, limited
  };
  for (const Case& c : cases) EXPECT_NEAR(CalcolaTemp(c.raw), c.celsius, c.tolerance) << "raw " << c.raw;
}

TEST(Thermistor, FallsSteadilyAsTheReadingRises) {
  float previous = CalcolaTemp(0);
  for (int raw = 1; raw <= 4095; ++raw) {
    float t = CalcolaTemp(raw);
    ASSERT_LE(t, previous + 1e-4f) << raw;
    ASSERT_GE(t, -10);
    ASSERT_LE(t, 80);
    previous = t;
  }
}

TEST(AuxReadings, FahrenheitAndSupplyVoltage) {
  EXPECT_FLOAT_EQ(ConversionCelsius_to_Fahrenheit(0), 32);
  EXPECT_FLOAT_EQ(ConversionCelsius_to_Fahrenheit(100), 212);
  EXPECT_FLOAT_EQ(ConversionCelsius_to_Fahrenheit(-40), -40);
  Works w{};
  w.ampVariant = '1';
  EXPECT_NEAR(CalvTensVadcAmp(&w, 255), 3.3 * 348 / 18, 1e-4);
  w.ampVariant = 255;
  EXPECT_NEAR(CalvTensVadcAmp(&w, 255), 3.3 * 118 / 18, 1e-4);
  EXPECT_NEAR(CalvTensVadcAmp(&w, 128), 128 * 3.3 * 118 / 255 / 18, 1e-4);
  EXPECT_FLOAT_EQ(CalvTensVadcAmp(&w, 0), 0);
}

TEST(AuxReadings, CpuTemperatureOutput) {
  struct Case {
    const char* output;
    float cpu, gpu;
  } cases[] = {
      {"45.3\ntemp=48.1'C\n", 45.3f, 48.1f},
      {"51\ntemp=50.0'C", 51, 50},
      {"47.2\r\ntemp=9'C\r\n", 47.2f, 9},  // a short value stops at the quote
      {"46.0\n", 46, -1},                  // no second line: GPU unchanged
      {"46.0\ntemp=", 46, -1},
      {"garbage\nxxxxx abc", 0, -1},
      {"", -1, -1},                                                      // nothing: both unchanged
      {"99999999999999999999999999999999999999999999999\n", 1e31f, -1},  // lines are 31 characters
  };
  for (const Case& c : cases) {
    Works w{};
    w.cpuTemp = -1;
    w.gpuTemp = -1;
    ParseCPUTemp(&w, c.output);
    EXPECT_FLOAT_EQ(w.cpuTemp, c.cpu) << c.output;
    EXPECT_FLOAT_EQ(w.gpuTemp, c.gpu) << c.output;
  }
}

class TemperatureTest : public AmpTest {};

TEST_F(TemperatureTest, CpuTemperatureFromTheCommand) {
  // Without a simulation the command layer answers fixed plausible values.
  ReadCPUTemp(w_.get());
  EXPECT_GT(w_->cpuTemp, 20);
  EXPECT_GT(w_->gpuTemp, 20);
  writeHost("/run/sim/my_temp", "61.5\ntemp=63.2'C\n");
  ReadCPUTemp(w_.get());
  EXPECT_FLOAT_EQ(w_->cpuTemp, 61.5f);
  EXPECT_FLOAT_EQ(w_->gpuTemp, 63.2f);
  EXPECT_THAT(platform::commandRecord(), ::testing::Contains("my_temp"));
}

TEST_F(TemperatureTest, ClockTextOncePerSecond) {
  ReadDataOra(w_.get());
  std::string text = ClockText(w_.get());
  EXPECT_TRUE(std::regex_match(text, std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)"))) << text;
  // Within the same second the text is not rewritten.
  std::snprintf(w_->clockText, sizeof w_->clockText, "kept");
  w_->clockSecond = platform::wallSeconds() + 1000;  // a second that cannot be now
  ReadDataOra(w_.get());
  EXPECT_NE(ClockText(w_.get()), "kept");
  long second = w_->clockSecond;
  std::snprintf(w_->clockText, sizeof w_->clockText, "kept");
  w_->clockSecond = second;
  if (platform::wallSeconds() == second) {
    ReadDataOra(w_.get());
    EXPECT_EQ(ClockText(w_.get()), "kept");
  }
}

}  // namespace
