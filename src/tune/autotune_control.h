#pragma once
// Starting and ending an automatic tune: the tune key, and the
// tune-on-transmit handshake of the timer loop.
struct Works;

// The tune key: aborts a running tune, or starts one when the tuner is
// installed and automatic tuning is enabled.
void GoTune(Works* works);
// Starts an automatic tune at its first step.
void StartAutotune(Works* works);
// Ends the running tune; with `store` set the best setting found is kept in
// the tuner memory.
void EscAutoTune(Works* works, int store);
