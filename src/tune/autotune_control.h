#pragma once
// Starting and ending an automatic tune: the tune key, and the
// tune-on-transmit handshake of the timer loop.
struct Works;

// A tune that ends at or below this SWR is kept in the tuner memory.
inline constexpr float kTuneMaxStoredSwr = 6.0f;

// The tune key: aborts a running tune, or starts one when the tuner is
// installed and automatic tuning is enabled.
void GoTune(Works* works);
// Starts an automatic tune at its first step.
void StartAutotune(Works* works);
// Ends the running tune; with `store` 1 the setting in the tune word is kept in
// the tuner memory when its last measurement is good enough (error 18 when not).
// Restores the normal attenuation; the thresholds follow at the next selection.
void EscAutoTune(Works* works, int store);
