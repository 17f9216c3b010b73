// The log queue between the threads that log and the writer: a stalled sink
// never stalls a caller, a full queue drops and counts, order is kept, and
// without a writer the caller writes as it always did.
#include "platform/log_queue.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "wait_until.h"

namespace {

using platform::LogQueue;
using Target = LogQueue::Target;

// A sink that records what it is given and can be made to stall, as a hung
// syslog daemon does.
class StallingSink {
 public:
  LogQueue::Sink sink() {
    return [this](const LogQueue::Line& line) {
      std::unique_lock lock(mutex_);
      ++entered_;
      changed_.notify_all();
      changed_.wait(lock, [&] { return !stalled_; });
      lines_.push_back(line.text);
    };
  }
  void stall() {
    std::lock_guard lock(mutex_);
    stalled_ = true;
  }
  void release() {
    std::lock_guard lock(mutex_);
    stalled_ = false;
    changed_.notify_all();
  }
  bool waitEntered(int n) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(5), [&] { return entered_ >= n; });
  }
  std::vector<std::string> lines() {
    std::lock_guard lock(mutex_);
    return lines_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool stalled_ = false;
  int entered_ = 0;
  std::vector<std::string> lines_;
};

class LogQueueTest : public ::testing::Test {
 protected:
  void start(LogQueue& q) {
    q.attach();
    writer_ = std::thread([&q] { q.run(); });
  }
  void stop(LogQueue& q) {
    q.finish();
    if (writer_.joinable()) writer_.join();
  }
  std::thread writer_;
};

TEST_F(LogQueueTest, AStalledSinkNeverHoldsACallerAndAFullQueueDropsAndCounts) {
  StallingSink sink;
  LogQueue q(sink.sink(), LogQueue::Limits{8, 1 << 20});
  start(q);
  sink.stall();
  q.post(Target::SysInfo, "first");
  ASSERT_TRUE(sink.waitEntered(1));  // the writer is stuck inside the sink
  // A caller logging 100 lines finishes while the sink is still stuck.
  std::atomic<bool> returned{false};
  std::atomic<int> accepted{0};
  std::thread caller([&] {
    for (int i = 0; i < 100; ++i) accepted += q.post(Target::SysErr, "line " + std::to_string(i)) ? 1 : 0;
    returned = true;
  });
  EXPECT_TRUE(waitUntil([&] { return returned.load(); }, 5000)) << "a caller waited on the stalled sink";
  sink.release();
  caller.join();
  q.flush();
  EXPECT_EQ(accepted.load(), 8);
  EXPECT_EQ(q.counts().dropped, 92u);
  std::vector<std::string> expected = {"first"};
  for (int i = 0; i < 8; ++i) expected.push_back("line " + std::to_string(i));
  expected.push_back("log: 92 lines dropped");    // system log
  expected.push_back("log: 92 lines dropped\n");  // standard error
  EXPECT_EQ(sink.lines(), expected);
  stop(q);
}

TEST_F(LogQueueTest, TheByteBudgetBoundsTheQueueToo) {
  StallingSink sink;
  LogQueue q(sink.sink(), LogQueue::Limits{1000, 100});
  start(q);
  sink.stall();
  q.post(Target::StdErr, "x");
  ASSERT_TRUE(sink.waitEntered(1));
  EXPECT_TRUE(q.post(Target::StdErr, std::string(60, 'a')));
  EXPECT_FALSE(q.post(Target::StdErr, std::string(60, 'b')));  // 120 bytes would be over
  EXPECT_TRUE(q.post(Target::StdErr, std::string(40, 'c')));
  sink.release();
  q.flush();
  EXPECT_EQ(q.counts().dropped, 1u);
  stop(q);
}

TEST_F(LogQueueTest, LinesKeepTheirOrderAcrossTargetsAndEachThreadsOrder) {
  StallingSink sink;
  LogQueue q(sink.sink());
  start(q);
  const Target targets[] = {Target::StdErr, Target::StdOut, Target::SysErr, Target::SysInfo};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 500; ++i) q.post(targets[(t + i) % 4], std::to_string(t) + ":" + std::to_string(i));
    });
  for (auto& t : threads) t.join();
  q.flush();
  const auto lines = sink.lines();
  ASSERT_EQ(lines.size(), 2000u);
  int next[4] = {0, 0, 0, 0};
  for (const std::string& l : lines) {
    const int t = l[0] - '0';
    EXPECT_EQ(l, std::to_string(t) + ":" + std::to_string(next[t])) << "out of order";
    ++next[t];
  }
  EXPECT_EQ(q.counts().dropped, 0u);
  stop(q);
}

TEST_F(LogQueueTest, WithoutAWriterTheCallerWritesBeforeAndAfterItsRun) {
  StallingSink sink;
  LogQueue q(sink.sink());
  q.post(Target::SysInfo, "before");
  EXPECT_THAT(sink.lines(), ::testing::ElementsAre("before"));
  start(q);
  q.post(Target::SysInfo, "during");
  stop(q);  // writes what is left before it returns
  EXPECT_THAT(sink.lines(), ::testing::ElementsAre("before", "during"));
  q.post(Target::SysInfo, "after");
  EXPECT_THAT(sink.lines(), ::testing::ElementsAre("before", "during", "after"));
  q.flush();  // nothing to wait for
}

TEST_F(LogQueueTest, FinishingWritesEverythingEvenWhileHeld) {
  StallingSink sink;
  LogQueue q(sink.sink());
  start(q);
  q.hold(true);
  for (int i = 0; i < 5; ++i) q.post(Target::StdErr, std::to_string(i));
  EXPECT_TRUE(sink.lines().empty());
  stop(q);
  EXPECT_THAT(sink.lines(), ::testing::ElementsAre("0", "1", "2", "3", "4"));
}

}  // namespace
