#pragma once
// The amplifier link and the timer loop against the simulated amplifier over a
// real pseudo-terminal: a record at its start-up defaults in generic mode (the
// frequency comes from the amplifier's counter), the sample calibration table,
// and a 5 W carrier so the counter reads.
#include <gtest/gtest.h>

#include <thread>

#include "amp_sim.h"
#include "display/memory_framebuffer.h"
#include "works_fixture.h"

class LinkTimerTest : public SandboxTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Starts the simulated amplifier; the test sets its tables first.
  void startAmp();
  // Starts the link, waits until the counter has been read (as start-up does
  // before the timer runs), then starts the timer.
  void startThreads(uint32_t counterHz);

  sim::AmpSim amp_;
  OwnedWorks w_;
  MemoryFrameBuffer fb_{800, 480};
  std::thread link_, timer_;
  std::thread source_;  // a transceiver link, for the interface types that have one
};
