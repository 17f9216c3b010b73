#pragma once
// The tune-on-transmit handshake with the companion transceiver (external IO
// mode): a carrier from the transceiver starts an automatic tune, and the two
// sides confirm its end before the next one may start.
#include <cstdint>

struct Works;
struct ExtIoView;

// AutoTuneMode bits.

// Tick counters of the handshake; they belong to the timer thread.
struct HandshakeCounters {
  int c0 = 0;
  int c1 = 0;
};

// One tick of the handshake with the record `ext` of this tick.
void TuneOnTransmitHandshake(Works* works, HandshakeCounters& c, const ExtIoView& ext);
