#pragma once
// The screen record: the mapped display and two off-screen buffers of the same
// size. A screen is composed by fbSetBack (background to draw buffer), drawing
// into the draw buffer, and fbRealize (draw buffer to display in one piece).
#include <cstdint>
#include <mutex>

#include "platform/fbdev.h"

struct Works;

struct FrameBuffer {
  int xSize;
  int ySize;
  unsigned memSize;
  unsigned lineSize;
  unsigned pixelSize;
  uint8_t* screenMem;
  uint8_t* drawMem;
  uint8_t* backMem;
  platform::FbDevice device;
  // Start-up, the timer, key handling and the remote threads all compose
  // screens in the one draw buffer: each holds this lock from fbSetBack (or its
  // first drawing call) to fbRealize, so no screen mixes two threads' pixels.
  std::recursive_mutex drawLock;
};

// Opens and maps the display; nullptr (logged) on failure.
FrameBuffer* fbInit();
// Releases the screen record at the end of the run.
void fbClose(FrameBuffer* fb);
void fbRealize(FrameBuffer* fb);
void fbSetBack(FrameBuffer* fb);

// Pixel colour in the buffer's encoding: 4 bytes B G R 0, or RGB565 little-endian.
// Inline: the line primitives call it for every pixel they plot.
inline void fbPutPixel(FrameBuffer* fb, uint8_t* buffer, unsigned offset, int r, int g, int b) {
  uint8_t* p = buffer + offset;
  if (fb->pixelSize == 4) {
    p[0] = static_cast<uint8_t>(b);
    p[1] = static_cast<uint8_t>(g);
    p[2] = static_cast<uint8_t>(r);
    p[3] = 0;
  } else if (fb->pixelSize == 2) {
    p[0] = static_cast<uint8_t>(((g >> 2) << 5) | (b >> 3));
    p[1] = static_cast<uint8_t>((r & 0xF8) | (g >> 5));
  }
}
inline uint8_t* fbBuffer(FrameBuffer* fb, int toBack) { return toBack ? fb->backMem : fb->drawMem; }
