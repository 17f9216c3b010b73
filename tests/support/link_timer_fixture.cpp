#include "link_timer_fixture.h"

#include <cstring>

#include "amp/linear.h"
#include "platform/clock.h"
#include "sample_tables.h"
#include "state/init_globals.h"
#include "tables/config_table.h"
#include "ui/menu.h"
#include "ui/timer.h"

void LinkTimerTest::SetUp() {
  SandboxTest::SetUp();
  ASSERT_TRUE(amp_.ok());
  ASSERT_TRUE(amp_.linkSlaveTo(host("/dev/ttyAMA0")));
  InitGlobalVar(w_.get());
  std::strcpy(w_.setup->LinPort, "/dev/ttyAMA0");
  w_->fb = fb_.get();
  w_->ModeWorkIdx = 0;
  // A unit past its start-up: the amplifier has answered "CPFFFF;" (else the
  // link asks for it again after 3 s, in the middle of what a test watches).
  w_->errorsMuted = 0;
  w_->configTab = ParseConfigText(sim::sampleConfigTxt());
  w_->configRows = static_cast<int>(w_->configTab.size());
}

void LinkTimerTest::TearDown() {
  w_->running = 0;
  for (std::thread* t : {&link_, &timer_, &source_})
    if (t->joinable()) t->join();
  amp_.stop();
  SandboxTest::TearDown();
}

void LinkTimerTest::startAmp() {
  InitMenuLumo(w_.get());
  amp_.setDrive(5);
  amp_.setTransmit(true);  // the counter reads only with a carrier
  amp_.start();
}

void LinkTimerTest::startThreads(uint32_t counterHz) {
  link_ = std::thread(Linear, w_.get());
  const int64_t end = platform::monotonicMs() + 5000;
  while (w_->ampFreq == 0 && platform::monotonicMs() < end) platform::sleepMs(5);
  ASSERT_EQ(w_->ampFreq, counterHz);
  timer_ = std::thread(timer, w_.get());
}
