#pragma once
// The display device. On the board it is the Linux framebuffer "/dev/fb0" with
// its screen-information ioctls. In the sandbox DIR/dev/fb0 is a regular file
// of width x height x 4 bytes (made when missing) mapped the same way, so
// another process can watch the screen live; its geometry comes from
// DIR/dev/fb0.info ("800 480 32") when present.
#include <cstddef>

namespace platform {

struct FbGeometry {
  int xres = 0;
  int yres = 0;
  int bitsPerPixel = 0;
};

struct FbDevice {
  int fd = -1;
  bool regularFile = false;
};

// Each step returns false on failure, as the ioctl it stands for would.
bool fbdevOpen(FbDevice& dev);
bool fbdevGetGeometry(FbDevice& dev, FbGeometry& geometry);
bool fbdevResetOffsets(FbDevice& dev);        // xoffset = yoffset = 0, written back
void* fbdevMap(FbDevice& dev, size_t bytes);  // nullptr on failure
void fbdevUnmap(void* mem, size_t bytes);
void fbdevClose(FbDevice& dev);

}  // namespace platform
