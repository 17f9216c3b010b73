// fbshot: saves the screen of a program running in a sandbox as a PNG.
//   fbshot DIR out.png
// DIR/dev/fb0 is the sandbox display (B G R x bytes); its geometry comes from
// DIR/dev/fb0.info ("800 480 32") when present.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "display/screenshot.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: fbshot DIR out.png\n");
    return 2;
  }
  const std::string dir = argv[1];
  int w = 800, h = 480, bpp = 32;
  if (std::ifstream info(dir + "/dev/fb0.info"); info) info >> w >> h >> bpp;
  const int pixelSize = bpp / 8;
  std::ifstream in(dir + "/dev/fb0", std::ios::binary);
  std::vector<uint8_t> pixels{std::istreambuf_iterator<char>(in), {}};
  if (w <= 0 || h <= 0 || pixels.size() < static_cast<size_t>(w) * h * pixelSize) {
    std::fprintf(stderr, "fbshot: %s/dev/fb0 holds no %dx%d screen\n", dir.c_str(), w, h);
    return 1;
  }
  if (!SaveFramebufferPng(pixels.data(), w, h, pixelSize, argv[2])) {
    std::fprintf(stderr, "fbshot: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
