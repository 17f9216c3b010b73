#pragma once
// Helpers shared by the amplifier tests: a record set up as at start-up, the
// command ring drained into a list, and the log lines seen while a test runs.
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "amp/cmd_ring.h"
#include "platform/log.h"
#include "state/init_globals.h"
#include "works_fixture.h"

// Records every log line (with its "2: " / "E: " / "I: " prefix) until destroyed.
class LogCapture {
 public:
  LogCapture() {
    platform::setLogObserver([this](const std::string& s) {
      std::lock_guard lock(mutex_);
      lines_.push_back(s);
    });
  }
  ~LogCapture() { platform::setLogObserver({}); }
  std::vector<std::string> lines() {
    std::lock_guard lock(mutex_);
    return lines_;
  }
  // Lines that contain `text`.
  int count(const std::string& text) {
    int n = 0;
    for (auto& l : lines())
      if (l.find(text) != std::string::npos) ++n;
    return n;
  }
  bool has(const std::string& text) { return count(text) > 0; }
  void clear() {
    std::lock_guard lock(mutex_);
    lines_.clear();
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> lines_;
};

// A record with the start-up defaults, errors accepted (as after "CPFFFF;").
class AmpTest : public WorksTest {
 protected:
  void SetUp() override {
    WorksTest::SetUp();
    InitGlobalVar(w_.get());
    w_->errorsMuted = 0;
  }
  // Every command code queued so far, oldest first; empties the ring.
  std::vector<int> drainCommands() {
    std::vector<int> codes;
    for (int c; (c = TakeCMDLinear(w_.get())) >= 0;) codes.push_back(c);
    return codes;
  }
};
