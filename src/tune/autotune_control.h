#pragma once
// Starting and ending an automatic tune: the tune key, and the
// tune-on-transmit handshake of the timer loop.
#include <cstdint>

struct Works;

// A tune that ends at or below this SWR is kept in the tuner memory.
inline constexpr float kTuneMaxStoredSwr = 6.0f;
// hintFlags bit: a tune was refused while a temperature alarm stands.
inline constexpr uint8_t kHintTuneTooHot = 0x80;

// The tune key: aborts a running tune, or starts one when the tuner is
// installed and automatic tuning is enabled.
void GoTune(Works* works);
// Starts an automatic tune at its first step.
void StartAutotune(Works* works);
// Ends the running tune; with `store` 1 the setting in the tune word is kept in
// the tuner memory when its last measurement is good enough (error 18 when not).
// Restores the normal attenuation and the band segment's thresholds.
void EscAutoTune(Works* works, int store);
