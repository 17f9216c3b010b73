// The timer tick on an in-memory display: the meter page's needles where the
// geometry puts them, the failed-link and restart ticks, the screen saver, and
// the timers aged on processor time.
#include "ui/timer_tick.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "amp/errors.h"
#include "display/memory_framebuffer.h"
#include "display/screenshot.h"
#include "display/text.h"
#include "display_helpers.h"
#include "platform/clock.h"
#include "state/fft_record.h"
#include "state/init_globals.h"
#include "ui/grid.h"
#include "ui/lumomenu.h"
#include "ui/menu.h"
#include "works_fixture.h"

namespace {

constexpr uint32_t kRed = 0xFF0000, kBlack = 0x000000, kWhite = 0xFFFFFF;

// The needle tip as the gauges define it, in whole pixels.
struct Tip {
  int x, y;
};
Tip tipFor(int cx, double reading, double fullScale) {
  const double theta = (0.24 - reading * 0.48 / fullScale) * 3.141692653;
  return {static_cast<int>(std::trunc(cx - 200 * std::sin(theta) + 15 * std::cos(theta + 1.5708463265))),
          static_cast<int>(std::trunc(260 - 200 * std::cos(theta) + 15 * std::sin(theta + 1.5708463265)))};
}

// The screen shown, saved in the host folder HFAMP_UI_SHOT_DIR names (to look at it).
void keepShot(FrameBuffer* fb, const char* name) {
  const char* dir = std::getenv("HFAMP_UI_SHOT_DIR");
  if (!dir) return;
  std::ofstream(std::string(dir) + "/" + name, std::ios::binary) << EncodeFramebufferPng(fb->screenMem, 800, 480, 4);
}

class TimerTickTest : public WorksTest {
 protected:
  void SetUp() override {
    WorksTest::SetUp();
    InitGlobalVar(w_.get());
    w_->fb = fb_.get();
    w_->ModeWorkIdx = 0;
    w_->imgReload = 0;
    w_->lastKeyTime = now_;
    InitMenuLumo(w_.get());
    std::memset(fb_->backMem, 0xFF, fb_->memSize);  // a white picture
    TimerStart(w_.get(), state_);
  }
  uint32_t shown(int x, int y) {
    const uint8_t* p = fb_->screenMem + y * fb_->lineSize + x * 4;
    return (p[2] << 16) | (p[1] << 8) | p[0];
  }
  void compose() { TimerCompose(w_.get(), state_, now_); }

  MemoryFrameBuffer fb_{800, 480};
  TimerState state_;
  long now_ = 1700000000;
};

TEST_F(TimerTickTest, MeterNeedlesLieOnTheGeometry) {
  w_->screenPage = 1;
  w_->pwrFwd = 30;   // half of the 60 W forward scale: upright
  w_->pwrRefl = 15;  // a quarter of the reflected scale
  w_->pwrFwdPeak = 45;
  w_->EnablePwrPeak = 1;
  compose();
  const Tip fwd = tipFor(210, 30, 60), refl = tipFor(590, 15, 60), peak = tipFor(210, 45, 60);
  EXPECT_EQ(fwd.x, 209);
  EXPECT_EQ(fwd.y, 74);
  EXPECT_EQ(shown(fwd.x, fwd.y), kRed);
  EXPECT_EQ(shown(209, 150), kRed);  // along the upright needle
  // The second peak follows the reading, so its black needle covers the red one.
  EXPECT_EQ(shown(refl.x, refl.y), kBlack);
  EXPECT_EQ(shown(peak.x, peak.y), kBlack);  // the peak needle is drawn last
  EXPECT_EQ(shown(210, 260), kBlack);        // and covers the shared pivot
  // The mirror image of the reflected needle is empty scale.
  EXPECT_EQ(shown(2 * 590 - refl.x, refl.y), kWhite);
  EXPECT_NEAR(w_->fwdAngle, 0.0f, 1e-6);
  EXPECT_EQ(w_->peakFwd.value, 45);

  // The screenshot of the display holds the same picture.
  keepShot(fb_.get(), "meter.png");
  EXPECT_TRUE(SaveFramebufferPng(fb_->screenMem, 800, 480, 4, "/tmp/meter.png"));
  EXPECT_GT(readHost("/tmp/meter.png").size(), 1000u);
}

TEST_F(TimerTickTest, OverRangeReadingsStopAtFullScale) {
  w_->screenPage = 2;
  w_->pwrFwd = 500;
  w_->swrValue = 150;
  w_->EnablePwrPeak = 0;
  compose();
  const Tip fwd = tipFor(210, 60, 60), swr = tipFor(590, 60, 60);
  EXPECT_EQ(shown(fwd.x, fwd.y), kRed);
  EXPECT_EQ(shown(swr.x, swr.y), kRed);
  w_->ampVariant = '1';  // 120 W amplifier: 120 W scale
  w_->number_ofStep_meter_FWD = 120;
  w_->pwrFwd = 60;
  compose();
  const Tip half = tipFor(210, 60, 120);
  EXPECT_EQ(shown(half.x, half.y), kRed);
}

TEST_F(TimerTickTest, StatusScreenHidesTheMeters) {
  w_->statusView = 1;
  w_->pwrFwd = 30;
  compose();
  EXPECT_EQ(shown(209, 150), kWhite);
}

TEST_F(TimerTickTest, FailedLinkScreenThenRestartTick) {
  w_->linkFault = 1;
  {
    std::lock_guard lock(w_->linkFaultMutex);
    std::strcpy(w_->linkFaultText, "amplifier port");
  }
  w_->menuPage = kLumoMain;
  w_->freq = 7050000;
  compose();
  EXPECT_EQ(w_->menuPage, kLumoFailedLink);
  EXPECT_EQ(w_->lastFreq, 14070000u);  // the frequency is not followed meanwhile
  w_->linkFault = -1;
  compose();
  EXPECT_EQ(w_->linkFault, 0);
  EXPECT_EQ(w_->menuPage, kLumoMain);
}

TEST_F(TimerTickTest, ScreenSaverKeepsFollowingTheFrequency) {
  w_->SaveScreenIdx = 0;
  w_->lastKeyTime = now_ - 5 * 60;
  w_->ampFreq = 7050000;
  w_->pwrFwd = 30;
  compose();
  EXPECT_EQ(w_->saverOn, 1);
  EXPECT_EQ(w_->lastFreq, 7050000u);
  EXPECT_NE(shown(209, 150), kRed);  // no meters under the saver
}

// The saver never hides the carrier, an alarm or a tune: it wakes for them
// and stays away until their timeout has passed again.
TEST_F(TimerTickTest, ScreenSaverWakesForTransmitAlarmsAndTunes) {
  const std::function<void(Works*, bool)> causes[] = {
      [](Works* w, bool on) { w->ampStatus[1] = on ? 0x01 : 0x00; },
      [](Works* w, bool on) { on ? AddErrore(w, kErrHighSwr) : DeleteErrore(w, kErrHighSwr); },
      [](Works* w, bool on) { w->tunerRunning = on ? 1 : 0; },
  };
  w_->SaveScreenIdx = 0;
  w_->errorsMuted = 0;
  for (size_t i = 0; i < std::size(causes); ++i) {
    SCOPED_TRACE(i);
    w_->lastKeyTime = now_ - 5 * 60;
    compose();
    ASSERT_EQ(w_->saverOn, 1);
    causes[i](w_.get(), true);
    compose();
    EXPECT_EQ(w_->saverOn, 0);
    EXPECT_STREQ(w_->pngName, "img1");
    w_->lastKeyTime = now_ - 60 * 60;
    compose();
    EXPECT_EQ(w_->saverOn, 0);  // stays away while it lasts
    causes[i](w_.get(), false);
    compose();
    EXPECT_EQ(w_->saverOn, 0);  // and a whole timeout after
  }
}

class SpectrumTick : public TimerTickTest {
 protected:
  void SetUp() override {
    TimerTickTest::SetUp();
    for (auto& b : bins_) b = std::bit_cast<int32_t>(-60.0f);  // flat at -60 dB
    fft_.bufferA = fft_.bufferB = bins_.data();
    w_->fftRec = &fft_;
    TTFLoad("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 14, 6);
  }
  void setBin(int i, float db) { bins_[i] = std::bit_cast<int32_t>(db); }
  std::vector<std::atomic<int32_t>> bins_ = std::vector<std::atomic<int32_t>>(kFftBins);
  FftRecord fft_{};
};

constexpr uint32_t kGrid = 0x787878, kTrace = 0xFA0096;

TEST_F(SpectrumTick, WideViewGridAndTrace) {
  w_->screenPage = 4;
  compose();
  keepShot(fb_.get(), "spectrum_wide.png");
  EXPECT_EQ(shown(100, 60 + 17), kGrid);      // dB lines every 17 rows from 60
  EXPECT_EQ(shown(70 + 43 * 3, 200), kGrid);  // kHz lines every 43 columns from 70
  EXPECT_EQ(shown(758, 100), kGrid);          // the last one
  EXPECT_EQ(shown(300, 145), kTrace);         // -60 dB on a -110..-10 scale
  EXPECT_EQ(shown(300, 144), kWhite);
}

TEST_F(SpectrumTick, NarrowViewShowsTheMiddleBinsOnTheScale) {
  w_->screenPage = 5;
  divX = 8;
  xRangeEnd = 427;
  w_->spanHz = 80000;
  setBin(426, -20);  // the centre bin
  setBin(100, 0);    // outside the narrow view
  compose();
  keepShot(fb_.get(), "spectrum_narrow.png");
  EXPECT_EQ(shown(70 + 86, 200), kGrid);
  const int centreX = static_cast<int>(70 + 213.0f / 427 * 688);
  bool peak = false;
  for (int dx = -1; dx <= 1; ++dx) peak |= shown(centreX + dx, 77) == kTrace;  // -20 dB
  EXPECT_TRUE(peak);
  EXPECT_NE(shown(70 + 100 * 688 / 854, 60), kTrace);
  divX = 16;
  xRangeEnd = 854;
}

TEST_F(SpectrumTick, LevelsOffTheScaleAndNaNStayOnTheGrid) {
  w_->screenPage = 4;
  setBin(10, 1e30f);
  setBin(20, -1e30f);
  setBin(30, std::bit_cast<float>(0x7fc00000u));
  w_->OffsetPlot = 3.5;
  compose();
  const PlotPoint top = CalculatePoint(-110, -10, 10, 1e30f), bottom = CalculatePoint(-110, -10, 20, -1e30f);
  EXPECT_EQ(top.py, 60);
  EXPECT_EQ(bottom.py, 230);
  EXPECT_EQ(CalculatePoint(-110, -10, 30, std::bit_cast<float>(0x7fc00000u)).py, 230);
}

// Every page the panel shows, composed with the text's fast path and again with
// its plain path over a picture that differs from pixel to pixel: the two
// screens are the same to the byte.
TEST_F(SpectrumTick, EveryPageIsTheSameThroughTheFastAndThePlainTextPath) {
  loadProgramFonts();
  for (unsigned o = 0; o < fb_->memSize; ++o) fb_->backMem[o] = static_cast<uint8_t>(o * 37 + (o >> 9));
  for (int i = 0; i < kFftBins; ++i) setBin(i, -100.0f + 8.0f * std::sin(i * 0.37f) + (i % 97 == 0 ? 50.0f : 0.0f));
  const BandRow row{"20m", 14000000, 14350000, 1, 1, 0, 0, 50};
  for (int i = 0; i < kBandRowsMax; ++i) w_->bandTab[i] = row;
  w_->bandRows = kBandRowsMax;
  w_->bandSelRow = 2;
  for (int i = 0; i < kFilterEntries; ++i) w_->filterTab[i] = {1800000 * (i + 1), 2000000 * (i + 1), 1};
  w_->ViewTimeStr = 1;
  w_->pwrFwd = 42.5f;
  w_->swrValue = 1.4f;
  std::memset(w_->eeBlock1, 'S', sizeof w_->eeBlock1);
  struct Page {
    int screenPage, menuPage, statusView, bandSelCol;
  };
  const Page pages[] = {{1, kLumoMain, 0, -1},          {2, kLumoMain, 0, -1},       {3, kLumoMain, 0, -1},
                        {4, kLumoMain, 0, -1},          {5, kLumoMain, 0, -1},       {1, kLumoSetupList, 0, -1},
                        {1, kLumoValueEdit, 0, -1},     {1, kLumoTune, 0, -1},       {1, kLumoManualTune, 0, -1},
                        {1, kLumoUtilities, 2, -1},     {1, kLumoAntennaEdit, 2, 1}, {1, kLumoSaveTune, 0, -1},
                        {1, kLumoBankUtilities, 2, -1}, {1, kLumoBankCopy, 2, -1},   {1, kLumoBankReset, 2, -1},
                        {1, kLumoFilters, 4, -1},       {1, kLumoMain, 1, -1},       {1, kLumoSetupList, 1, -1}};
  for (const Page& p : pages) {
    w_->screenPage = p.screenPage;
    w_->menuPage = p.menuPage;
    w_->statusView = p.statusView;
    w_->bandSelCol = p.bandSelCol;
    w_->menuRow = p.menuPage == kLumoValueEdit ? 9 : 3;
    std::vector<uint8_t> fast;
    // The clock may turn a second between the two; then the pair is taken again.
    for (int attempt = 0; attempt < 3; ++attempt) {
      setTextFastPath(true);
      compose();
      compose();  // the second from the glyph cache
      const std::string clockBefore = w_->clockText;
      fast.assign(fb_->screenMem, fb_->screenMem + fb_->memSize);
      setTextFastPath(false);
      compose();
      setTextFastPath(true);
      if (clockBefore == w_->clockText) break;
    }
    EXPECT_EQ(std::memcmp(fast.data(), fb_->screenMem, fb_->memSize), 0)
        << "page " << p.menuPage << ", view " << p.screenPage << ", overlay " << p.statusView;
  }
}

TEST_F(TimerTickTest, ErrorHoldOffCountsSubMillisecondTicks) {
  w_->errorRepeatTimer = 5;
  for (int i = 0; i < 10; ++i) TimerAge(w_.get(), state_, 0.4);  // 4 ms in all
  EXPECT_EQ(w_->errorRepeatTimer, 1);
  TimerAge(w_.get(), state_, 7.5);
  EXPECT_EQ(w_->errorRepeatTimer, 0);  // not below zero
}

TEST_F(TimerTickTest, TemperatureLogEveryFiveSecondsOfProcessorTime) {
  w_->EnableLOGTemp = 1;
  w_->logTempRunning = 1;
  for (int i = 0; i < 499; ++i) TimerAge(w_.get(), state_, 10);
  EXPECT_EQ(readHost("/opt/set/LOGtemp.txt"), "");
  TimerAge(w_.get(), state_, 10);
  const std::string log = readHost("/opt/set/LOGtemp.txt");
  EXPECT_NE(log.find(";TX,Temp1,Temp2,FDD,SWR\n"), std::string::npos);
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 2);
  w_->logTempRunning = 0;
  for (int i = 0; i < 600; ++i) TimerAge(w_.get(), state_, 10);
  const std::string after = readHost("/opt/set/LOGtemp.txt");
  EXPECT_EQ(std::count(after.begin(), after.end(), '\n'), 2);
}

TEST_F(TimerTickTest, WholeTickSleepsAndAges) {
  w_->pollDelayUs = 1000;
  w_->errorRepeatTimer = 1000000;
  const int64_t start = platform::monotonicMs();
  for (int i = 0; i < 5; ++i) TimerTick(w_.get(), state_);
  const int64_t took = platform::monotonicMs() - start;
  EXPECT_GE(took, 5);
  // The hold-off runs on wall time: the five ticks, sleeps included, came off it.
  EXPECT_LE(w_->errorRepeatTimer, 1000000 - 5);
  EXPECT_GE(w_->errorRepeatTimer, 1000000 - took - 1);
}

}  // namespace
