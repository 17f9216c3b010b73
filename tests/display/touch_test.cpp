// The touch panels: the calibration file and the mappings, the simulated
// controllers' raw readings, and touches on the button bar reaching the key
// handler exactly as the front-panel buttons do, on the GPIO thread.
#include "display/touch.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <ctime>
#include <mutex>
#include <thread>
#include <vector>

#include "display/gpio_thread.h"
#include "display/key_handler.h"
#include "display_helpers.h"
#include "front_panel.h"
#include "platform/touch_devices.h"
#include "sim_touch.h"
#include "state/globals.h"
#include "state/init_globals.h"
#include "state/setup_record.h"
#include "wait_until.h"
#include "works_fixture.h"

namespace {

std::string calibrationBytes(std::vector<int64_t> v) {
  std::string out;
  for (int64_t x : v)
    for (int i = 0; i < 8; ++i) out += static_cast<char>((static_cast<uint64_t>(x) >> (8 * i)) & 0xFF);
  return out;
}

TEST(TouchCalibration, FileOfSevenValuesOrNothing) {
  std::string error;
  auto c = ParseCalibration(calibrationBytes({2, 0, -560, 0, -3, 1440, 9}), error);
  ASSERT_TRUE(c);
  EXPECT_EQ(c->c, -560);
  EXPECT_EQ(c->divider, 9);
  // x = (2*300 - 560) / 9 = 4 (truncated); y = (-3*100 + 1440) / 9 = 126.
  EXPECT_EQ(MapSpiReading(c, 300, 100).x, 4);
  EXPECT_EQ(MapSpiReading(c, 300, 100).y, 126);
  // Truncation toward zero, then the clamp: (2*10 - 560) / 9 = -60 -> 0.
  EXPECT_EQ(MapSpiReading(c, 10, 100).x, 0);

  EXPECT_FALSE(ParseCalibration(calibrationBytes({1, 2, 3, 4, 5, 6, 7}).substr(0, 55), error));
  EXPECT_EQ(error, "not enough data (55) reading etc/calibrazione (56)");
  EXPECT_FALSE(ParseCalibration(calibrationBytes({1, 2, 3, 4, 5, 6, 7, 8}), error));
  EXPECT_FALSE(ParseCalibration(calibrationBytes({1, 2, 3, 4, 5, 6, 0}), error));  // would divide by zero
  EXPECT_EQ(error, "etc/calibrazione has a zero divider");

  // Coefficients at the ends of the range neither overflow nor trap.
  auto huge = ParseCalibration(calibrationBytes({INT64_MAX, INT64_MAX, INT64_MAX, INT64_MIN, INT64_MIN, INT64_MIN, -1}),
                               error);
  ASSERT_TRUE(huge);
  EXPECT_EQ(MapSpiReading(huge, 4095, 4095).x, 0);
  EXPECT_EQ(MapSpiReading(huge, 4095, 4095).y, 480);
  // Terms past 64 bits that cancel still leave the small part; the one
  // quotient that overflows 64 bits (the most negative sum over -1) clamps.
  auto cancelling = ParseCalibration(calibrationBytes({INT64_MAX, -INT64_MAX, 1800, INT64_MIN, 0, 0, 3}), error);
  ASSERT_TRUE(cancelling);
  EXPECT_EQ(MapSpiReading(cancelling, 4095, 4095).x, 600);
  auto minOverMinusOne = ParseCalibration(calibrationBytes({INT64_MIN, 0, 0, INT64_MIN, 0, 0, -1}), error);
  ASSERT_TRUE(minOverMinusOne);
  EXPECT_EQ(MapSpiReading(minOverMinusOne, 1, 1).x, 800);
  EXPECT_EQ(MapSpiReading(minOverMinusOne, 1, 1).y, 480);
}

TEST(TouchCalibration, FixedFactorsAndTheUsbScale) {
  EXPECT_EQ(MapSpiReading(std::nullopt, 280, 250).x, 0);
  EXPECT_EQ(MapSpiReading(std::nullopt, 280, 250).y, 480);
  EXPECT_EQ(MapSpiReading(std::nullopt, 280 + 449, 250 + 667).x, 100);
  EXPECT_EQ(MapSpiReading(std::nullopt, 280 + 449, 250 + 667).y, 380);
  EXPECT_EQ(MapSpiReading(std::nullopt, 9999, 0).x, 800);  // clamped
  EXPECT_EQ(MapUsbReading(4095, 4095).x, 800);
  EXPECT_EQ(MapUsbReading(4095, 4095).y, 480);
  EXPECT_EQ(MapUsbReading(0, 2048).y, 240);
}

class TouchTest : public WorksTest {};

TEST_F(TouchTest, CalibrationFileIsReadOrRefusedWithALoggedError) {
  LogCapture log;
  EXPECT_FALSE(ReadCalibration());
  EXPECT_TRUE(log.contains("can't open etc/calibrazione"));
  writeHost(kCalibrationPath, calibrationBytes({1, 0, 0, 0, 1, 0, 0}));
  EXPECT_FALSE(ReadCalibration());
  EXPECT_TRUE(log.contains("zero divider: using the fixed factors"));
  writeHost(kCalibrationPath, calibrationBytes({1, 0, 0, 0, 1, 0, 1}));
  EXPECT_TRUE(ReadCalibration());
  EXPECT_TRUE(log.contains("A=      1 B=      0"));
}

TEST_F(TouchTest, SoftButtonsAreSixEqualStripsOfTheBottomSixtyRows) {
  for (int b = 0; b < 6; ++b) {
    const int left = b * 800 / 6, right = (b + 1) * 800 / 6 - 1;
    EXPECT_EQ(SoftButtonsAt({left + 1, 420}), 1u << b);
    EXPECT_EQ(SoftButtonsAt({right, 479}), 1u << b);
  }
  EXPECT_EQ(SoftButtonsAt({400, 419}), 0u);  // above the bar: nothing
  EXPECT_EQ(SoftButtonsAt({800, 450}), 0u);
}

TEST_F(TouchTest, SimulatedSpiControllerGivesReadingsThatMapBackToThePoint) {
  int err = 0;
  auto dev = platform::SpiDevice::open("/dev/spidev0.0", err);
  ASSERT_TRUE(dev);
  writeHost(platform::kTouchFeedPath, platform::formatTouchFeed({true, 612, 455}));
  EXPECT_GT(transfer(*dev, 0xB1, 4), 20);
  const TouchPoint p = MapSpiReading(std::nullopt, transfer(*dev, 0x91, 3), transfer(*dev, 0xD1, 3));
  EXPECT_NEAR(p.x, 612, 6);
  EXPECT_NEAR(p.y, 455, 6);
  writeHost(platform::kTouchFeedPath, platform::formatTouchFeed({false, 612, 455}));
  EXPECT_LE(transfer(*dev, 0xB1, 4), 20);
}

// The key handler's calls, with the thread each came on.
struct KeyCall {
  int button, flags;
  std::thread::id thread;
};
std::mutex gMutex;
std::vector<KeyCall> gCalls;
int recordKey(Works*, int button, int flags) {
  std::lock_guard lock(gMutex);
  gCalls.push_back({button, flags, std::this_thread::get_id()});
  return 0;
}
std::vector<KeyCall> takeCalls() {
  std::lock_guard lock(gMutex);
  return std::exchange(gCalls, {});
}

class TouchKeys : public WorksTest {
 protected:
  void SetUp() override {
    WorksTest::SetUp();
    platform::setLogObserver([](const std::string&) {});
    InitGlobalVar(w_.get());
    TIME_LONG_PRESS = 0.4;
    takeCalls();
    SetKeyHandler(recordKey);
    panel_ = std::make_unique<sim::FrontPanel>(root_);
    ASSERT_TRUE(panel_->ok()) << panel_->error();
    panel_->start();
    finger_ = std::make_unique<sim::SimTouch>(root_);
    gpio_ = std::thread(GPIO, w_.get());
  }
  void TearDown() override {
    w_->running = 0;
    for (std::thread* t : {&gpio_, &reader_})
      if (t->joinable()) t->join();
    finger_.reset();
    panel_.reset();
    SetKeyHandler(nullptr);
    platform::setLogObserver({});
    WorksTest::TearDown();
  }
  // Waits for the calls of one press to arrive and the button to be let go.
  std::vector<KeyCall> callsOf(size_t count) {
    EXPECT_TRUE(waitUntil([&] {
      std::lock_guard lock(gMutex);
      return gCalls.size() >= count;
    }, 5000));
    platform::sleepMs(150);  // nothing more comes
    return takeCalls();
  }

  std::unique_ptr<sim::FrontPanel> panel_;
  std::unique_ptr<sim::SimTouch> finger_;
  std::thread gpio_, reader_;
};

TEST_F(TouchKeys, EachSoftButtonActsAsItsFrontPanelButtonOnTheGpioThread) {
  reader_ = std::thread(touch, w_.get());
  // The USB reader first drains the panel for a second; wait until it reads.
  platform::sleepMs(1300);
  for (int b = 1; b <= 6; ++b) {
    panel_->hold(b, 0.1);
    const auto button = callsOf(1);
    finger_->tap((2 * b - 1) * 800 / 12, 450, 0.1);  // the middle of soft button b
    const auto touched = callsOf(1);
    ASSERT_EQ(button.size(), 1u);
    ASSERT_EQ(touched.size(), 1u) << "button " << b;
    EXPECT_EQ(touched[0].button, b);
    EXPECT_EQ(touched[0].flags, button[0].flags);  // a short press: 0
    EXPECT_EQ(touched[0].thread, button[0].thread);
    EXPECT_NE(touched[0].thread, std::this_thread::get_id());
  }
  // Held as long as a long press: the long press, and no short press after it.
  finger_->tap(700, 470, 0.8);
  const auto held = callsOf(1);
  ASSERT_EQ(held.size(), 1u);
  EXPECT_EQ(held[0].button, 6);
  EXPECT_EQ(held[0].flags & 0x20, 0x20);
  // Above the bar, nothing.
  finger_->tap(400, 200, 0.1);
  platform::sleepMs(400);
  EXPECT_TRUE(takeCalls().empty());
  EXPECT_EQ(w_->touchHeld, 0);
}

TEST_F(TouchKeys, SpiReaderHoldsTheTouchedSoftButton) {
  reader_ = std::thread(spi, w_.get());
  finger_->tap(612, 455, 0.3);
  const auto calls = callsOf(1);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].button, 5);
  EXPECT_EQ(calls[0].flags, 0);
}

// An unplugged USB panel fails every read at once: the reader lets the held
// soft button go, pauses and opens the panel again, rather than spinning on
// the error at a full core.
class UnpluggedPanel : public UsbTouchLink {
 public:
  bool open() override { return ++opens <= 100; }
  Read read(uint8_t*, int, int& got, unsigned) override {
    got = 0;
    ++reads;
    return Read::Error;
  }
  void close() override { ++closes; }
  std::atomic<int> opens{0}, reads{0}, closes{0};
};

TEST_F(TouchTest, AnUnpluggedUsbPanelIsReopenedAfterAPauseNotSpunOn) {
  w_->running = 1;
  w_->touchHeld = 0x04;
  UnpluggedPanel panel;
  const std::clock_t cpuBefore = std::clock();
  std::thread reader([&] { ReadUsbTouch(w_.get(), panel); });
  platform::sleepMs(2500);
  w_->running = 0;
  reader.join();
  const double cpuSeconds = static_cast<double>(std::clock() - cpuBefore) / CLOCKS_PER_SEC;
  EXPECT_GE(panel.opens, 2);  // opened again after the error
  EXPECT_LE(panel.opens, 4);  // once a pause
  EXPECT_LE(panel.reads, panel.opens.load());
  EXPECT_EQ(panel.closes, panel.opens.load());
  EXPECT_EQ(w_->touchHeld, 0);
  EXPECT_LT(cpuSeconds, 0.5) << "the reader's share of a core";
}

}  // namespace
