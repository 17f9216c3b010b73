#include "display/picture_canvas.h"

#include <algorithm>
#include <cmath>

#include "display/framebuffer.h"
#include "display/memory_framebuffer.h"
#include "display/text.h"

namespace {

double clamp01(double v) { return std::clamp(v, 0.0, 1.0); }

// Distance from (px, py) to the segment (x0, y0)-(x1, y1).
double segmentDistance(double px, double py, double x0, double y0, double x1, double y1) {
  const double dx = x1 - x0, dy = y1 - y0;
  const double len2 = dx * dx + dy * dy;
  double t = len2 > 0 ? ((px - x0) * dx + (py - y0) * dy) / len2 : 0.0;
  t = clamp01(t);
  return std::hypot(px - (x0 + t * dx), py - (y0 + t * dy));
}

}  // namespace

Canvas::Canvas(FrameBuffer* fb, int toBack) : fb_(fb), buf_(fbBuffer(fb, toBack)) {}

void Canvas::blend(int x, int y, Rgb c, double alpha) {
  if (x < 0 || y < 0 || x >= fb_->xSize || y >= fb_->ySize || alpha <= 0) return;
  uint8_t* p = buf_ + static_cast<size_t>(y) * fb_->lineSize + static_cast<size_t>(x) * 4;
  const double a = std::min(alpha, 1.0);
  p[0] = static_cast<uint8_t>(std::lround(p[0] * (1 - a) + c.b * a));
  p[1] = static_cast<uint8_t>(std::lround(p[1] * (1 - a) + c.g * a));
  p[2] = static_cast<uint8_t>(std::lround(p[2] * (1 - a) + c.r * a));
  p[3] = 0;
}

void Canvas::verticalGradient(int y0, int y1, Rgb top, Rgb bottom) {
  for (int y = y0; y <= y1; ++y) {
    const double t = y1 > y0 ? double(y - y0) / (y1 - y0) : 0.0;
    const Rgb c{static_cast<uint8_t>(std::lround(top.r + (bottom.r - top.r) * t)),
                static_cast<uint8_t>(std::lround(top.g + (bottom.g - top.g) * t)),
                static_cast<uint8_t>(std::lround(top.b + (bottom.b - top.b) * t))};
    for (int x = 0; x < fb_->xSize; ++x) blend(x, y, c, 1.0);
  }
}

void Canvas::fillRoundRect(double x0, double y0, double x1, double y1, double radius, Rgb c) {
  const double cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
  const double hw = (x1 - x0) / 2 - radius, hh = (y1 - y0) / 2 - radius;
  for (int y = static_cast<int>(std::floor(y0)); y <= static_cast<int>(std::ceil(y1)); ++y)
    for (int x = static_cast<int>(std::floor(x0)); x <= static_cast<int>(std::ceil(x1)); ++x) {
      // Signed distance to the rounded box, measured from the pixel centre.
      const double qx = std::abs(x + 0.5 - cx) - hw, qy = std::abs(y + 0.5 - cy) - hh;
      const double outside = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0)) + std::min(std::max(qx, qy), 0.0);
      blend(x, y, c, clamp01(0.5 - (outside - radius)));
    }
}

void Canvas::fillCircle(double cx, double cy, double radius, Rgb c) {
  for (int y = static_cast<int>(cy - radius - 1); y <= static_cast<int>(cy + radius + 1); ++y)
    for (int x = static_cast<int>(cx - radius - 1); x <= static_cast<int>(cx + radius + 1); ++x)
      blend(x, y, c, clamp01(radius + 0.5 - std::hypot(x + 0.5 - cx, y + 0.5 - cy)));
}

void Canvas::line(double x0, double y0, double x1, double y1, double width, Rgb c) {
  const double half = width / 2;
  const int xa = static_cast<int>(std::floor(std::min(x0, x1) - half - 1));
  const int xb = static_cast<int>(std::ceil(std::max(x0, x1) + half + 1));
  const int ya = static_cast<int>(std::floor(std::min(y0, y1) - half - 1));
  const int yb = static_cast<int>(std::ceil(std::max(y0, y1) + half + 1));
  for (int y = ya; y <= yb; ++y)
    for (int x = xa; x <= xb; ++x)
      blend(x, y, c, clamp01(half + 0.5 - segmentDistance(x + 0.5, y + 0.5, x0, y0, x1, y1)));
}

void Canvas::text(int slot, int x, int y, const char* s, Rgb c) {
  const int size = std::max(fontSlotSize(slot), 1);
  const int w = textWidth(slot, s) + 2 * size, h = 3 * size;
  const int baseline = 2 * size;  // room for ascenders above and descenders below
  MemoryFrameBuffer mask(w, h);
  putString(slot, size, baseline, s, 255, 255, 255, mask.get(), 0, 0, 0, 0);
  for (int my = 0; my < h; ++my)
    for (int mx = 0; mx < w; ++mx) {
      const uint8_t a = mask->drawMem[static_cast<size_t>(my) * mask->lineSize + static_cast<size_t>(mx) * 4 + 2];
      if (a) blend(x - size + mx, y - baseline + my, c, a / 255.0);
    }
}

void Canvas::textCentered(int slot, double cx, int y, const char* s, Rgb c) {
  text(slot, static_cast<int>(std::lround(cx - textWidth(slot, s) / 2.0)), y, s, c);
}

int Canvas::textWidth(int slot, const char* s) const { return getStringSpace(slot, s); }
