#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "app/load_thread.h"
#include "app/thread_table.h"
#include "display/framebuffer.h"
#include "platform/board.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/log.h"
#include "platform/remount.h"
#include "state/globals.h"
#include "state/setup.h"
#include "state/tiny_cmd.h"
#include "works_fixture.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

// Collects every code posted to the GPIO mailbox, as the GPIO thread would.
class MailboxReader {
 public:
  explicit MailboxReader(Works* w) : w_(w), thread_([this] { run(); }) {}
  ~MailboxReader() {
    stop_ = true;
    thread_.join();
  }
  std::vector<int> codes() {
    std::lock_guard lock(mutex_);
    return codes_;
  }

 private:
  void run() {
    while (!stop_) {
      if (uint8_t c = TakeTinyCmd(w_)) {
        std::lock_guard lock(mutex_);
        codes_.push_back(c);
      }
      platform::sleepMs(1);
    }
  }
  Works* w_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<int> codes_;
  std::thread thread_;
};

class ThreadsTest : public WorksTest {
 protected:
  void SetUp() override {
    WorksTest::SetUp();
    readSetup(w_.get());
    platform::clearCommandRecord();
  }
};

TEST_F(ThreadsTest, LoadingCountdownCountsDownAndPosts181Once) {
  FrameBuffer* fb = fbInit();
  ASSERT_NE(fb, nullptr);
  w_->fb = fb;
  std::vector<std::string> lines;
  std::mutex linesMutex;
  platform::setLogObserver([&](const std::string& s) {
    std::lock_guard lock(linesMutex);
    if (s.rfind("2: Time ", 0) == 0) lines.push_back(s.substr(3));
  });
  MailboxReader mailbox(w_.get());
  waitVYR = 10;
  startInitThread = 1;
  std::thread countdown(LoadThread, w_.get());
  platform::sleepMs((waitVYR + 1) * 1000);
  startInitThread = 0;
  countdown.join();
  platform::setLogObserver({});
  ASSERT_GE(lines.size(), 10u);
  for (int i = 0; i < 10; ++i) {
    char expected[40];
    std::snprintf(expected, sizeof expected, "Time Loading ...%2d..\n", 10 - i);
    EXPECT_EQ(lines[i], expected);
  }
  EXPECT_LE(lines.size(), 11u);  // may show 0 before the window closes
  EXPECT_THAT(mailbox.codes(), ElementsAre(181));
  fbClose(fb);
}

TEST_F(ThreadsTest, UpdateMarkerRemovalRemountsAroundTheRemoval) {
  writeHost("/opt/good", "1");
  RemoveUpdateMarker(w_.get());
  EXPECT_THAT(platform::commandRecord(),
              ElementsAre("mount -o remount defaults,rw /opt/set", "rm -f /opt/good >/dev/null 2>&1",
                          "mount -v -n -o remount -r /opt/set"));
  EXPECT_FALSE(platform::fileExists("/opt/good"));
}

TEST_F(ThreadsTest, UpdateMarkerRemovalStopsWhenTheRemountFails) {
  platform::setSandboxAnswer(platform::BoardAction::RemountSettingsWritable, [](const platform::BoardCall&) {
    return platform::BoardResult{1, ""};
  });
  RemoveUpdateMarker(w_.get());
  platform::setSandboxAnswer(platform::BoardAction::RemountSettingsWritable, nullptr);
  EXPECT_THAT(platform::commandRecord(), ElementsAre("mount -o remount defaults,rw /opt/set"));
}

TEST_F(ThreadsTest, RemountBracketNestsAcrossWriters) {
  ASSERT_TRUE(RemountSetRW());
  ASSERT_TRUE(RemountSetRW());  // a second writer joins the open bracket
  EXPECT_TRUE(RemountSetRO());
  EXPECT_TRUE(platform::optSetWritable()) << "the first writer is still writing";
  EXPECT_TRUE(RemountSetRO());
  EXPECT_FALSE(platform::optSetWritable());
  EXPECT_THAT(platform::commandRecord(),
              ElementsAre("mount -o remount defaults,rw /opt/set", "mount -v -n -o remount -r /opt/set"));
}

TEST_F(ThreadsTest, RemoteThreadsStopAndStartTogether) {
  MailboxReader mailbox(w_.get());
  w_->setup->EnableCAT = '1';
  ExitThreadRemote(w_.get());
  EXPECT_EQ(w_->setup->EnableCAT, '0');
  StartThreadCommRemote(w_.get());
  for (SetupFlag* f : {&w_->setup->EnableRead, &w_->setup->EnableWrite, &w_->setup->EnableCAT, &w_->setup->EnableFFT})
    EXPECT_EQ(*f, '1');
  EXPECT_TRUE(thrCat.joinable() && thrFFT.joinable() && thrLeggi.joinable() && thrScrivi.joinable());
  std::string file = readHost("/opt/set/setup.txt");
  for (const char* line : {"EnableRead: 1", "EnableWrite: 1", "EnableCAT: 1", "EnableFFT: 1"})
    EXPECT_THAT(file, HasSubstr(line));
  // A second stop ends and joins the four; a restart finds no old instance.
  ExitThreadRemote(w_.get());
  EXPECT_FALSE(thrCat.joinable() || thrFFT.joinable() || thrLeggi.joinable() || thrScrivi.joinable());
  StartThreadCommRemote(w_.get());
  ExitThreadRemote(w_.get());
  platform::sleepMs(50);
  EXPECT_THAT(mailbox.codes(), ElementsAre(165, 149, 165, 149, 165));
  EXPECT_THAT(readHost("/opt/set/setup.txt"), HasSubstr("EnableCAT: 0"));
}

TEST_F(ThreadsTest, MailboxPostGivesUpWithoutAReader) {
  ASSERT_TRUE(PostTinyCmd(w_.get(), 197));
  w_->running = 0;  // a stopping program never waits on the mailbox
  EXPECT_FALSE(PostTinyCmd(w_.get(), 181));
  EXPECT_EQ(TakeTinyCmd(w_.get()), 197);
  EXPECT_EQ(TakeTinyCmd(w_.get()), 0);
}

}  // namespace
