// A stored tune never holds up the amplifier link: the file is written by the
// writer thread while `Linear` goes on polling. The card is made slow here
// (each remount takes 400 ms); with the store on the link thread every tune's
// end would stop the polls for over 800 ms.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "link_harness.h"
#include "platform/board.h"
#include "platform/clock.h"
#include "state/outbox.h"
#include "state/tune_fields.h"
#include "tables/table_io.h"
#include "tune/autotune_control.h"
#include "wait_until.h"

namespace {

using platform::BoardAction;

constexpr int kSlowRemountMs = 400;

class StoredTuneLink : public LinkHarness {
 protected:
  void SetUp() override {
    LinkHarness::SetUp();
    for (BoardAction a : {BoardAction::RemountSettingsWritable, BoardAction::RemountSettingsReadOnly})
      platform::setSandboxAnswer(a, [](const platform::BoardCall& call) {
        platform::sleepMs(kSlowRemountMs);
        return platform::sandboxEquivalent(call);
      });
    FileOutbox().attach();
    writer_ = std::thread([] { FileOutbox().run(); });
  }
  void TearDown() override {
    stopLink();
    FileOutbox().finish();
    if (writer_.joinable()) writer_.join();
    for (BoardAction a : {BoardAction::RemountSettingsWritable, BoardAction::RemountSettingsReadOnly})
      platform::setSandboxAnswer(a, {});
    LinkHarness::TearDown();
  }
  // The largest gap between two status polls that both fall in [fromMs, toMs).
  int64_t largestPollGap(int64_t fromMs, int64_t toMs) {
    int64_t last = -1, gap = 0;
    for (const auto& r : amp_.received()) {
      if (r.text != "ST;" || r.ms < fromMs || r.ms >= toMs) continue;
      if (last >= 0) gap = std::max(gap, r.ms - last);
      last = r.ms;
    }
    return gap;
  }
  int64_t simNowMs() { return amp_.received().back().ms; }
  bool waitUntilIdle() {
    return waitUntil([&] { return w_->tunerRunning == 0; }, 20000);
  }
  std::thread writer_;
};

TEST_F(StoredTuneLink, StoringATuneDoesNotDelayTheStatusPolls) {
  w_->AutoTuneMode = kAtmEnabled;
  w_->SWRescAutoTune = 5.0f;  // ends at the first good measurement: quick tunes
  w_->freq = 14070000;
  amp_.setAntennaSwr(0, 2.0f);
  amp_.setDrive(10);
  amp_.setTransmit(true);
  startLink();
  ASSERT_TRUE(waitCommands(0, 40));
  const auto before = FileOutbox().counts();
  // Measured from each tune's end, where its store is handed over, to the
  // next start: the burst of commands that opens a tune has its own pace.
  int64_t gap = 0;
  for (int i = 0; i < 3; ++i) {
    StartAutotune(w_.get());
    ASSERT_TRUE(waitUntilIdle());
    const int64_t endMs = simNowMs();
    platform::sleepMs(3 * kSlowRemountMs);  // the polls go on while the card works
    gap = std::max(gap, largestPollGap(endMs, simNowMs()));
  }
  const auto after = FileOutbox().counts();
  EXPECT_GE(after.requests - before.requests, 3u);  // three stores were handed over
  EXPECT_GE(after.batches - before.batches, 1u);
  // Below one remount: a store on the link thread waits for two. The margin
  // over the link's own cycle (about 34 ms) is for sanitizer builds on a busy
  // machine.
  EXPECT_LT(gap, kSlowRemountMs);
  FileOutbox().flush();
  const std::string stored = readHost(tables::tuneMemPath(w_->NumBanco, 0));
  EXPECT_NE(stored.find("3117 14070000 1 "), std::string::npos) << stored;
}

}  // namespace
