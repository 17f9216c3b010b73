#pragma once
// One pass of the timer loop, split so tests and benchmarks can run the
// drawing without the sleep and age the timers with a chosen elapsed time.
#include "ui/status_text.h"
#include "ui/tune_handshake.h"

struct Works;

// State that belongs to the timer thread.
struct TimerState {
  HandshakeCounters handshake;
  bool failedLinkShown = false;  // the failed-link picture is in the background buffer
  long cpuTempSecond = -1;       // wall second of the last processor temperature reading
  double errorCarryMs = 0;       // time not yet taken off errorRepeatTimer
  char status[kStatusTextSize] = {};
};

// Thread start: clears the peak needles and sets up the spectrum grid.
void TimerStart(Works* works, TimerState& state);
// Steps 1-7 of a tick but the sleep: composes and shows the screen, follows the
// frequency and runs the handshake. `nowSec` is the wall time of the tick.
void TimerCompose(Works* works, TimerState& state, long nowSec);
// Step 8: counts `elapsedMs` of wall time off the error hold-off, ages the
// peaks and times the temperature log.
void TimerAge(Works* works, TimerState& state, double elapsedMs);
// A whole tick: compose, sleep pollDelayUs, age by the wall time it took.
void TimerTick(Works* works, TimerState& state);
