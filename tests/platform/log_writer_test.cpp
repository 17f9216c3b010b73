// The program's log path with its writer thread: errPrintf and sysLog return
// while the writer is stuck, observers still see every line on the caller's
// thread, and what a full queue lost is reported once the writer catches up.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/log.h"
#include "platform/log_writer.h"
#include "sandbox_fixture.h"
#include "wait_until.h"

namespace {

class LogWriterTest : public SandboxTest {
 protected:
  void SetUp() override {
    SandboxTest::SetUp();
    // Standard error into a file: a pipe nobody reads would stall the
    // writer on its own.
    stderrPath_ = root_ + "/stderr.txt";
    const int fd = ::open(stderrPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    savedStderr_ = ::dup(STDERR_FILENO);
    ::dup2(fd, STDERR_FILENO);
    ::close(fd);
    platform::setLogObserver([this](const std::string& s) {
      std::lock_guard lock(mutex_);
      seen_.push_back(s);
    });
    platform::attachLogWriter();
    writer_ = std::thread(platform::runLogWriter);
  }
  void TearDown() override {
    stopWriter();
    platform::setLogObserver({});
    if (savedStderr_ >= 0) {
      ::dup2(savedStderr_, STDERR_FILENO);
      ::close(savedStderr_);
    }
    SandboxTest::TearDown();
  }
  void stopWriter() {
    if (!writer_.joinable()) return;
    platform::holdLogWriter(false);
    platform::finishLogWriter();
    writer_.join();
  }
  std::string written() {
    std::ifstream in(stderrPath_);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  size_t seen() {
    std::lock_guard lock(mutex_);
    return seen_.size();
  }

  std::string stderrPath_;
  int savedStderr_ = -1;
  std::thread writer_;
  std::mutex mutex_;
  std::vector<std::string> seen_;
};

TEST_F(LogWriterTest, CallersNeverWaitOnAStuckWriterAndTheLossIsReportedAfter) {
  const platform::LogCounts before = platform::logCounts();
  platform::holdLogWriter(true);
  constexpr int kLines = 6000;  // more than the queue holds
  std::atomic<bool> returned{false};
  std::atomic<int> notSeenAtReturn{0};
  std::thread caller([&] {
    for (int i = 0; i < kLines; ++i) {
      platform::errPrintf("held %d\n", i);
      if (seen() != static_cast<size_t>(i) + 1) ++notSeenAtReturn;
    }
    returned = true;
  });
  EXPECT_TRUE(waitUntil([&] { return returned.load(); }, 10000)) << "a caller waited on the held writer";
  caller.join();
  EXPECT_EQ(notSeenAtReturn.load(), 0) << "the observer is called before errPrintf returns";
  EXPECT_EQ(written(), "");  // nothing written while held
  const uint64_t dropped = platform::logCounts().dropped - before.dropped;
  EXPECT_EQ(dropped, static_cast<uint64_t>(kLines - 4096));

  platform::holdLogWriter(false);
  platform::flushLog();
  std::string expected;
  for (int i = 0; i < 4096; ++i) expected += "held " + std::to_string(i) + "\n";
  expected += "log: " + std::to_string(dropped) + " lines dropped\n";
  EXPECT_EQ(written(), expected);
}

TEST_F(LogWriterTest, LinesOfAllKindsKeepTheirOrderThroughTheWriter) {
  for (int i = 0; i < 300; ++i) {
    platform::errPrintf("e%d\n", i);
    platform::sysLog(platform::kInfo, "s%d", i);  // through the same queue, between them
  }
  platform::flushLog();
  std::string expected;
  for (int i = 0; i < 300; ++i) expected += "e" + std::to_string(i) + "\n";
  EXPECT_EQ(written(), expected);
  std::lock_guard lock(mutex_);
  ASSERT_EQ(seen_.size(), 600u);
  for (int i = 0; i < 300; ++i) {
    EXPECT_EQ(seen_[2 * i], "2: e" + std::to_string(i) + "\n");
    EXPECT_EQ(seen_[2 * i + 1], "I: s" + std::to_string(i));
  }
}

TEST_F(LogWriterTest, OnceTheWriterHasStoppedTheCallerWritesAgain) {
  platform::errPrintf("queued\n");
  stopWriter();
  EXPECT_EQ(written(), "queued\n");  // the stop wrote what was left
  platform::errPrintf("direct\n");
  EXPECT_EQ(written(), "queued\ndirect\n");
}

}  // namespace
