// The bench's front-panel and keyboard commands, and the rail readings they
// set, read back the way the program reads them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "amp/temperature.h"
#include "amp_sim.h"
#include "bench_commands.h"
#include "bench_files.h"
#include "front_panel.h"
#include "platform/clock.h"
#include "platform/input.h"
#include "sim_keyboard.h"
#include "works_fixture.h"

using ::testing::HasSubstr;

namespace {

TEST(RailReading, TheProgramShowsTheVoltsTheBenchAskedFor) {
  OwnedWorks w;
  const struct {
    char variant;
    double volts;
  } cases[] = {{'0', 12.0}, {'0', 15.0}, {'0', 13.8}, {'0', 0.0}, {'1', 12.0}, {'1', 48.0}, {'1', 53.5}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(1, c.variant) + " " + std::to_string(c.volts));
    w->ampVariant = c.variant;
    const uint8_t reading = sim::RailReading(c.volts, c.variant);
    const double step = CalvTensVadcAmp(w.get(), 1);
    EXPECT_NEAR(CalvTensVadcAmp(w.get(), reading), c.volts, step / 2 + 1e-6);
  }
  // Beyond the converter's range the reading stays at full scale.
  EXPECT_EQ(sim::RailReading(40.0, '0'), 255);
  EXPECT_EQ(sim::RailReading(-3.0, '1'), 0);
}

class BenchPanel : public SandboxTest {
 protected:
  std::string run(const std::string& line) {
    bool quit = false;
    return commands_->run(line, quit);
  }
  void SetUp() override {
    SandboxTest::SetUp();
    panel_ = std::make_unique<sim::FrontPanel>(root_);
    keyboard_ = std::make_unique<sim::SimKeyboard>(root_);
    commands_ = std::make_unique<sim::BenchCommands>(amp_, std::vector<ConfigRow>{});
    commands_->setFrontPanel(panel_.get());
    commands_->setKeyboard(keyboard_.get());
    panel_->start();
  }
  void TearDown() override {
    commands_.reset();
    panel_.reset();
    keyboard_.reset();
    SandboxTest::TearDown();
  }
  sim::AmpSim amp_;
  std::unique_ptr<sim::FrontPanel> panel_;
  std::unique_ptr<sim::SimKeyboard> keyboard_;
  std::unique_ptr<sim::BenchCommands> commands_;
};

TEST_F(BenchPanel, PressAndHoldLetGoOnTheirOwn) {
  EXPECT_EQ(run("press 3"), "ok");
  EXPECT_TRUE(panel_->pressed(3));
  EXPECT_EQ(run("hold 5 0.4"), "ok");
  EXPECT_TRUE(panel_->pressed(5));
  platform::sleepMs(250);
  EXPECT_FALSE(panel_->pressed(3));
  EXPECT_TRUE(panel_->pressed(5));
  platform::sleepMs(300);
  EXPECT_FALSE(panel_->pressed(5));
  EXPECT_THAT(run("panel"), HasSubstr("buttons down:;"));
}

TEST_F(BenchPanel, RailsFollowTheAmplifierModel) {
  EXPECT_THAT(run("rail PA 13.8"), HasSubstr("ok"));
  EXPECT_EQ(panel_->reading(sim::Rail::Supply), sim::RailReading(13.8, '0'));
  run("variant 1");
  EXPECT_THAT(run("rail 15V 15"), HasSubstr("(15.01 V on the 120 W model)"));
  EXPECT_EQ(panel_->reading(sim::Rail::V15), sim::RailReading(15.0, '1'));
  EXPECT_EQ(panel_->reading(sim::Rail::V12), 0) << "untouched";
}

TEST_F(BenchPanel, KeysGoIntoTheKeyboardPipe) {
  int err = 0;
  auto device = platform::InputDevice::open(keyboard_->path().substr(root_.size()), err);
  ASSERT_TRUE(device);
  EXPECT_EQ(run("key f11"), "ok");
  EXPECT_EQ(run("key 99"), "ok");
  std::vector<std::pair<int, int>> keys;
  platform::InputEvent ev;
  while (device->next(ev, 50, err) == platform::InputDevice::Result::Event)
    if (ev.type == platform::kEvKey) keys.emplace_back(ev.code, ev.value);
  EXPECT_EQ(keys, (std::vector<std::pair<int, int>>{{87, 1}, {87, 0}, {99, 1}, {99, 0}}));
}

// The bench's own setup turns the keyboard on; a program set up without it
// gets no key, and "key" says why instead of "ok".
TEST_F(BenchPanel, KeySaysSoWhenTheProgramHasNoKeyboard) {
  commands_->setRoot(root_);
  ASSERT_TRUE(sim::writeBenchSetFiles(root_));
  EXPECT_THAT(run("key F11"), HasSubstr("without its service keyboard"));
  ASSERT_TRUE(sim::writeBenchSetFiles(root_, {}, true));
  EXPECT_EQ(run("key F11"), "ok");
}

TEST_F(BenchPanel, LogShowsTheEndOfTheProgramsOwnLog) {
  commands_->setRoot(root_);
  EXPECT_THAT(run("log"), HasSubstr("no log yet"));
  std::string text;
  for (int i = 1; i <= 30; ++i) text += "line " + std::to_string(i) + "\n";
  writeHost(sim::kProgramLog, text);
  EXPECT_EQ(run("log 2"), "line 29\nline 30");
  const std::string tail = run("log");
  EXPECT_EQ(std::count(tail.begin(), tail.end(), '\n'), 19);  // 20 lines
  EXPECT_EQ(tail.rfind("line 11\n", 0), 0u);
  EXPECT_THAT(run("log 0"), HasSubstr("usage: log"));
}

TEST_F(BenchPanel, BadArgumentsAreRefusedWithTheirUsage) {
  const struct {
    const char* line;
    const char* reply;
  } cases[] = {{"press 7", "usage: press"},  {"press", "usage: press"},       {"hold 2", "usage: hold"},
               {"hold 2 -1", "usage: hold"}, {"rail 5V 5", "usage: rail"},    {"rail PA", "usage: rail"},
               {"rail PA x", "usage: rail"}, {"key NOSUCHKEY", "usage: key"}, {"key", "usage: key"}};
  for (const auto& c : cases) EXPECT_THAT(run(c.line), HasSubstr(c.reply)) << c.line;
  for (int b = 1; b <= 6; ++b) EXPECT_FALSE(panel_->pressed(b));
}

}  // namespace
