// The rate limiter for lines a peer can cause: one line a second per kind and
// peer, a count of what it held back, and a table that a flood of addresses
// cannot grow.
#include "platform/log_limit.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

namespace {

using ::testing::ElementsAre;

class LogLimitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::setLogObserver([this](const std::string& s) {
      std::lock_guard lock(mutex_);
      lines_.push_back(s);
    });
  }
  void TearDown() override { platform::setLogObserver({}); }
  std::vector<std::string> lines() {
    std::lock_guard lock(mutex_);
    return lines_;
  }
  platform::LogRateLimit::Clock clock() {
    return [this] { return now_.load(); };
  }

  std::atomic<int64_t> now_{1'000'000};
  std::mutex mutex_;
  std::vector<std::string> lines_;
};

TEST_F(LogLimitTest, ABurstFromOnePeerIsOneLineThenTheCountWithTheNext) {
  platform::LogRateLimit limit(256, 1000, clock());
  for (int i = 0; i < 1000; ++i) limit.log("bad frame", "10.0.0.7", platform::kErr, "10.0.0.7: bad frame %d", i);
  EXPECT_THAT(lines(), ElementsAre("E: 10.0.0.7: bad frame 0"));
  now_ += 999;
  EXPECT_FALSE(limit.log("bad frame", "10.0.0.7", platform::kErr, "still within the second"));
  now_ += 1;
  EXPECT_TRUE(limit.log("bad frame", "10.0.0.7", platform::kErr, "10.0.0.7: bad frame again"));
  EXPECT_THAT(lines(), ElementsAre("E: 10.0.0.7: bad frame 0", "E: 10.0.0.7: bad frame again (1000 more suppressed)"));
  // Nothing held back since: no count.
  now_ += 5000;
  limit.log("bad frame", "10.0.0.7", platform::kInfo, "quiet");
  EXPECT_EQ(lines().back(), "I: quiet");
}

TEST_F(LogLimitTest, PeersAndKindsAreLimitedEachOnTheirOwn) {
  platform::LogRateLimit limit(256, 1000, clock());
  for (int i = 0; i < 50; ++i) {
    limit.log("bad frame", "10.0.0.7", platform::kErr, "a");
    limit.log("bad frame", "10.0.0.8", platform::kErr, "b");
    limit.log("refused", "10.0.0.7", platform::kErr, "c");
  }
  EXPECT_THAT(lines(), ElementsAre("E: a", "E: b", "E: c"));
  // A kind and peer that run together differently are still another pair.
  EXPECT_TRUE(limit.admit("bad frame1", "0.0.0.7").has_value());
}

TEST_F(LogLimitTest, AFloodOfAddressesKeepsTheTableBoundedAndTheBusyPeerLimited) {
  platform::LogRateLimit limit(16, 1000, clock());
  limit.log("bad frame", "flooder", platform::kErr, "flooder");
  for (int i = 0; i < 10000; ++i) {
    ASSERT_TRUE(limit.admit("bad frame", "10.1." + std::to_string(i)).has_value());
    EXPECT_FALSE(limit.admit("bad frame", "flooder").has_value()) << i;  // still remembered
  }
  EXPECT_LE(limit.pairs(), 16u);
  now_ += 1000;
  EXPECT_EQ(limit.admit("bad frame", "flooder"), 10000u);
}

TEST_F(LogLimitTest, TheProgramsLimiterTakesOneLineOfABurst) {
  int written = 0;
  for (int i = 0; i < 1000; ++i)
    written += platform::sysLogLimited("limiter test burst", "192.0.2.1", platform::kInfo, "burst %d", i) ? 1 : 0;
  EXPECT_EQ(written, 1);
  EXPECT_THAT(lines(), ElementsAre("I: burst 0"));
}

}  // namespace
