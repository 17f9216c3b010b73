#pragma once
// A screen record without a display: the three buffers live on the heap. Used
// to compose pictures off-line, and by tests, benchmarks and fuzzing.
#include <cstdint>
#include <vector>

#include "display/framebuffer.h"

class MemoryFrameBuffer {
 public:
  MemoryFrameBuffer(int width, int height, unsigned pixelSize = 4)
      : screen_(bytes(width, height, pixelSize)), draw_(screen_.size()), back_(screen_.size()) {
    fb_.xSize = width;
    fb_.ySize = height;
    fb_.pixelSize = pixelSize;
    fb_.lineSize = static_cast<unsigned>(width) * pixelSize;
    fb_.memSize = static_cast<unsigned>(screen_.size());
    fb_.screenMem = screen_.data();
    fb_.drawMem = draw_.data();
    fb_.backMem = back_.data();
  }
  MemoryFrameBuffer(const MemoryFrameBuffer&) = delete;
  MemoryFrameBuffer& operator=(const MemoryFrameBuffer&) = delete;

  FrameBuffer* get() { return &fb_; }
  FrameBuffer* operator->() { return &fb_; }

 private:
  static size_t bytes(int width, int height, unsigned pixelSize) {
    return static_cast<size_t>(width) * static_cast<size_t>(height) * pixelSize;
  }
  FrameBuffer fb_{};
  std::vector<uint8_t> screen_, draw_, back_;
};
