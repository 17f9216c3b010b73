#include "display/draw.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "display/framebuffer.h"
#include "state/works.h"

void DrawHorizontalLine(int xStart, int y, int xEnd, int r, int g, int b, FrameBuffer* fb, int toBack) {
  uint8_t* buf = fbBuffer(fb, toBack);
  for (int x = xStart; x < xEnd; ++x)
    fbPutPixel(fb, buf, static_cast<unsigned>(y) * fb->lineSize + x * fb->pixelSize, r, g, b);
}

void DrawLine(int x1, int y1, int x2, int y2, int r, int g, int b, FrameBuffer* fb, int toBack) {
  if (x1 == x2 && y1 == y2) return;
  uint8_t* buf = fbBuffer(fb, toBack);
  const long limit = static_cast<long>(fb->memSize) - fb->pixelSize;
  auto plot = [&](int x, int y) {
    long o = static_cast<long>(y) * fb->lineSize + static_cast<long>(x) * fb->pixelSize;
    if (o >= 0 && o < limit) fbPutPixel(fb, buf, static_cast<unsigned>(o), r, g, b);
  };
  int dx = x2 - x1, dy = y2 - y1;
  int sx = dx >= 1 ? 1 : -1, sy = dy >= 1 ? 1 : -1;
  int ax = std::abs(dx), ay = std::abs(dy);
  int x = x1, y = y1;
  if (ax < ay) {
    int e = 2 * ax - ay;
    for (int i = 0; i <= ay; ++i) {
      plot(x, y);
      while (e >= 0) {
        x += sx;
        e -= 2 * ay;
      }
      y += sy;
      e += 2 * ax;
    }
  } else {
    int e = 2 * ay - ax;
    for (int i = 0; i <= ax; ++i) {
      plot(x, y);
      while (e >= 0) {
        y += sy;
        e -= 2 * ax;
      }
      x += sx;
      e += 2 * ay;
    }
  }
}

void DrawArc(int cx, int cy, int radius, int startDeg, int endDeg, int r, int g, int b, FrameBuffer* fb, int toBack) {
  const float rf = static_cast<float>(radius);
  int prevX = 0, prevY = 0;
  for (int d = startDeg; d <= endDeg; ++d) {
    double a = d * M_PI / 180.0;
    int px = static_cast<int>(cx + 0.5 + rf * std::cos(a));
    int py = static_cast<int>(cy + 0.5 - rf * std::sin(a));
    // A previous coordinate of 0 counts as "no previous point".
    if (prevX == 0) prevX = px;
    if (prevY == 0) prevY = py;
    DrawLine(prevX, prevY, px, py, r, g, b, fb, toBack);
    prevX = px;
    prevY = py;
  }
}

void DrawRect(Works* works, int x1, int y1, int x2, int y2, int r, int g, int b) {
  FrameBuffer* fb = works->fb;
  DrawLine(x1, y1, x1, y2, r, g, b, fb, 0);
  DrawLine(x2, y1, x2, y2, r, g, b, fb, 0);
  DrawHorizontalLine(x1, y1, x2, r, g, b, fb, 0);
  DrawHorizontalLine(x1, y2, x2, r, g, b, fb, 0);
}

void FillBox(int x1, int y1, int x2, int y2, int r, int g, int b, FrameBuffer* fb, int toBack) {
  uint8_t* buf = fbBuffer(fb, toBack);
  int xa = std::min(x1, x2), xb = std::max(x1, x2);
  int ya = std::min(y1, y2), yb = std::max(y1, y2);
  if (xb <= xa) return;
  // Build one row of 4-byte pixels, then copy it into every row of the box.
  uint8_t pixel[4] = {static_cast<uint8_t>(b), static_cast<uint8_t>(g), static_cast<uint8_t>(r), 0};
  uint8_t* first = nullptr;
  size_t rowBytes = static_cast<size_t>(xb - xa) * 4;
  for (int y = ya; y < yb; ++y) {
    uint8_t* row = buf + static_cast<size_t>(y) * fb->lineSize + static_cast<size_t>(xa) * 4;
    if (!first) {
      for (int x = 0; x < xb - xa; ++x) std::memcpy(row + x * 4, pixel, 4);
      first = row;
    } else {
      std::memcpy(row, first, rowBytes);
    }
  }
}

void FillRow(int x, int y, int r, int g, int b, FrameBuffer* fb, int keyR, int keyG, int keyB) {
  uint8_t* buf = fb->drawMem;
  bool painting = true;
  for (int row = y; row > 0; --row) {
    uint8_t* p = buf + static_cast<size_t>(row) * fb->lineSize + static_cast<size_t>(x) * fb->pixelSize;
    if (fb->pixelSize == 4) {
      if (p[2] == keyR && p[1] == keyG && p[0] == keyB) continue;
      if (p[0] == 255 && p[1] == 255 && p[2] == 255) painting = false;
    } else if (fb->pixelSize == 2) {
      uint8_t k0 = static_cast<uint8_t>(((keyG >> 2) << 5) | (keyB >> 3));
      uint8_t k1 = static_cast<uint8_t>((keyR & 0xF8) | (keyG >> 5));
      if (p[0] == k0 && p[1] == k1) continue;
      if (p[0] == 0xFF && p[1] == 0xFF) painting = false;
    } else {
      return;
    }
    if (painting) fbPutPixel(fb, buf, static_cast<unsigned>(p - buf), r, g, b);
  }
}
