#include "links_harness.h"

#include "platform/clock.h"
#include "platform/log.h"
#include "state/fft_record.h"
#include "state/init_globals.h"

namespace {
FftRecord gFft;
}

void LinksHarness::SetUp() {
  SandboxTest::SetUp();
  InitGlobalVar(w_.get());
  w_->errorsMuted = 0;
  gFft = {display_.data(), spare_.data()};
  w_->fftRec = &gFft;
  platform::setLogObserver([this](const std::string& line) {
    std::lock_guard lock(linesMutex_);
    lines_.push_back(line);
  });
}

void LinksHarness::TearDown() {
  stopThread();
  platform::setLogObserver({});
  SandboxTest::TearDown();
}

void LinksHarness::startThread(void (*body)(Works*)) {
  w_->running = 1;
  thread_ = std::thread(body, w_.get());
  holdOffRunning_ = true;
  holdOff_ = std::thread([this] {
    while (holdOffRunning_) {
      platform::sleepMs(10);
      int t = w_->errorRepeatTimer;
      while (t > 0 && !w_->errorRepeatTimer.compare_exchange_weak(t, t > 10 ? t - 10 : 0)) {
      }
    }
  });
}

void LinksHarness::stopThread() {
  w_->running = 0;
  holdOffRunning_ = false;
  if (thread_.joinable()) thread_.join();
  if (holdOff_.joinable()) holdOff_.join();
}

int LinksHarness::countLines(const std::string& needle) {
  std::lock_guard lock(linesMutex_);
  int n = 0;
  for (const std::string& l : lines_) n += l.find(needle) != std::string::npos;
  return n;
}

bool LinksHarness::waitLine(const std::string& needle, int count, int timeoutMs) {
  const int64_t end = platform::monotonicMs() + timeoutMs;
  while (countLines(needle) < count) {
    if (platform::monotonicMs() > end) return false;
    platform::sleepMs(5);
  }
  return true;
}
