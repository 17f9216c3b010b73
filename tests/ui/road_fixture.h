#pragma once
// The frequency road end to end: the timer and link threads against the
// simulated amplifier over a real pseudo-terminal, with a band table, filters
// and a stored tuner setting for 7.050 MHz.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "tables/tuner_memory.h"
#include "tune/tune_word.h"
#include "companion_sim.h"
#include "link_timer_fixture.h"
#include "links/ext_io.h"
#include "state/setup_record.h"

namespace road {

using Texts = std::vector<std::string>;

constexpr uint16_t kStoredL = 100, kStoredC = 200;

inline bool startsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

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
  // The companion transceiver on the external IO port, read by the program's
  // external IO link (interface type 1).
  void startCompanionLink(sim::CompanionSim& companion) {
    ASSERT_TRUE(companion.linkSlaveTo(host("/dev/ttyUSB1")));
    std::strcpy(w_.setup->SerPort, "/dev/ttyUSB1");
    w_.setup->enaser = '1';
    w_.setup->fftFlag = '0';
    w_->ModeWorkIdx = 1;
    companion.start();
    source_ = std::thread(Serial, w_.get());
  }
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
    while (!w_->cmdPath.empty() && platform::monotonicMs() < drained) platform::sleepMs(5);
    // The last command taken from the ring may still be on its way: settled
    // once the wire has carried nothing but polls for a few exchanges, however
    // slowly this build runs.
    amp_.waitFor(
        [](const auto& rec) {
          if (rec.size() < 4) return false;
          return std::all_of(rec.end() - 4, rec.end(), [](const auto& r) { return r.text == "ST;" || r.text == "FM;"; });
        },
        5000);
    return w_->lastFreq == freq;
  }
};

}  // namespace road
