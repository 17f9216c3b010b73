// The real GPIO thread against the simulated front panel, through the sandbox's
// register file: buttons pressed and held by the panel reach the registered
// key handler; commands and readings cross the two-wire exchange.
#include "display/gpio_thread.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <thread>
#include <vector>

#include "state/globals.h"
#include "state/init_globals.h"
#include "state/tiny_cmd.h"
#include "display/key_handler.h"
#include "front_panel.h"
#include "platform/clock.h"
#include "platform/log.h"
#include "wait_until.h"
#include "works_fixture.h"

namespace {

struct KeyCall {
  int button;
  int flags;
  double at;  // monotonic seconds
};

// The stub key handler: records every call; asks for auto-repeat while
// `gRepeatsLeft` is positive.
std::mutex gCallsMutex;
std::vector<KeyCall> gCalls;
std::atomic<int> gRepeatsLeft{0};

int recordKey(Works*, int button, int flags) {
  std::lock_guard lock(gCallsMutex);
  gCalls.push_back({button, flags, platform::monotonicSeconds()});
  return flags != 0 && gRepeatsLeft.fetch_sub(1) > 0 ? 1 : 0;
}

std::vector<KeyCall> calls() {
  std::lock_guard lock(gCallsMutex);
  return gCalls;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

class GpioThreadTest : public WorksTest {
 protected:
  void SetUp() override {
    WorksTest::SetUp();
    platform::setLogObserver([](const std::string&) {});
    InitGlobalVar(w_.get());
    {
      std::lock_guard lock(gCallsMutex);
      gCalls.clear();
    }
    gRepeatsLeft = 0;
    SetKeyHandler(recordKey);
    panel_ = std::make_unique<sim::FrontPanel>(root_);
    ASSERT_TRUE(panel_->ok()) << panel_->error();
    panel_->setVersion(0x27);
    panel_->start();
  }
  void TearDown() override {
    stopThread();
    panel_.reset();
    SetKeyHandler(nullptr);
    platform::setLogObserver({});
    WorksTest::TearDown();
  }
  void startThread() { thread_ = std::thread(GPIO, w_.get()); }
  void stopThread() {
    w_->running = 0;
    if (thread_.joinable()) thread_.join();
  }
  // Waits until the thread has set up its pins (GPIO 16 driven high).
  void waitForLoop() {
    ASSERT_TRUE(waitUntil([&] { return panel_->outputHigh(16); }, 5000));
  }

  std::unique_ptr<sim::FrontPanel> panel_;
  std::thread thread_;
};

TEST_F(GpioThreadTest, ShortPressesOfEachButtonReachTheHandlerOnRelease) {
  startThread();
  waitForLoop();
  for (int b : {1, 4, 6}) {
    panel_->hold(b, 0.1);
    ASSERT_TRUE(waitUntil([&] { return !calls().empty() && calls().back().button == b; }, 3000)) << "button " << b;
  }
  platform::sleepMs(100);
  const auto got = calls();
  ASSERT_EQ(got.size(), 3u);
  for (const auto& c : got) EXPECT_EQ(c.flags, 0);
  EXPECT_EQ(w_->hintFlags & 1, 0) << "no long-press hint for short presses";
}

TEST_F(GpioThreadTest, LongPressFiresOnceAfterTheLongPressTimeOfWallTime) {
  TIME_LONG_PRESS = 0.5;
  startThread();
  waitForLoop();
  const double pressed = platform::monotonicSeconds();
  panel_->hold(3, 1.2);
  ASSERT_TRUE(waitUntil([&] { return !panel_->pressed(3); }, 3000));
  platform::sleepMs(200);
  const auto got = calls();
  ASSERT_EQ(got.size(), 1u) << "one long call, no short press on release";
  EXPECT_EQ(got[0].button, 3);
  EXPECT_EQ(got[0].flags, 1 << 2);
  // The thread is idle nearly all the time: a processor-time timer would not
  // get anywhere near 0.5 s before the release.
  EXPECT_GE(got[0].at - pressed, 0.5);
  EXPECT_LT(got[0].at - pressed, 0.8);
  EXPECT_EQ(w_->hintFlags & 1, 1) << "the second-function hint";
}

TEST_F(GpioThreadTest, AutoRepeatRunsAtTenthsThenFiftiethsAndEndsWithAShortPress) {
  TIME_LONG_PRESS = 0.5;
  gRepeatsLeft = 1000;
  startThread();
  waitForLoop();
  panel_->hold(5, 2.6);
  ASSERT_TRUE(waitUntil([&] { return !panel_->pressed(5); }, 4000));
  platform::sleepMs(200);
  const auto got = calls();
  ASSERT_GT(got.size(), 20u);
  EXPECT_EQ(got.back().flags, 0) << "short press after the last repeat";
  std::vector<double> slow, fast;
  for (size_t i = 1; i + 1 < got.size(); ++i) {
    EXPECT_EQ(got[i].flags, 1 << 4);
    const double interval = got[i].at - got[i - 1].at;
    const double threshold = i <= 14 ? 0.1 : 0.02;
    // Never early; late by a poll, or by an exchange now and then.
    EXPECT_GE(interval, threshold - 0.001) << "repeat " << i;
    (i <= 14 ? slow : fast).push_back(interval);
  }
  ASSERT_EQ(slow.size(), 14u);
  ASSERT_GT(fast.size(), 5u);
  EXPECT_LT(median(slow), 0.13);
  EXPECT_LT(median(fast), 0.04);
}

// Two buttons: scripts of panel actions and the key calls they must give.
struct TwoButtonCase {
  const char* name;
  std::vector<std::pair<int, int>> steps;     // (button, +1 press / -1 release), 150 ms apart
  std::vector<std::pair<int, int>> expected;  // (button, flags)
};

TEST_F(GpioThreadTest, ASecondButtonIsTakenOnlyOnceTheFirstIsReleased) {
  TIME_LONG_PRESS = 2.0;  // every press here is short
  startThread();
  waitForLoop();
  const TwoButtonCase cases[] = {
      {"second released first is lost", {{2, +1}, {5, +1}, {5, -1}, {2, -1}}, {{2, 0}}},
      {"second still down follows the first", {{2, +1}, {5, +1}, {2, -1}, {5, -1}}, {{2, 0}, {5, 0}}},
      {"one after the other", {{1, +1}, {1, -1}, {6, +1}, {6, -1}}, {{1, 0}, {6, 0}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    {
      std::lock_guard lock(gCallsMutex);
      gCalls.clear();
    }
    for (auto [button, action] : c.steps) {
      if (action > 0)
        panel_->press(button);
      else
        panel_->release(button);
      platform::sleepMs(150);
    }
    platform::sleepMs(150);
    std::vector<std::pair<int, int>> got;
    for (const auto& k : calls()) got.emplace_back(k.button, k.flags);
    EXPECT_EQ(got, c.expected);
  }
}

TEST_F(GpioThreadTest, KeysAreDroppedWithoutAHandler) {
  SetKeyHandler(nullptr);
  startThread();
  waitForLoop();
  panel_->hold(2, 0.1);
  platform::sleepMs(300);
  SetKeyHandler(recordKey);
  panel_->hold(2, 0.1);
  ASSERT_TRUE(waitUntil([&] { return calls().size() == 1; }, 3000));
}

TEST_F(GpioThreadTest, StaticOutputsFollowFirmwareUpdateMode) {
  startThread();
  waitForLoop();
  EXPECT_TRUE(panel_->outputHigh(13));
  w_->fwUpdateMode = 4;  // other bits leave the line alone
  platform::sleepMs(50);
  EXPECT_TRUE(panel_->outputHigh(13));
  w_->fwUpdateMode = 5;
  EXPECT_TRUE(waitUntil([&] { return !panel_->outputHigh(13); }, 1000));
  w_->fwUpdateMode = 0;
  EXPECT_TRUE(waitUntil([&] { return panel_->outputHigh(13); }, 1000));
  EXPECT_TRUE(panel_->outputHigh(16));
}

bool isReading(uint8_t code) { return code == 0xD1 || code == 0xD2 || code == 0xD3; }

TEST_F(GpioThreadTest, StartUpCommandsGoOutFirstThenTheReadings) {
  // A garbled exchange proves nothing either way: start again, a few times.
  for (int attempt = 0; attempt < 3; ++attempt) {
    stopThread();
    w_->running = 1;
    InitGlobalVar(w_.get());
    w_->tinyPollIdx = 0;  // a garbled try must not leave the round robin advanced
    w_->tinyPollDelay = 0;
    panel_->clearCommands();
    ASSERT_TRUE(PostTinyCmd(w_.get(), 197));  // as start-up does before the thread starts
    startThread();
    ASSERT_TRUE(panel_->waitFor([](const auto& c) { return c.size() >= 3; }, 5000));
    const auto all = panel_->commands();
    if (all[0].garbled || all[1].garbled || all[2].garbled) continue;
    EXPECT_EQ(all[0].code, 176);
    EXPECT_EQ(all[1].code, 197);
    EXPECT_EQ(all[2].code, 0xD1);
    EXPECT_EQ(w_->tinyCmd, 0);
    return;
  }
  FAIL() << "every start had a garbled exchange (" << panel_->garbled() << " of " << panel_->exchanges() << ")";
}

TEST_F(GpioThreadTest, APostedCommandReachesThePanelBeforeTheNextReadingPoll) {
  startThread();
  ASSERT_TRUE(panel_->waitFor([](const auto& c) { return c.size() >= 3; }, 5000));
  // A garbled exchange proves nothing either way; a few tries get a clean one.
  bool checked = false;
  for (int attempt = 0; attempt < 3 && !checked; ++attempt) {
    const uint8_t code = attempt == 0 ? 149 : attempt == 1 ? 165 : 133;
    // Post just after an exchange has ended, so none is under way: the next
    // slot is a few hundred milliseconds off.
    const size_t seen = panel_->commands().size();
    ASSERT_TRUE(panel_->waitFor([&](const auto& all) { return all.size() > seen; }, 5000));
    const int64_t postedUs = platform::monotonicUs();
    ASSERT_TRUE(PostTinyCmd(w_.get(), code));
    ASSERT_TRUE(panel_->waitFor(
        [&](const auto& all) {
          return std::count_if(all.begin(), all.end(), [&](const auto& c) { return c.startUs > postedUs; }) >= 2;
        },
        5000));
    std::vector<sim::FrontPanel::Command> after;
    for (const auto& c : panel_->commands())
      if (c.startUs > postedUs) after.push_back(c);
    if (after[0].garbled) continue;
    EXPECT_EQ(after[0].code, code) << "the first exchange after the post carries it, not a reading";
    EXPECT_TRUE(isReading(after[1].code) || after[1].garbled);
    checked = true;
  }
  EXPECT_TRUE(checked) << "every try was garbled (" << panel_->garbled() << " of " << panel_->exchanges() << ")";
}

TEST_F(GpioThreadTest, RailReadingsAndTheVersionArriveInTheReplySlots) {
  panel_->setReading(sim::Rail::V12, 141);
  panel_->setReading(sim::Rail::V15, 176);
  panel_->setReading(sim::Rail::Supply, 77);
  startThread();
  EXPECT_TRUE(waitUntil(
      [&] { return w_->tinyReply0 == 0x27 && w_->tinyReply1 == 141 && w_->tinyReply2 == 176 && w_->tinyReply3 == 77; },
      10000))
      << int(w_->tinyReply0) << " " << int(w_->tinyReply1) << " " << int(w_->tinyReply2) << " " << int(w_->tinyReply3);
  // A new reading replaces the old one within a round of polls.
  panel_->setReading(sim::Rail::Supply, 200);
  EXPECT_TRUE(waitUntil([&] { return w_->tinyReply3 == 200; }, 10000));
}

TEST_F(GpioThreadTest, TheThreadEndsPromptlyWhenTheProgramStops) {
  startThread();
  waitForLoop();
  const int64_t start = platform::monotonicMs();
  stopThread();
  EXPECT_LT(platform::monotonicMs() - start, 200);
}

}  // namespace
