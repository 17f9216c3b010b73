// The meter faces: two needle gauges on one ivory panel. Every mark is placed
// on the line the needle is drawn along for that reading, at the same fraction
// of the way to the needle's tip, so the needle meets its mark exactly.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "display/framebuffer.h"
#include "display/needle_geometry.h"
#include "display/picture_canvas.h"
#include "display/pictures.h"

namespace {

constexpr Rgb kBackground{20, 22, 27};
constexpr Rgb kPanelEdge{120, 112, 94};
constexpr Rgb kPanelTop{240, 235, 219};
constexpr Rgb kPanelBottom{226, 219, 198};
constexpr Rgb kInk{36, 36, 40};
constexpr Rgb kMutedInk{112, 108, 100};
constexpr Rgb kDanger{190, 58, 42};

// Radial layout of a scale, as fractions of the pivot-to-tip distance.
constexpr double kArc = 0.86;    // the scale line
constexpr double kMajor = 1.00;  // major ticks run out to the needle tip
constexpr double kMedium = 0.95;
constexpr double kMinor = 0.92;
constexpr double kLabels = 1.105;
constexpr double kZoneInner = 0.81;

constexpr double kFullScale = 60.0;  // the SWR gauge's positions run 0..60

enum class Tick { Minor, Medium, Major };

struct Mark {
  double position;  // reading on the gauge's own scale (0..full scale)
  Tick tick;
  std::string label;  // empty for an unnumbered tick
};

struct Gauge {
  int cx;
  double fullScale;
  std::vector<Mark> marks;
  double zoneFrom = -1;  // start of the red zone, or -1 for none
};

double px(const Gauge& g, double pos, double k) { return needle::alongX(g.cx, needle::angle(pos, g.fullScale), k); }
double py(const Gauge& g, double pos, double k) {
  return needle::alongY(needle::kPivotY, needle::angle(pos, g.fullScale), k);
}

// Watts from 0 to full scale: numbered majors, medium halfway, minors between.
Gauge powerGauge(int cx, int fullScale) {
  Gauge g{cx, static_cast<double>(fullScale), {}};
  const int major = fullScale / 6, minor = fullScale / 60;
  for (int w = 0; w <= fullScale; w += minor) {
    Tick t = w % major == 0 ? Tick::Major : (w % (major / 2) == 0 ? Tick::Medium : Tick::Minor);
    g.marks.push_back({static_cast<double>(w), t, t == Tick::Major ? std::to_string(w) : std::string()});
  }
  return g;
}

// Gauge position of an SWR value by the conversion table the needle uses.
double swrPosition(double swr) {
  static const double table[][2] = {{1.0, 0},  {1.5, 11}, {2.0, 20}, {3.0, 30}, {4.0, 36},  {5.0, 40},
                                    {6.0, 43}, {7.0, 45}, {8.0, 47}, {9.0, 48}, {10.0, 50}, {100.0, 60}};
  if (swr < 1.0) return 0;
  for (size_t i = 1; i < std::size(table); ++i)
    if (table[i][0] > swr)
      return table[i - 1][1] +
             (table[i][1] - table[i - 1][1]) * (swr - table[i - 1][0]) / (table[i][0] - table[i - 1][0]);
  return 60;
}

Gauge swrGauge(int cx) {
  Gauge g{cx, kFullScale, {}, swrPosition(3.0)};
  const struct {
    double swr;
    Tick tick;
    const char* label;
  } marks[] = {{1.0, Tick::Major, "1"},     {1.1, Tick::Minor, nullptr},  {1.2, Tick::Minor, nullptr},
               {1.3, Tick::Minor, nullptr}, {1.4, Tick::Minor, nullptr},  {1.5, Tick::Major, "1.5"},
               {1.6, Tick::Minor, nullptr}, {1.7, Tick::Minor, nullptr},  {1.8, Tick::Minor, nullptr},
               {1.9, Tick::Minor, nullptr}, {2.0, Tick::Major, "2"},      {2.5, Tick::Medium, nullptr},
               {3.0, Tick::Major, "3"},     {4.0, Tick::Medium, nullptr}, {5.0, Tick::Major, "5"},
               {6.0, Tick::Minor, nullptr}, {7.0, Tick::Minor, nullptr},  {8.0, Tick::Minor, nullptr},
               {9.0, Tick::Minor, nullptr}, {10.0, Tick::Major, "10"},    {100.0, Tick::Major, "\u221e"}};
  for (const auto& m : marks) g.marks.push_back({swrPosition(m.swr), m.tick, m.label ? m.label : ""});
  return g;
}

// The red zone: the band just inside the scale line from zoneFrom to full scale.
void drawZone(Canvas& c, const Gauge& g) {
  const double thetaFrom = needle::angle(g.zoneFrom, g.fullScale), thetaTo = needle::angle(g.fullScale, g.fullScale);
  // The tip runs on an ellipse 215 across and 185 up; a point's needle angle
  // and fraction of the tip follow from its offset in those units.
  const double sx = needle::kRadius + needle::kOffset, sy = needle::kRadius - needle::kOffset;
  c.fillRegion(g.cx - 230, 40, g.cx + 230, needle::kPivotY, kDanger, [&](double x, double y) {
    // The point's fraction k of the tip ellipse and its needle angle.
    const double u = (g.cx - x) / sx, w = (needle::kPivotY - y) / sy;
    const double k = std::hypot(u, w), theta = std::atan2(u, w);
    return k >= kZoneInner && k <= kArc && theta <= thetaFrom && theta >= thetaTo;
  });
}

void drawGauge(Canvas& c, const Gauge& g) {
  if (g.zoneFrom >= 0) drawZone(c, g);
  // The scale line, as short strokes along the arc.
  constexpr int kSteps = 240;
  for (int i = 0; i < kSteps; ++i) {
    const double a = g.fullScale * i / kSteps, b = g.fullScale * (i + 1) / kSteps;
    c.line(px(g, a, kArc), py(g, a, kArc), px(g, b, kArc), py(g, b, kArc), 1.6, kInk);
  }
  for (const Mark& m : g.marks) {
    const double outer = m.tick == Tick::Major ? kMajor : m.tick == Tick::Medium ? kMedium : kMinor;
    const double width = m.tick == Tick::Major ? 2.6 : m.tick == Tick::Medium ? 1.8 : 1.2;
    c.line(px(g, m.position, kArc), py(g, m.position, kArc), px(g, m.position, outer), py(g, m.position, outer), width,
           kInk);
    if (!m.label.empty()) {
      // Centre the number on the needle's line, just beyond the tip.
      const double lx = px(g, m.position, kLabels), ly = py(g, m.position, kLabels);
      c.textCentered(kScaleFont, lx, static_cast<int>(std::lround(ly + 6)), m.label.c_str(), kInk);
    }
  }
  // Pivot cap; the needles are drawn from its centre.
  c.fillCircle(g.cx + 0.5, needle::kPivotY + 0.5, 9, Rgb{70, 68, 64});
  c.fillCircle(g.cx + 0.5, needle::kPivotY + 0.5, 6, Rgb{40, 40, 44});
}

}  // namespace

void DrawMeterFace(FrameBuffer* fb, int forwardFullScale, bool swr) {
  Canvas c(fb);
  c.verticalGradient(0, fb->ySize - 1, kBackground, Rgb{12, 13, 16});
  // The ivory panel: below the clock row, above the status boxes (row 278).
  c.fillRoundRect(6, 24, 794, 272, 12, kPanelEdge);
  for (int y = 25; y <= 270; ++y) {
    const double t = (y - 25) / 245.0;
    const Rgb row{static_cast<uint8_t>(kPanelTop.r + (kPanelBottom.r - kPanelTop.r) * t),
                  static_cast<uint8_t>(kPanelTop.g + (kPanelBottom.g - kPanelTop.g) * t),
                  static_cast<uint8_t>(kPanelTop.b + (kPanelBottom.b - kPanelTop.b) * t)};
    c.fillRegion(7, y, 793, y, row, [](double x, double yy) {
      // Rounded corners of the inner panel (radius 11 around 7..793 x 25..271).
      const double cx = std::clamp(x, 18.0, 782.0), cy = std::clamp(yy, 36.0, 260.0);
      return std::hypot(x - cx, yy - cy) <= 11.0;
    });
  }
  drawGauge(c, powerGauge(needle::kForwardPivotX, forwardFullScale));
  drawGauge(c, swr ? swrGauge(needle::kSecondPivotX) : powerGauge(needle::kSecondPivotX, 60));
  // Units under the arcs, clear of the readings the screen prints at rows 160 and 180.
  c.textCentered(kCaptionFont, needle::kForwardPivotX, 122, "W", kMutedInk);
  if (!swr) c.textCentered(kCaptionFont, needle::kSecondPivotX, 122, "W", kMutedInk);
  c.textCentered(kCaptionFont, 400, 264, "VYR ART", kMutedInk);
}
