#pragma once
// The tune-on-transmit handshake with the companion transceiver (external IO
// mode): a carrier from the transceiver starts an automatic tune, and the two
// sides confirm its end before the next one may start.
#include <cstdint>

struct Works;
struct ExtIoView;

// AutoTuneMode bits.
inline constexpr uint8_t kAtmEnabled = 0x01;     // the setting
inline constexpr uint8_t kAtmStarted = 0x02;     // this handshake started a tune
inline constexpr uint8_t kAtmEnded = 0x04;       // a tune ended
inline constexpr uint8_t kAtmEndSeen = 0x08;     // the link has seen the end
inline constexpr uint8_t kAtmKeyStarted = 0x10;  // a tune was started from the tune key
inline constexpr uint8_t kAtmReady = 0x20;       // this side is ready
inline constexpr uint8_t kAtmReadyAcked = 0x40;  // the link acknowledged ready

// Tick counters of the handshake; they belong to the timer thread.
struct HandshakeCounters {
  int c0 = 0;
  int c1 = 0;
};

// One tick of the handshake with the record `ext` of this tick.
void TuneOnTransmitHandshake(Works* works, HandshakeCounters& c, const ExtIoView& ext);
