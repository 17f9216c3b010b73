#pragma once
// The frequency road end to end: the timer and link threads against the
// simulated amplifier over a real pseudo-terminal, with a band table, filters
// and a stored tuner setting for 7.050 MHz.
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
#include "works_fixture.h"

namespace road {

using Texts = std::vector<std::string>;

constexpr uint16_t kStoredL = 100, kStoredC = 200;

inline bool startsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

class FrequencyRoad : public SandboxTest {
 protected:
  void SetUp() override {
    SandboxTest::SetUp();
    ASSERT_TRUE(amp_.ok());
    ASSERT_TRUE(amp_.linkSlaveTo(host("/dev/ttyAMA0")));
    InitGlobalVar(w_.get());
    std::strcpy(w_.setup->LinPort, "/dev/ttyAMA0");
    w_->fb = fb_.get();
    w_->ModeWorkIdx = 0;  // generic: the frequency comes from the amplifier's counter
    w_->configTab = ParseConfigText(sim::sampleConfigTxt());
    w_->configRows = static_cast<int>(w_->configTab.size());
    setFilters();
    setBands();
    storeTune(7050000, 1);
    InitMenuLumo(w_.get());
    amp_.setDrive(5);
    amp_.setTransmit(true);  // the counter reads only with a carrier
    amp_.start();
  }
  void TearDown() override {
    w_->running = 0;
    for (std::thread* t : {&link_, &timer_, &source_})
      if (t->joinable()) t->join();
    amp_.stop();
    SandboxTest::TearDown();
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

  // Starts the link, waits until the counter has been read (as start-up does
  // before the timer runs), then starts the timer.
  void startThreads() {
    link_ = std::thread(Linear, w_.get());
    const int64_t end = platform::monotonicMs() + 5000;
    while (w_->ampFreq == 0 && platform::monotonicMs() < end) platform::sleepMs(5);
    ASSERT_EQ(w_->ampFreq, 14070000);
    timer_ = std::thread(timer, w_.get());
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
    while (w_->cmdQueueIn != w_->cmdQueueOut && platform::monotonicMs() < drained) platform::sleepMs(5);
    platform::sleepMs(200);
    return w_->lastFreq == freq;
  }

  sim::AmpSim amp_;
  OwnedWorks w_;
  MemoryFrameBuffer fb_{800, 480};
  std::thread link_, timer_;
  std::thread source_;  // a transceiver link, for the interface types that have one
};

}  // namespace road
