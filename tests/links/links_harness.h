#pragma once
// A transceiver link thread in-process against its simulated transceiver over
// a real pseudo-terminal: a sandbox, a Works record set up as at start-up, a
// stand-in for the timer loop counting the error hold-off down, and a record
// of every log line.
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "works_fixture.h"

class LinksHarness : public SandboxTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Runs `body` (Serial or CatSerial) on its own thread until stopThread.
  void startThread(void (*body)(Works*));
  void stopThread();

  int countLines(const std::string& needle);
  bool waitLine(const std::string& needle, int count = 1, int timeoutMs = 5000);

  OwnedWorks w_;
  std::vector<std::atomic<int32_t>> display_ = std::vector<std::atomic<int32_t>>(1024);
  std::vector<std::atomic<int32_t>> spare_ = std::vector<std::atomic<int32_t>>(1024);

 private:
  std::thread thread_, holdOff_;
  std::atomic<bool> holdOffRunning_{false};
  std::mutex linesMutex_;
  std::vector<std::string> lines_;
};
