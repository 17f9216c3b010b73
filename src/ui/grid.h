#pragma once
// The spectrum screen: grid settings, the grid with its dB and kHz labels, the
// trace of the spectrum bins, and the frequency read-out shared with the meter
// pages.
#include <atomic>

#include "display/spectrum_view.h"  // divX, xRangeEnd: chosen with the spectrum picture

struct Works;

// Grid settings. RefLevel, RefPos and PointDiv are edited from the setup list.
extern std::atomic<int> SchermoWidth, SchermoHeight, divY;
extern std::atomic<int> borderLeft, borderRight, borderBottom, borderTop;
extern std::atomic<int> xRangeStart, LabelBorder;
extern std::atomic<int> RefLevel, RefPos, PointDiv;

// Pixel geometry derived from the settings (integer divisions throughout).
struct GridGeometry {
  int r_x, r_y;
  int bound_left, bound_right;
  int b_top, b_bottom;
};
GridGeometry DeriveGrid();

// Spectrum bins shown across the wide view.
inline constexpr int kSpectrumBins = 854;

void InitGrid();
// Draws the spectrum screen; nothing while a status screen is open.
void DrawGrid(Works* works);

struct PlotPoint {
  float px;
  float py;
};
// Screen point of bin position x with level `value` (dB) on a scale minDb..maxDb.
PlotPoint CalculatePoint(float minDb, float maxDb, float x, float value);

// The frequency text: "%.00fHz", "%.03fkHz" or "%.03fMHz".
void FormatFreq(char* out, unsigned size, long freq);
// Draws the frequency read-out above the gauges or the spectrum; nothing for freq <= 0.
void DrawFreq(Works* works);

// Copies the spectrum display array (kSpectrumBins dB values) into `out`.
void ReadSpectrumBins(Works* works, float* out);
