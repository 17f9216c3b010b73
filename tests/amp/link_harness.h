#pragma once
// In-process amplifier link against the simulated amplifier over a real
// pseudo-terminal: a sandbox whose /dev/ttyAMA0 leads to sim::AmpSim, a Works
// record set up as start-up would, the `Linear` thread, and a record of every
// log line the program writes.
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "amp_sim.h"
#include "works_fixture.h"

class LinkHarness : public SandboxTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Starts `Linear` (and, with `holdOffTimer`, a stand-in for the timer
  // loop that counts errorRepeatTimer down every 10 ms).
  void startLink(bool holdOffTimer = true);
  void stopLink();

  // Log lines seen so far containing `needle`.
  int countLines(const std::string& needle);
  bool waitLine(const std::string& needle, int count = 1, int timeoutMs = 5000);
  // Waits until the simulated amplifier has received `n` more commands after `from`.
  bool waitCommands(size_t from, size_t n, int timeoutMs = 5000);
  // Band table covering every frequency with the simulator's calibration.
  void installCalibration(float kIn, float kFwd, float kRefl, float kReflCorr = 0);

  sim::AmpSim amp_;
  OwnedWorks w_;
  std::thread link_, timer_;
  std::atomic<bool> timerRunning_{false};
  std::mutex linesMutex_;
  std::vector<std::string> lines_;
};
