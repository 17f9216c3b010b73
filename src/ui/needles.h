#pragma once
// The needle gauges of the meter pages (1 forward + reflected, 2 forward +
// SWR, 3 forward + input power): angles from readings, needle strokes and the
// whole meter screen.
struct Works;
struct FrameBuffer;

// Whole-pixel needle tip of a gauge with pivot (cx, cy) at angle theta.
struct NeedleTip {
  int x;
  int y;
};
NeedleTip NeedleTipAt(int cx, int cy, float theta);

// Angle (radians) of reading v on a gauge of full scale n.
float NeedleAngle(float v, int n);

// Three one-pixel strokes from the pivot and its two neighbours to the tip.
void DrawNeedle(FrameBuffer* fb, int cx, int cy, float theta, int r, int g, int b);

// Draws both gauges with their peak needles, the labels, the value texts and
// the frequency read-out, and updates the angles and peak records in `works`.
void DrawMeterScreen(Works* works);
