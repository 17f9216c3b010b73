#pragma once
// The automatic tune: a fixed sequence of sweeps over the tuner's inductance
// and capacitance, first in the "CL" network and then in the "LC" network,
// one step per status reply of the amplifier, keeping the best measurement.
struct Works;

// One step of the automatic tune, run by the link after each status reply
// while `tunerRunning` is 1. Judges the measurement of the setting sent before
// and chooses the next; the link sends the tune word after it.
void TuneTask(Works* works);
// Takes a measurement into the records; returns 1 when the tune has just
// ended on reaching the target SWR.
int TuneStep(Works* works);
// Applies the best measurement of the tune: its setting, SWR and power.
void TuneEnd(Works* works);

// Forward power (W) above which a transmitting amplifier counts as carrying the
// tune carrier when no external IO link reports the transceiver's transmit state.
inline constexpr float kTuneCarrierMinW = 5.0f;
