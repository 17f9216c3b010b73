// A whole automatic tune end to end: the link and timer threads against the
// simulated amplifier and its physical tuner over a real pseudo-terminal. The
// tune word goes out once per status reply, the best word is applied at the
// end, the slot is written to the bank's tuner memory file, and the stored
// setting comes back when the frequency returns to that slot.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "amp/linear.h"
#include "amp_sim.h"
#include "antenna_model.h"
#include "display/memory_framebuffer.h"
#include "platform/clock.h"
#include "sample_tables.h"
#include "state/init_globals.h"
#include "state/tune_fields.h"
#include "tables/config_table.h"
#include "tables/table_io.h"
#include "tables/tuner_memory.h"
#include "tune/autotune_control.h"
#include "tuner_model.h"
#include "ui/menu.h"
#include "ui/timer.h"
#include "link_timer_fixture.h"

namespace {

constexpr uint32_t kTuneFreq = 14070000, kOtherFreq = 7050000;  // another region of slots

bool startsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

class TuneEndToEnd : public LinkTimerTest {
 protected:
  void SetUp() override {
    LinkTimerTest::SetUp();
    // Both bands on antenna 1, so the tune and its recall use one memory.
    BandRow rows[] = {{"40m", 7000000, 7300000, 1, 1, 0, 0, 50.0f}, {"20m", 14000000, 14350000, 1, 1, 0, 0, 50.0f}};
    std::memcpy(w_->bandTab, rows, sizeof rows);
    w_->bandRows = 2;
    w_->NumBanco = 1;
    w_->antennaIndex = 0;
    w_->AutoTuneMode = kAtmEnabled;
    w_->atuBypass = 0;
    amp_.setAntennaLoad(0, *sim::LoadModel::Fixed(100, -30));  // about 2.2:1
    startAmp();
  }

  void startThreads() {
    LinkTimerTest::startThreads(kTuneFreq);
    settle(kTuneFreq);
  }
  bool settle(uint32_t freq) {
    const int64_t end = platform::monotonicMs() + 5000;
    while (w_->lastFreq != freq && platform::monotonicMs() < end) platform::sleepMs(5);
    platform::sleepMs(300);
    return w_->lastFreq == freq;
  }
  bool waitTuneEnd(int timeoutMs) {
    const int64_t end = platform::monotonicMs() + timeoutMs;
    while (w_->tunerRunning && platform::monotonicMs() < end) platform::sleepMs(5);
    return w_->tunerRunning == 0;
  }
  double swrOf(uint32_t word) {
    return sim::SwrOf(sim::TunerInputImpedance(sim::DecodeTuneWord(word), kTuneFreq, {100, -30}));
  }
  static uint32_t wordOf(const std::string& mt) { return std::stoul(mt.substr(3, 8), nullptr, 16); }
};

TEST_F(TuneEndToEnd, TuneKeyTunesStoresAndRecalls) {
  startThreads();
  const size_t from = amp_.texts().size();
  GoTune(w_.get());
  ASSERT_TRUE(waitTuneEnd(30000));
  platform::sleepMs(200);
  const std::vector<std::string> sent = amp_.texts(from);

  // From the first tune word to the last, status polls and tune words
  // alternate: one step per status reply.
  const auto isWord = [](const std::string& t) { return startsWith(t, "MT1"); };
  // The tune's set-up ends with "MP0;" (protections off while it searches).
  const auto setUp = std::find(sent.begin(), sent.end(), std::string("MP0;"));
  ASSERT_NE(setUp, sent.end());
  const auto firstWord = std::find_if(setUp, sent.end(), isWord);
  const auto lastWord = std::find_if(sent.rbegin(), sent.rend(), isWord).base() - 1;
  ASSERT_NE(firstWord, sent.end());
  std::vector<uint32_t> words;
  for (auto it = firstWord; it <= lastWord; ++it) {
    const bool wordTurn = (it - firstWord) % 2 == 0;
    ASSERT_EQ(isWord(*it), wordTurn) << *it << " at " << (it - firstWord);
    if (!wordTurn) EXPECT_EQ(*it, "ST;");
    if (wordTurn) words.push_back(wordOf(*it));
  }
  EXPECT_GT(words.size(), 20u);

  // The last word is the best, and the amplifier holds it.
  const uint32_t best = words.back();
  EXPECT_EQ(amp_.model().tuneWord, best);
  EXPECT_LT(swrOf(best), 1.5);
  EXPECT_LT(swrOf(best), swrOf(0x10000));  // better than bypass
  // The program judges by its detector readings, in whole counts: the best it
  // saw is the best there was, within what the counts can tell apart.
  for (uint32_t w : words) EXPECT_GE(swrOf(w), swrOf(best) - 0.02);
  std::printf("[ tune ] %zu words, best SWR %.2f (bare %.2f)\n", words.size(), swrOf(best), swrOf(0x10000));

  // The slot line in the bank's tuner memory file.
  std::ifstream file(host(tables::tuneMemPath(1, 0)));
  std::stringstream text;
  text << file.rdbuf();
  int32_t start, stop;
  int first, end;
  const int slot = AtuIdxSearch(kTuneFreq, &start, &stop, &first, &end);
  char line[64];
  std::snprintf(line, sizeof line, "%d %d 1 %d %d %d\n", slot, AtuFreqfromIdx(slot), sim::DecodeTuneWord(best).mode,
                sim::DecodeTuneWord(best).l, sim::DecodeTuneWord(best).c);
  EXPECT_NE(text.str().find(line), std::string::npos) << text.str();

  // Away to a region with nothing stored, and back: the stored word returns.
  amp_.setFrequency(kOtherFreq);
  ASSERT_TRUE(settle(kOtherFreq));
  EXPECT_NE(amp_.model().tuneWord, best);
  const size_t back = amp_.texts().size();
  amp_.setFrequency(kTuneFreq);
  ASSERT_TRUE(settle(kTuneFreq));
  const std::vector<std::string> recalled = amp_.texts(back);
  EXPECT_NE(std::find_if(recalled.begin(), recalled.end(), [&](auto& s) { return startsWith(s, "MT1") && wordOf(s) == best; }),
            recalled.end());
  EXPECT_EQ(amp_.model().tuneWord, best);
}

}  // namespace

namespace {

// The tune key pressed again while the link is tuning: the tune ends from the
// key's thread, nothing is stored, and the link stops stepping.
TEST_F(TuneEndToEnd, TuneKeyAbortsARunningTune) {
  w_->AutoTuneMaxCicli = 0;
  startThreads();
  const size_t from = amp_.texts().size();
  GoTune(w_.get());
  ASSERT_TRUE(amp_.waitFor(
      [&](const auto& rec) {
        return std::count_if(rec.begin() + static_cast<long>(from), rec.end(),
                             [](const auto& r) { return startsWith(r.text, "MT1"); }) >= 10;
      },
      10000));
  GoTune(w_.get());
  EXPECT_EQ(w_->tunerRunning, 0);
  platform::sleepMs(300);
  const size_t after = amp_.texts().size();
  platform::sleepMs(500);
  for (const std::string& t : amp_.texts(after)) EXPECT_FALSE(startsWith(t, "MT1")) << t;
  EXPECT_FALSE(std::ifstream(host(tables::tuneMemPath(1, 0))).good());
}

}  // namespace
