#include "link_harness.h"

#include <cstring>

#include "amp/linear.h"
#include "platform/clock.h"
#include "platform/log.h"
#include "state/init_globals.h"

void LinkHarness::SetUp() {
  SandboxTest::SetUp();
  ASSERT_TRUE(amp_.ok());
  ASSERT_TRUE(amp_.linkSlaveTo(host("/dev/ttyAMA0")));
  amp_.start();
  InitGlobalVar(w_.get());
  std::strcpy(w_.setup->LinPort, "/dev/ttyAMA0");
  w_->errorsMuted = 0;
  platform::setLogObserver([this](const std::string& line) {
    std::lock_guard lock(linesMutex_);
    lines_.push_back(line);
  });
}

void LinkHarness::TearDown() {
  stopLink();
  amp_.stop();
  platform::setLogObserver({});
  SandboxTest::TearDown();
}

void LinkHarness::startLink(bool holdOffTimer) {
  w_->running = 1;
  link_ = std::thread(Linear, w_.get());
  if (!holdOffTimer) return;
  timerRunning_ = true;
  timer_ = std::thread([this] {
    while (timerRunning_) {
      platform::sleepMs(10);
      int t = w_->errorRepeatTimer;
      if (t > 0) w_->errorRepeatTimer = t > 10 ? t - 10 : 0;
    }
  });
}

void LinkHarness::stopLink() {
  w_->running = 0;
  timerRunning_ = false;
  if (link_.joinable()) link_.join();
  if (timer_.joinable()) timer_.join();
}

int LinkHarness::countLines(const std::string& needle) {
  std::lock_guard lock(linesMutex_);
  int n = 0;
  for (const std::string& l : lines_) n += l.find(needle) != std::string::npos;
  return n;
}

bool LinkHarness::waitLine(const std::string& needle, int count, int timeoutMs) {
  int64_t end = platform::monotonicMs() + timeoutMs;
  while (countLines(needle) < count) {
    if (platform::monotonicMs() > end) return false;
    platform::sleepMs(5);
  }
  return true;
}

bool LinkHarness::waitCommands(size_t from, size_t n, int timeoutMs) {
  return amp_.waitFor([&](const auto& rec) { return rec.size() >= from + n; }, timeoutMs);
}

void LinkHarness::installCalibration(float kIn, float kFwd, float kRefl, float kReflCorr) {
  ConfigRow row;
  row.startFreq = 1000000;
  row.endFreq = 60000000;
  row.kIn = kIn;
  row.kFwd = kFwd;
  row.kRefl = kRefl;
  row.kReflCorr = kReflCorr;
  ConfigRow end = row;
  end.startFreq = 60000000;
  w_->configTab = {row, end};
  w_->configRows = 2;
}
