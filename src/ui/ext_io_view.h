#pragma once
// What the timer reads from the external IO link's parameter record on each
// tick: the transceiver's frequency, its transmit state and antenna.
#include <cstdint>

struct Works;

struct ExtIoView {
  int32_t freq;  // Hz
  int tx;        // 1 while transmitting
  int antenna;   // antenna mode asked for ("AN%d;")
};

// Takes a copy of the record (under the link's lock) and returns its fields.
ExtIoView ReadExtIoView(Works* works);
