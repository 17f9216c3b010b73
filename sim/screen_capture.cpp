#include "screen_capture.h"

#include <cstdint>
#include <fstream>
#include <iterator>
#include <vector>

#include "display/screenshot.h"

namespace sim {

bool saveSandboxScreen(const std::string& root, const std::string& out, std::string& error) {
  int w = 800, h = 480, bpp = 32;
  if (std::ifstream info(root + "/dev/fb0.info"); info) info >> w >> h >> bpp;
  const int pixelSize = bpp / 8;
  std::ifstream in(root + "/dev/fb0", std::ios::binary);
  std::vector<uint8_t> pixels{std::istreambuf_iterator<char>(in), {}};
  if (w <= 0 || h <= 0 || (pixelSize != 2 && pixelSize != 4) ||
      pixels.size() < static_cast<size_t>(w) * h * pixelSize) {
    error = root + "/dev/fb0 holds no " + std::to_string(w) + "x" + std::to_string(h) + " screen";
    return false;
  }
  std::string png = EncodeFramebufferPng(pixels.data(), w, h, pixelSize);
  std::ofstream file(out, std::ios::binary | std::ios::trunc);
  if (png.empty() || !(file << png)) {
    error = "cannot write " + out;
    return false;
  }
  return true;
}

}  // namespace sim
