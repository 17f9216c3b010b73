#include "ui/needles.h"

#include <cmath>
#include <cstdio>

#include "display/draw.h"
#include "display/framebuffer.h"
#include "display/needle_geometry.h"
#include "display/text.h"
#include "state/works.h"
#include "ui/grid.h"
#include "ui/meters.h"

namespace {

constexpr int kMeterFont = 8;
constexpr float kSecondScaleMax = 60.0f;  // reflected and input readings, W
constexpr float kSwrMax = 100.0f;

int fullScale(int n) { return n > 0 ? n : 60; }  // a zero scale would divide by zero

void label(Works* works, int x, int y, const char* text) {
  putString(kMeterFont, x, y, text, 0, 0, 0, works->fb, 0, 0, 0, 0);
}

void powerText(Works* works, int x, int y, float watts) {
  char text[32];
  FormatPower(text, sizeof text, watts, works->PowerUnits != 0);
  label(works, x, y, text);
}

// What the second gauge shows on each meter page.
struct SecondGauge {
  float reading;
  int scale;
};

SecondGauge secondGauge(Works* works) {
  switch (works->screenPage) {
    case 2: {
      float swr = works->swrValue;
      swr = std::isnan(swr) ? 0 : swr < 0 ? 0 : swr > kSwrMax ? kSwrMax : swr;
      char text[32];
      std::snprintf(text, sizeof text, "%02.01f", swr);
      label(works, 570, 160, "SWR");
      label(works, 580, 180, text);
      return {CalcolaSWR(swr), works->number_ofStep_meter_SWR};
    }
    case 3:
      label(works, 560, 160, "PRWIN");
      powerText(works, 570, 180, works->pwrIn);
      return {ClampReading(works->pwrIn, kSecondScaleMax), works->number_ofStep_meter_PW};
    default:
      label(works, 535, 160, "REFLECTED");
      powerText(works, 565, 180, works->pwrRefl);
      return {ClampReading(works->pwrRefl, kSecondScaleMax), works->number_ofStep_meter_REFL};
  }
}

}  // namespace

NeedleTip NeedleTipAt(int cx, int cy, float theta) {
  return {static_cast<int>(std::trunc(needle::tipX(cx, theta))), static_cast<int>(std::trunc(needle::tipY(cy, theta)))};
}

float NeedleAngle(float v, int n) { return static_cast<float>(needle::angle(v, fullScale(n))); }

void DrawNeedle(FrameBuffer* fb, int cx, int cy, float theta, int r, int g, int b) {
  const NeedleTip tip = NeedleTipAt(cx, cy, theta);
  for (int dx : {0, -1, 1}) DrawLine(cx + dx, cy, tip.x, tip.y, r, g, b, fb, 0);
}

void DrawMeterScreen(Works* works) {
  FrameBuffer* fb = works->fb;
  const bool peaks = works->EnablePwrPeak == 1;
  const int fwdScale = works->number_ofStep_meter_FWD;
  const float fwdMax = works->ampVariant == '1' ? 120.0f : 60.0f;

  // Forward gauge.
  works->fwdAngle = NeedleAngle(ClampReading(works->pwrFwd, fwdMax), fwdScale);
  if (peaks) CalcolaPwrPeak(works, works->pwrFwdPeak);
  DrawNeedle(fb, needle::kForwardPivotX, needle::kPivotY, works->fwdAngle, 255, 0, 0);
  if (peaks) {
    works->fwdPeakAngle = NeedleAngle(ClampReading(works->peakFwd.value, fwdMax), fwdScale);
    DrawNeedle(fb, needle::kForwardPivotX, needle::kPivotY, works->fwdPeakAngle, 0, 0, 0);
  }

  // Second gauge, by page.
  const SecondGauge second = secondGauge(works);
  if (peaks) {
    CalcolaPwrPeak2(works, second.reading);
    works->secondPeakAngle = NeedleAngle(works->peak2.value, second.scale);
  }
  works->secondAngle = NeedleAngle(second.reading, second.scale);
  DrawNeedle(fb, needle::kSecondPivotX, needle::kPivotY, works->secondAngle, 255, 0, 0);
  if (peaks) DrawNeedle(fb, needle::kSecondPivotX, needle::kPivotY, works->secondPeakAngle, 0, 0, 0);

  DrawFreq(works);
  label(works, 155, 160, "FORWARD");
  powerText(works, 180, 180, works->pwrFwd);
}
