// A bounded soak of the link against the simulated amplifier: every exchange
// must complete without a misframe or a retry. HFAMP_SOAK_SECONDS stretches it
// (600 for the ten-minute run).
#include <gtest/gtest.h>

#include <cstdlib>

#include "link_harness.h"
#include "platform/clock.h"

class Soak : public LinkHarness {};

TEST_F(Soak, PollsWithoutALostOrMisframedExchange) {
  const char* env = std::getenv("HFAMP_SOAK_SECONDS");
  long seconds = env ? std::atol(env) : 10;
  installCalibration(4e-6f, 1e-5f, 1e-5f);
  startLink();
  for (long s = 0; s < seconds; ++s) {
    // Vary the load so the status texts change under the framer.
    amp_.setTransmit(s % 4 < 2);
    amp_.setDrive(static_cast<float>(s % 7));
    platform::sleepMs(1000);
  }
  stopLink();
  auto rec = amp_.received();
  size_t polls = 0;
  for (const auto& r : rec) {
    EXPECT_TRUE(r.checksumOk) << r.text;
    polls += r.text == "ST;";
  }
  std::printf("soak: %ld s, %zu exchanges, %zu status polls (%.1f/s), %llu replies sent, misframes %u, retries %d\n",
              seconds, rec.size(), polls, polls / double(seconds), (unsigned long long)amp_.repliesSent(),
              w_->linkChkErrors + w_->linkRunts + w_->linkOverflows, w_->retryTotal.load());
  EXPECT_GT(polls, size_t(seconds) * 15);
  EXPECT_EQ(w_->linkChkErrors, 0u);
  EXPECT_EQ(w_->linkRunts, 0u);
  EXPECT_EQ(w_->linkOverflows, 0u);
  EXPECT_EQ(w_->retryTotal, 0);
  EXPECT_EQ(amp_.badFrames(), 0u);
  // Every command but possibly the last was answered.
  EXPECT_GE(amp_.repliesSent() + 1, rec.size());
}
