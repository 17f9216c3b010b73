// The frequency road end to end: the timer and link threads against the
// simulated amplifier over a real pseudo-terminal. When the amplifier's
// counter moves to another band, the amplifier receives the filter, the
// thresholds, the band row's antenna and attenuation and the stored tuner
// setting, in order and within a few polls; a move within the band sends
// nothing new.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "amp/linear.h"
#include "amp_sim.h"
#include "display/memory_framebuffer.h"
#include "platform/clock.h"
#include "sample_tables.h"
#include "state/init_globals.h"
#include "tables/config_table.h"
#include "tables/tuner_memory.h"
#include "tune/tune_word.h"
#include "ui/menu.h"
#include "ui/timer.h"
#include "link_timer_fixture.h"

namespace {

using Texts = std::vector<std::string>;

constexpr uint16_t kStoredL = 100, kStoredC = 200;

bool startsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

class FrequencyRoad : public LinkTimerTest {
 protected:
  void SetUp() override {
    LinkTimerTest::SetUp();
    setFilters();
    setBands();
    storeTune(7050000, 1);
    startAmp();
  }

  void setFilters() {
    const FilterEntry filters[kFilterEntries] = {
        {1800000, 2000000, 1},   {3500000, 3800000, 1},   {7000000, 7300000, 1},   {10100000, 10150000, 1},
        {14000000, 14350000, 1}, {18068000, 21450000, 1}, {24890000, 29700000, 1}, {50000000, 54000000, 0}};
    std::memcpy(w_->filterTab, filters, sizeof filters);
  }
  void setBands() {
    BandRow rows[] = {{"40m", 7000000, 7300000, 1, 2, 0, 2, 50.0f}, {"20m", 14000000, 14350000, 1, 1, 0, 0, 50.0f}};
    std::memcpy(w_->bandTab, rows, sizeof rows);
    w_->bandRows = 2;
  }
  void storeTune(int32_t freq, int antenna) {
    int32_t start, end;
    int first, last;
    const int idx = AtuIdxSearch(freq, &start, &end, &first, &last);
    w_->tuneMem[antenna][idx] = {1, 1, kStoredL, kStoredC};
  }
  // The word the stored setting makes, as the link sends it.
  std::string storedTuneText() {
    OwnedWorks scratch;
    SetC(scratch.get(), kStoredC);
    SetI(scratch.get(), kStoredL);
    SetMode(scratch.get(), 1);
    char text[16];
    std::snprintf(text, sizeof text, "MT1%08X;", scratch->tuneWord.load());
    return text;
  }

  void startThreads() { LinkTimerTest::startThreads(14070000); }
  // Commands after `from`, without the status and frequency polls.
  Texts sentSince(size_t from) {
    Texts out;
    for (const std::string& t : amp_.texts(from))
      if (t != "ST;" && t != "FM;") out.push_back(t);
    return out;
  }
  bool waitSent(size_t from, const char* prefix, int timeoutMs = 5000) {
    return amp_.waitFor(
        [&](const auto&) {
          const Texts t = sentSince(from);
          return std::any_of(t.begin(), t.end(), [&](const std::string& s) { return startsWith(s, prefix); });
        },
        timeoutMs);
  }
  // Lets the timer act on a frequency and the link send what it queued.
  bool settle(uint32_t freq) {
    const int64_t end = platform::monotonicMs() + 5000;
    while (w_->lastFreq != freq && platform::monotonicMs() < end) platform::sleepMs(5);
    const int64_t drained = platform::monotonicMs() + 5000;
    while (w_->cmdQueueIn != w_->cmdQueueOut && platform::monotonicMs() < drained) platform::sleepMs(5);
    platform::sleepMs(200);
    return w_->lastFreq == freq;
  }
};

TEST_F(FrequencyRoad, NewBandReselectsEverythingInOrder) {
  startThreads();
  ASSERT_TRUE(settle(14070000));
  const size_t from = amp_.texts().size();

  const int64_t moved = platform::monotonicMs();
  amp_.setFrequency(7050000);
  ASSERT_TRUE(waitSent(from, "AT"));
  const int64_t tookMs = platform::monotonicMs() - moved;
  ASSERT_TRUE(settle(7050000));

  const Texts sent = sentSince(from);
  const std::vector<const char*> order = {"SF", "TS", "SA", "MT1", "AT"};
  ASSERT_EQ(sent.size(), order.size()) << ::testing::PrintToString(sent);
  for (size_t i = 0; i < order.size(); ++i) EXPECT_TRUE(startsWith(sent[i], order[i])) << sent[i];
  EXPECT_EQ(sent[0], "SF3000004;");  // filter 3 serves 7.0-7.3 MHz
  EXPECT_EQ(sent[2], "SA2;");
  EXPECT_EQ(sent[3], storedTuneText());
  EXPECT_EQ(sent[4], "AT10;");
  // Generic mode: the frequency came from the amplifier, so it is not sent back.
  EXPECT_TRUE(std::none_of(sent.begin(), sent.end(), [](const std::string& s) { return startsWith(s, "FA"); }));
  // Every command follows its own status poll; a handful of polls at most.
  const Texts all = amp_.texts(from);
  const auto polls = std::count(all.begin(), all.end(), std::string("ST;"));
  EXPECT_LE(polls, 40) << "took " << tookMs << " ms";
  std::printf("[ road ] 14.070 -> 7.050 MHz: %zu commands in %lld ms, %ld status polls\n", sent.size(),
              static_cast<long long>(tookMs), static_cast<long>(polls));

  EXPECT_EQ(w_->antennaIndex, 1);
  EXPECT_EQ(w_->Attenuator, 2);
  EXPECT_EQ(amp_.model().antenna, 1);
}

// With the FT-817 interface the frequency is unknown until the CAT link has
// read one: the amplifier hears nothing but polls until then, and the first
// real frequency runs the whole road, starting with the frequency itself.
TEST_F(FrequencyRoad, NothingIsSentUntilTheTransceiverReportsAFrequency) {
  w_->ModeWorkIdx = 2;
  startThreads();
  const size_t from = amp_.texts().size();
  ASSERT_TRUE(amp_.waitFor([&](const auto& rec) { return rec.size() >= from + 30; }, 5000));
  EXPECT_EQ(sentSince(0), Texts{});
  EXPECT_EQ(w_->lastFreq, 14070000u);

  w_->catSerFreq = 7050000;
  ASSERT_TRUE(settle(7050000));
  const Texts sent = sentSince(0);
  const std::vector<const char*> order = {"FA", "SF", "TS", "SA", "MT1", "AT"};
  ASSERT_EQ(sent.size(), order.size()) << ::testing::PrintToString(sent);
  for (size_t i = 0; i < order.size(); ++i) EXPECT_TRUE(startsWith(sent[i], order[i])) << sent[i];
  EXPECT_EQ(sent[0], "FA00007050000;");
  EXPECT_EQ(amp_.model().setFreq, 7050000u);
}

TEST_F(FrequencyRoad, MoveWithinTheBandSendsNothingNew) {
  startThreads();
  ASSERT_TRUE(settle(14070000));
  amp_.setFrequency(7050000);
  ASSERT_TRUE(settle(7050000));
  const size_t from = amp_.texts().size();

  amp_.setFrequency(7100000);
  ASSERT_TRUE(settle(7100000));
  for (const std::string& s : sentSince(from)) {
    // The tuner setting of the new slot may be sent again, but it is the same one.
    if (startsWith(s, "MT1"))
      EXPECT_EQ(s, storedTuneText());
    else
      ADD_FAILURE() << "sent " << s;
  }
}

}  // namespace
