// The keyb thread against the simulated keyboard pipe: the four service keys,
// the events it must ignore, and stopping with and without a keyboard.
#include "display/keyboard.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <mutex>
#include <thread>

#include "state/setup.h"
#include "platform/clock.h"
#include "platform/board.h"
#include "platform/files.h"
#include "platform/input.h"
#include "platform/log.h"
#include "sim_keyboard.h"
#include "wait_until.h"
#include "works_fixture.h"

using ::testing::Contains;
using ::testing::HasSubstr;

namespace {

bool recorded(const std::string& command) {
  const auto record = platform::commandRecord();
  return std::find(record.begin(), record.end(), command) != record.end();
}

class KeyboardTest : public WorksTest {
 protected:
  void SetUp() override {
    WorksTest::SetUp();
    initSetup(w_.get());
    platform::setLogObserver([this](const std::string& s) {
      std::lock_guard lock(logMutex_);
      log_ += s;
    });
  }
  void TearDown() override {
    w_->running = 0;
    if (thread_.joinable()) thread_.join();
    platform::setLogObserver({});
    WorksTest::TearDown();
  }
  void start() {
    thread_ = std::thread([this] {
      keyb(w_.get());
      ended_ = true;
    });
  }
  // Starts the thread with the keyboard in place and waits until it reads it.
  void startWithKeyboard() {
    keyboard_ = std::make_unique<sim::SimKeyboard>(root_);
    ASSERT_TRUE(keyboard_->ok());
    start();
    ASSERT_TRUE(waitUntil([&] { return log().find("Continuous keyboard loop started") != std::string::npos; }, 5000));
  }
  std::string log() {
    std::lock_guard lock(logMutex_);
    return log_;
  }
  void writeRaw(const std::string& bytes) {
    const int fd = ::open(keyboard_->path().c_str(), O_WRONLY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    ::close(fd);
  }

  std::unique_ptr<sim::SimKeyboard> keyboard_;
  std::thread thread_;
  std::atomic<bool> ended_{false};
  std::mutex logMutex_;
  std::string log_;
};

TEST_F(KeyboardTest, OpensTheKeyboardAndTurnsEchoOff) {
  startWithKeyboard();
  EXPECT_THAT(log(), HasSubstr("keyb open..\n" + std::string(113, '*') + "\n"));
  EXPECT_THAT(log(), HasSubstr("Keyboard function entered"));
  EXPECT_THAT(log(), HasSubstr("Keyboard opened"));
  EXPECT_TRUE(recorded("stty -echo"));
  EXPECT_THAT(log(), ::testing::Not(HasSubstr("Cannot grab"))) << "a pipe needs no grab";
}

TEST_F(KeyboardTest, F11SavesTheSetupFile) {
  startWithKeyboard();
  w_->EnableDebug = 1;
  ASSERT_FALSE(platform::fileExists(kSetupPath));
  ASSERT_TRUE(keyboard_->type("F11"));
  ASSERT_TRUE(waitUntil([&] { return platform::fileExists(kSetupPath); }, 3000));
  EXPECT_THAT(readHost(kSetupPath), HasSubstr("EnableDebug: 1\n"));
  EXPECT_THAT(log(), HasSubstr("Save setup"));
  EXPECT_EQ(w_->running, 1u);
}

TEST_F(KeyboardTest, SysRqTakesAScreenshotAndF10RunsTheShell) {
  startWithKeyboard();
  ASSERT_TRUE(keyboard_->type("SYSRQ"));
  ASSERT_TRUE(keyboard_->type("F10"));
  ASSERT_TRUE(waitUntil([&] { return recorded("/opt/sshshell"); }, 3000));
  EXPECT_TRUE(recorded("/usr/bin/fbgrab /tmp/screen.png >/dev/null 2>&1 </dev/null"));
  const std::string text = log();
  for (const char* line : {"launching screenshot", "launched screenshot", "launching ssh", "launched ssh"})
    EXPECT_THAT(text, HasSubstr(line));
  // In order: the screenshot, then the shell.
  EXPECT_LT(text.find("launched screenshot"), text.find("launching ssh"));
}

TEST_F(KeyboardTest, OnlyKeyPressesCount) {
  startWithKeyboard();
  using platform::encodeInputEvent;
  // F12 released, F12 auto-repeating, F12 as a non-key event: none ends the program.
  writeRaw(encodeInputEvent(platform::kEvKey, platform::kKeyF12, platform::kKeyReleased) +
           encodeInputEvent(platform::kEvKey, platform::kKeyF12, platform::kKeyAutoRepeat) +
           encodeInputEvent(4, platform::kKeyF12, platform::kKeyPressed) + encodeInputEvent(platform::kEvSyn, 0, 0));
  // A record split across two writes is put back together.
  const std::string f11 = encodeInputEvent(platform::kEvKey, platform::kKeyF11, platform::kKeyPressed);
  writeRaw(f11.substr(0, 5));
  platform::sleepMs(50);
  writeRaw(f11.substr(5));
  ASSERT_TRUE(waitUntil([&] { return log().find("Save setup") != std::string::npos; }, 3000));
  EXPECT_EQ(w_->running, 1u);
  EXPECT_FALSE(ended_);
}

TEST_F(KeyboardTest, F12StopsTheProgramAndEndsTheThread) {
  startWithKeyboard();
  platform::clearCommandRecord();
  ASSERT_TRUE(keyboard_->type("F12"));
  ASSERT_TRUE(waitUntil([&] { return ended_.load(); }, 3000));
  EXPECT_EQ(w_->running, 0u);
  EXPECT_THAT(log(), HasSubstr("Exited by KEY_F12"));
  EXPECT_THAT(platform::commandRecord(), ::testing::ElementsAre("/bin/stty sane", "/usr/bin/tput clear"));
}

TEST_F(KeyboardTest, TheFirstKeyboardByNameIsTheOneRead) {
  // Two keyboards: "a-..." comes first; keys typed on "b-..." go unread.
  sim::SimKeyboard other(root_);
  ASSERT_TRUE(other.ok());
  ASSERT_EQ(::rename(other.path().c_str(), (root_ + "/dev/input/by-id/b-event-kbd").c_str()), 0);
  keyboard_ = std::make_unique<sim::SimKeyboard>(root_);
  ASSERT_EQ(::rename(keyboard_->path().c_str(), (root_ + "/dev/input/by-id/a-event-kbd").c_str()), 0);
  start();
  ASSERT_TRUE(waitUntil([&] { return log().find("Keyboard opened") != std::string::npos; }, 5000));
  ASSERT_TRUE(other.type("F12"));
  platform::sleepMs(200);
  EXPECT_EQ(w_->running, 1u);
  ASSERT_TRUE(keyboard_->type("F12"));
  EXPECT_TRUE(waitUntil([&] { return ended_.load(); }, 3000));
}

TEST_F(KeyboardTest, WithoutAKeyboardItWaitsAndStopsPromptly) {
  start();
  ASSERT_TRUE(waitUntil([&] { return log().find("Keyboard function entered") != std::string::npos; }, 3000));
  platform::sleepMs(100);
  EXPECT_FALSE(ended_);
  const int64_t t0 = platform::monotonicMs();
  w_->running = 0;
  ASSERT_TRUE(waitUntil([&] { return ended_.load(); }, 2000));
  EXPECT_LT(platform::monotonicMs() - t0, 500);
  EXPECT_TRUE(recorded("/bin/stty sane"));
}

}  // namespace
