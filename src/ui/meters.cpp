#include "ui/meters.h"

#include <cmath>
#include <cstdio>

#include "state/globals.h"
#include "state/works.h"

float CalcolaSWR(float x) {
  if (!(x >= CONV_SWR[0].swr)) return 0;  // below 1.0, and NaN
  for (size_t i = 1; i < std::size(CONV_SWR); ++i) {
    const SwrPoint& hi = CONV_SWR[i];
    if (hi.swr > x) {
      const SwrPoint& lo = CONV_SWR[i - 1];
      return lo.position + (hi.position - lo.position) * (x - lo.swr) / (hi.swr - lo.swr);
    }
  }
  // At or past the last point the needle rests at the end of the scale.
  return CONV_SWR[std::size(CONV_SWR) - 1].position;
}

void UpdatePeak(PeakRecord& peak, float x) {
  const float value = peak.value;
  if (x > value) {
    peak.value = x;
    peak.holdMs = TimerPeakSec.load();
  } else if (peak.holdMs <= 0) {
    const int weight = fattoremedia;
    peak.value = (weight * value + x) / (weight + 1);
  }
}

void CalcolaPwrPeak(Works* works, float x) { UpdatePeak(works->peakFwd, x); }
void CalcolaPwrPeak2(Works* works, float x) { UpdatePeak(works->peak2, x); }

void AgePeak(PeakRecord& peak, double elapsedMs) {
  const int hold = peak.holdMs;
  if (hold <= 0) return;
  peak.holdMs = static_cast<int>(std::trunc(hold - elapsedMs));
  if (peak.decCount < PeakDecrementTime) {
    ++peak.decCount;
    return;
  }
  const float lowered = static_cast<float>(peak.value - PeakDecrement);
  peak.value = lowered > 0 ? lowered : 0;
  peak.decCount = 0;
}

float ConvertW_to_dBm(float watts) { return 10.0f * std::log10(watts * 1000.0f); }

void FormatPower(char* out, size_t size, float watts, bool dBm) {
  if (!dBm) {
    std::snprintf(out, size, "%02.01fW", watts);
    return;
  }
  const float level = ConvertW_to_dBm(watts);
  // 0 W (minus infinity), NaN and anything under a milliwatt print dashes.
  if (!(level >= 0)) {
    std::snprintf(out, size, "---dBm");
    return;
  }
  std::snprintf(out, size, "%02.01fdBm", level);
}

float ClampReading(float v, float max) {
  if (!(v > 0)) return 0;
  return v < max ? v : max;
}
