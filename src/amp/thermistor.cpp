#include <algorithm>

#include "amp/temperature.h"

namespace {

// Thermistor curve: degrees Celsius, kilo-ohms; ascending in temperature.
constexpr float K_T_R[68] = {
    -40, 347.808f, -35, 248.591f, -30, 179.973f, -25, 131.832f, -20, 97.679f, -15, 73.119f, -10, 55.301f,
    -5,  42.257f,  0,   32.582f,  5,   25.324f,  10,  19.847f,  15,  15.679f, 20,  12.478f, 25,  10.000f,
    30,  8.068f,   35,  6.552f,   40,  5.353f,   45,  4.399f,   50,  3.635f,  55,  3.020f,  60,  2.521f,
    65,  2.115f,   70,  1.783f,   75,  1.510f,   80,  1.284f,   85,  1.096f,  90,  0.939f,  95,  0.808f,
    100, 0.698f,   105, 0.605f,   110, 0.527f,   115, 0.460f,   120, 0.403f,  125, 0.354f,
};
constexpr int kPairs = 34;

constexpr float kMinShown = -10, kMaxShown = 80;

}  // namespace

float CalcolaTemp(int raw) {
  // Only the full-scale reading is the open divider. The status field holds up
  // to four digits, and a reading beyond the converter's range comes from a
  // damaged sensor: its resistance comes out negative, below every entry, so
  // it reads hot and the over-temperature protection acts on it.
  if (raw == 4095) return kMinShown;
  float r = static_cast<float>(10.0 * raw / (4095.0 - raw));
  float t = kMaxShown;  // no entry below R: hotter than the table
  for (int i = 0; i < kPairs; ++i) {
    float ri = K_T_R[2 * i + 1];
    if (ri >= r) continue;
    if (i == 0) {
      t = K_T_R[0];
    } else {
      float t0 = K_T_R[2 * i - 2], r0 = K_T_R[2 * i - 1], t1 = K_T_R[2 * i];
      t = (t1 - t0) / (ri - r0) * (r - r0) + t0;
    }
    break;
  }
  return std::clamp(t, kMinShown, kMaxShown);
}
