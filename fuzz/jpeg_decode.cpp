// Fuzz target: a JPEG stream from a peer through the decoder entry point, as
// a received screen image reaches it; the first byte picks the components
// asked for.
#include <cstdint>
#include <cstdlib>

#include "jpeg/jpgd.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  static const int kComps[] = {1, 3, 4};
  const int req = kComps[data[0] % 3];
  int w = 0, h = 0, comps = 0;
  // The receivers refuse a size other than their screen's before decoding;
  // keep the decoder to screen-sized images the same way.
  if (!jpgd::read_jpeg_header(data + 1, static_cast<int>(size - 1), &w, &h, &comps)) return 0;
  if (static_cast<long>(w) * h > 1024L * 1024) return 0;
  unsigned char* px = jpgd::decompress_jpeg_image_from_memory(data + 1, static_cast<int>(size - 1), &w, &h, &comps, req);
  std::free(px);
  return 0;
}
