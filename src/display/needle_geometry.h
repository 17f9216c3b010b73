#pragma once
// Geometry of the two needle gauges of the meter pages. The meter faces are
// drawn with the same formulas as the needles, so a reading's needle points at
// its scale mark.
#include <cmath>

namespace needle {

inline constexpr int kForwardPivotX = 210;
inline constexpr int kSecondPivotX = 590;
inline constexpr int kPivotY = 260;
inline constexpr double kRadius = 200.0;
inline constexpr double kOffset = 15.0;  // sideways offset of the tip
// The needle's half-turn constant, kept as the meters have always used it.
inline constexpr double kHalfTurn = 3.141692653;
inline constexpr double kQuarterTurn = 1.5708463265;

// Angle of a reading v on a gauge of full scale n: +0.24 of a half turn (left
// of vertical) at 0, -0.24 (right of vertical) at full scale.
inline double angle(double v, double n) { return (0.24 - v * 0.48 / n) * kHalfTurn; }

// Needle tip before truncation to whole pixels. The offset term makes the tip
// run on an ellipse: 215 across and 185 up.
inline double tipX(double cx, double theta) {
  return cx - kRadius * std::sin(theta) + kOffset * std::cos(theta + kQuarterTurn);
}
inline double tipY(double cy, double theta) {
  return cy - kRadius * std::cos(theta) + kOffset * std::sin(theta + kQuarterTurn);
}

// A point on the needle's line at fraction k of the way from the pivot to the
// tip (k = 1 is the tip).
inline double alongX(double cx, double theta, double k) { return cx + k * (tipX(cx, theta) - cx); }
inline double alongY(double cy, double theta, double k) { return cy + k * (tipY(cy, theta) - cy); }

}  // namespace needle
