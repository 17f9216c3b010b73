// Fuzzes the background-picture loader with arbitrary file contents.
#include <cstdint>
#include <cstdio>
#include <memory>

#include "display/memory_framebuffer.h"
#include "display/png.h"
#include "state/works.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static MemoryFrameBuffer fb(800, 480);
  static std::unique_ptr<Works> works = [] {
    auto w = std::make_unique<Works>();
    w->fb = fb.get();
    return w;
  }();
  if (size == 0) return 0;
  // The first byte places the picture, as imgX/imgY would.
  works->imgX = (data[0] & 0x0F) * 50 - 100;
  works->imgY = (data[0] >> 4) * 30 - 60;
  FILE* f = fmemopen(const_cast<uint8_t*>(data + 1), size - 1 ? size - 1 : 1, "rb");
  if (!f) return 0;
  loadPngStream(f, "fuzz.png", works.get(), data[0] & 1);
  std::fclose(f);
  return 0;
}
