// The far unit's commands under a flood: bank changes paced and the setup
// file written about once a second with the bank the unit ends on; settings
// that come too soon wait, the latest winning; a reboot happens once.
// Judged by the files on the card, the unit's state and the commands run.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "amp/amp_commands.h"
#include "platform/board.h"
#include "platform/clock.h"
#include "platform/log.h"
#include "remote/remote_commands.h"
#include "state/outbox.h"
#include "state/remote_pacing.h"
#include "state/setup.h"
#include "state/setup_record.h"
#include "wait_until.h"
#include "works_fixture.h"

namespace {

class RemoteCommandsTest : public WorksTest {
 protected:
  void SetUp() override {
    WorksTest::SetUp();
    initSetup(w());
    w()->MAXbank = 100;  // no wrap to bank 0 within a test
    w()->NumBanco = 0;
    platform::setLogObserver([this](const std::string& s) {
      std::lock_guard lock(mutex_);
      log_.push_back(s);
    });
    FileOutbox().attach();
    writer_ = std::thread([] { FileOutbox().run(); });
  }
  void TearDown() override {
    FileOutbox().finish();
    writer_.join();
    platform::setLogObserver({});
    WorksTest::TearDown();
  }
  Works* w() { return w_.get(); }
  // One status text from the far unit, as the connection thread hands it on.
  void send(const std::string& text) {
    std::memset(w()->remoteStatusText, 0, sizeof w()->remoteStatusText);
    std::memcpy(w()->remoteStatusText, text.data(), std::min(text.size(), sizeof w()->remoteStatusText - 1));
    dispStat(w());
  }
  int logged(const std::string& text) {
    std::lock_guard lock(mutex_);
    return static_cast<int>(std::count_if(log_.begin(), log_.end(),
                                          [&](const std::string& l) { return l.find(text) != std::string::npos; }));
  }
  bool setupHoldsBank(int bank) {
    return readHost(kSetupPath).find("NumBanco: " + std::to_string(bank) + "\n") != std::string::npos;
  }

  std::thread writer_;
  std::mutex mutex_;
  std::vector<std::string> log_;
};

// Counts the times setup.txt is replaced on the card: every write renames a
// new file over it.
class SetupWriteWatch {
 public:
  explicit SetupWriteWatch(std::string path) : path_(std::move(path)), thread_([this] { watch(); }) {}
  ~SetupWriteWatch() { stop(); }
  int stop() {
    done_ = true;
    if (thread_.joinable()) thread_.join();
    return changes_;
  }

 private:
  void watch() {
    ino_t last = inode();
    while (!done_) {
      const ino_t now = inode();
      if (now != last && now != 0) ++changes_;
      last = now;
      platform::sleepMs(1);
    }
  }
  ino_t inode() const {
    struct stat st{};
    return ::stat(path_.c_str(), &st) == 0 ? st.st_ino : 0;
  }
  std::string path_;
  std::atomic<bool> done_{false};
  int changes_ = 0;
  std::thread thread_;
};

TEST_F(RemoteCommandsTest, ABurstOfBankCommandsIsPacedAndTheSetupFileEndsOnTheBankShown) {
  SetupWriteWatch watch(host(kSetupPath));
  const int64_t start = platform::monotonicMs();
  for (int i = 0; i < 300; ++i) {
    send("ORVABANK");
    platform::sleepMs(10);
  }
  const int64_t burstMs = platform::monotonicMs() - start;
  const int changes = w()->NumBanco;  // from bank 0, one step each
  EXPECT_LE(changes, kRemoteBankBurst + burstMs * kRemoteBankPerSecond / 1000 + 1) << burstMs << " ms";
  EXPECT_GE(changes, 2);
  // The card gets the final bank, without anyone flushing.
  EXPECT_TRUE(waitUntil([&] { return setupHoldsBank(w()->NumBanco); }, 3000)) << readHost(kSetupPath);
  const int writes = watch.stop();
  EXPECT_LE(writes, burstMs / 1000 + 2) << burstMs << " ms";
  EXPECT_GE(writes, 1);
  // The dropped ones are told of about once a second, with their count.
  EXPECT_LE(logged("dropped: bank changes"), burstMs / 1000 + 1);
  EXPECT_GE(logged("more suppressed"), 1);
}

TEST_F(RemoteCommandsTest, ABankCommandAfterThePacingWindowActs) {
  const int64_t start = platform::monotonicMs();
  for (int i = 0; i < 20; ++i) send("ORVAPA1");
  const int64_t burstMs = platform::monotonicMs() - start;
  const int afterBurst = w()->NumBanco;
  EXPECT_GE(afterBurst, 1);
  EXPECT_LE(afterBurst, kRemoteBankBurst + burstMs * kRemoteBankPerSecond / 1000);
  platform::sleepMs(1000 / kRemoteBankPerSecond + 50);  // the window has passed
  send("ORVABANK");
  EXPECT_EQ(w()->NumBanco, afterBurst + 1);
}

TEST_F(RemoteCommandsTest, ABankChangeAsksTheAmplifierThroughTheCommandPath) {
  w()->cmdPath.clear();
  send("ORVABANK");
  ASSERT_EQ(w()->NumBanco, 1);
  // The new bank's interface setting waits in the command path for the link
  // thread; nothing is written to the amplifier from here.
  EXPECT_THAT(w()->cmdPath.codes(), ::testing::Contains(kCmdGeneralSettings));
  EXPECT_EQ(w()->bandRowIdx, -1);  // the band row is chosen again by the link's own path
}

TEST_F(RemoteCommandsTest, SettingsThatComeTooSoonWaitAndActInTheirOrder) {
  w()->setup->fftFlag = '0';
  for (int i = 0; i < kRemoteSettingsBurst; ++i) send("ORVAFD9");
  ASSERT_EQ(w()->Divide, 9);
  send("ORVAFD1");   // too soon: waits
  send("ORVAFT01");  // behind it: raises a divider of 1 to 2
  EXPECT_EQ(w()->Divide, 9);
  EXPECT_EQ(w()->setup->fftFlag, '0');
  // The far unit's ordinary status texts give them their turn.
  EXPECT_TRUE(waitUntil(
      [&] {
        send("TX 14.074 100W");
        return w()->setup->fftFlag == '1';
      },
      3000));
  EXPECT_EQ(w()->Divide, 2);  // FD1 first, then FT01
  EXPECT_EQ(w()->setup->Enable1600, '0');
}

TEST_F(RemoteCommandsTest, OfSettingsThatWaitTheLatestOfEachKindWinsEvenWhenThePeerFallsSilent) {
  for (int i = 0; i < kRemoteSettingsBurst; ++i) send("ORVAFD9");
  for (int d = 10; d <= 40; ++d) send("ORVAFD" + std::to_string(d));
  EXPECT_EQ(w()->Divide, 9);
  // No more status texts: the timer loop's tick applies it.
  EXPECT_TRUE(waitUntil(
      [&] {
        ApplyHeldRemoteCommands(w());
        return w()->Divide != 9;
      },
      3000));
  EXPECT_EQ(w()->Divide, 40);  // not 10, nor any step between
  platform::sleepMs(600);
  ApplyHeldRemoteCommands(w());
  EXPECT_EQ(w()->Divide, 40);  // nothing older comes after it
}

TEST_F(RemoteCommandsTest, TheRebootCommandIsCarriedOutOnce) {
  std::thread first([&] { send("ORVARB"); });  // waits 4 s before the reboot
  ASSERT_TRUE(waitUntil([&] { return w()->tinyCmd == 197; }, 3000));
  send("ORVARB");  // while the first one waits
  first.join();
  send("ORVARB");
  const auto record = platform::commandRecord();
  EXPECT_EQ(std::count(record.begin(), record.end(), "reboot"), 1);
  EXPECT_EQ(logged("remote command: reboot"), 1);
  EXPECT_EQ(logged("ignored: a reboot is under way"), 2);  // 4 s apart: each one told
}

}  // namespace
