#include "ui/grid.h"

#include <bit>
#include <cmath>
#include <cstdio>
#include <mutex>

#include "display/draw.h"
#include "display/framebuffer.h"
#include "display/text.h"
#include "state/fft_record.h"
#include "state/works.h"

std::atomic<int> SchermoWidth{800}, SchermoHeight{280}, divY{10};
std::atomic<int> borderLeft{70}, borderRight{40}, borderBottom{50}, borderTop{60};
std::atomic<int> xRangeStart{0}, LabelBorder{4};
std::atomic<int> RefLevel{-110}, RefPos{0}, PointDiv{10};

namespace {

constexpr int kLabelFont = 6;
constexpr int kTitleFont = 8;
constexpr int kGrey = 120, kLabelGrey = 180;

int nonZero(int v) { return v != 0 ? v : 1; }

void drawHorizontals(Works* works, const GridGeometry& g, int maxDb) {
  FrameBuffer* fb = works->fb;
  char text[16];
  for (int i = 0; i <= divY; ++i) {
    const int y = g.r_y * i + g.b_top;
    DrawHorizontalLine(g.bound_left, y, g.bound_right, kGrey, kGrey, kGrey, fb, 0);
    std::snprintf(text, sizeof text, "%d", maxDb - PointDiv * i);
    putString(kLabelFont, g.bound_left - 35, y, text, kLabelGrey, kLabelGrey, kLabelGrey, fb, 0, 0, 0, 0);
  }
}

void drawVerticals(Works* works, const GridGeometry& g) {
  FrameBuffer* fb = works->fb;
  const int halfSpanKHz = works->spanHz / 2000;
  char text[16];
  for (int i = 0; i <= divX; ++i) {
    const int x = g.r_x * i + g.bound_left;
    DrawLine(x, g.b_top, x, g.b_bottom, kGrey, kGrey, kGrey, fb, 0);
    const int m = 10 * i - halfSpanKHz;
    std::snprintf(text, sizeof text, m > 0 ? "+%d" : "%d", m);
    putString(kLabelFont, m == 0 ? x : x - 10, g.b_bottom + 13, text, kLabelGrey, kLabelGrey, kLabelGrey, fb, 0, 0, 0,
              0);
  }
}

// The narrow view shows the middle half of the bins.
void drawTrace(Works* works, float minDb, float maxDb) {
  float bins[kSpectrumBins];
  ReadSpectrumBins(works, bins);
  const float offset = static_cast<float>(works->OffsetPlot.load());
  const int first = divX == 16 ? 0 : 213;
  const int last = std::min<int>(xRangeEnd, kSpectrumBins - first) - 2;
  FrameBuffer* fb = works->fb;
  PlotPoint a = CalculatePoint(minDb, maxDb, 0, bins[first] + offset);
  for (int i = 0; i <= last; ++i) {
    const PlotPoint b = CalculatePoint(minDb, maxDb, static_cast<float>(i + 1), bins[first + i + 1] + offset);
    DrawLine(static_cast<int>(a.px), static_cast<int>(a.py), static_cast<int>(b.px), static_cast<int>(b.py), 250, 0,
             150, fb, 0);
    a = b;
  }
}

}  // namespace

GridGeometry DeriveGrid() {
  GridGeometry g;
  g.r_x = (SchermoWidth - borderLeft - borderRight) / nonZero(divX);
  g.r_y = (SchermoHeight - borderTop - borderBottom) / nonZero(divY);
  g.bound_left = borderLeft;
  g.bound_right = g.r_x * divX + g.bound_left;
  g.b_top = borderTop;
  g.b_bottom = g.r_y * divY + g.b_top;
  return g;
}

void InitGrid() {
  SchermoWidth = 800;
  SchermoHeight = 280;
  divX = 16;
  divY = 10;
  borderLeft = 70;
  borderRight = 40;
  borderBottom = 50;
  borderTop = 60;
  xRangeStart = 0;
  xRangeEnd = 854;
  LabelBorder = 4;
  RefLevel = -110;
  RefPos = 0;
  PointDiv = 10;
}

PlotPoint CalculatePoint(float minDb, float maxDb, float x, float value) {
  const GridGeometry g = DeriveGrid();
  const float xSpan = static_cast<float>(nonZero(xRangeEnd - xRangeStart));
  const float dbSpan = maxDb != minDb ? maxDb - minDb : 1.0f;
  PlotPoint p;
  p.px = g.bound_left + (x - xRangeStart) / xSpan * static_cast<float>(g.bound_right - borderLeft);
  // A NaN level (a damaged spectrum) sits on the floor rather than on no pixel at all.
  if (std::isnan(value)) value = minDb;
  p.py = g.b_bottom - (value - minDb) / dbSpan * static_cast<float>(g.b_bottom - borderTop);
  const float top = static_cast<float>(borderTop.load()), bottom = static_cast<float>(g.b_bottom);
  p.py = p.py < top ? top : p.py > bottom ? bottom : p.py;
  return p;
}

void DrawGrid(Works* works) {
  if (works->statusView != 0) return;
  const GridGeometry g = DeriveGrid();
  const int minDb = RefLevel - RefPos * PointDiv;
  const int maxDb = divY * PointDiv + minDb;
  putString(kTitleFont, g.bound_left - 35, g.b_top - g.r_y, "dBm", kLabelGrey, kLabelGrey, kLabelGrey, works->fb, 0, 0,
            0, 0);
  drawHorizontals(works, g, maxDb);
  drawVerticals(works, g);
  drawTrace(works, static_cast<float>(minDb), static_cast<float>(maxDb));
  DrawFreq(works);
}

void FormatFreq(char* out, unsigned size, long freq) {
  if (freq < 1000)
    std::snprintf(out, size, "%.00fHz", static_cast<double>(freq));
  else if (freq < 1000000)
    std::snprintf(out, size, "%.03fkHz", freq / 1000.0);
  else
    std::snprintf(out, size, "%.03fMHz", freq / 1000000.0);
}

void DrawFreq(Works* works) {
  const long freq = static_cast<int32_t>(works->freq.load());
  if (freq <= 0) return;
  char text[32];
  FormatFreq(text, sizeof text, freq);
  const GridGeometry g = DeriveGrid();
  const int x = (g.bound_right - g.bound_left) / 2 + g.bound_left - 75;
  const int y = g.b_top - g.r_y / 2;
  const bool spectrum = works->screenPage > 3;
  putString(4, x, y, text, spectrum ? 250 : 0, spectrum ? 150 : 0, 0, works->fb, 0, 0, 0, 0);
}

void ReadSpectrumBins(Works* works, float* out) {
  FftRecord* rec = works->fftRec;
  if (!rec || !rec->bufferA) {
    for (int i = 0; i < kSpectrumBins; ++i) out[i] = -200.0f;  // off the bottom of any scale
    return;
  }
  // The display array holds dB floats in the record's 32-bit slots, written
  // under the external IO mutex.
  std::unique_lock<std::mutex> lock;
  if (works->serMutexPtr) lock = std::unique_lock(*works->serMutexPtr);
  for (int i = 0; i < kSpectrumBins; ++i) out[i] = std::bit_cast<float>(rec->bufferA[i].load());
}
