#pragma once
// Meter arithmetic: SWR to gauge position, peak hold with its decay, watts to
// dBm and the value texts printed under the gauges.
#include <cstddef>

struct Works;
struct PeakRecord;

// SWR-to-gauge table: (SWR, gauge position) pairs.
struct SwrPoint {
  float swr;
  float position;
};
inline constexpr SwrPoint CONV_SWR[12] = {{1.0f, 0},  {1.5f, 11}, {2.0f, 20}, {3.0f, 30}, {4.0f, 36},  {5.0f, 40},
                                          {6.0f, 43}, {7.0f, 45}, {8.0f, 47}, {9.0f, 48}, {10.0f, 50}, {100.0f, 60}};

// Gauge position 0..60 for an SWR reading; 0 below 1.0, 60 from 100 up.
float CalcolaSWR(float x);

// Updates the forward peak (peakFwd) and the second gauge's peak (peak2) with
// a new reading: a higher reading is held for TimerPeakSec, a lower one is
// averaged in once the hold has run out.
void CalcolaPwrPeak(Works* works, float x);
void CalcolaPwrPeak2(Works* works, float x);  // the second gauge's peak ("calcola": compute)
void UpdatePeak(PeakRecord& peak, float x);

// Ages a peak by `elapsedMs` of wall time: while the hold lasts the value
// drops by PeakDecrement every PeakDecrementTime + 1 ticks.
void AgePeak(PeakRecord& peak, double elapsedMs);

// 10 log10(watts x 1000).
float ConvertW_to_dBm(float watts);

// The value text of a power: "%02.01fdBm" (or "---dBm" below 0 dBm) when
// `dBm` is set, else "%02.01fW".
void FormatPower(char* out, size_t size, float watts, bool dBm);

// A reading limited to 0..max for a needle; NaN reads as 0.
float ClampReading(float v, float max);
