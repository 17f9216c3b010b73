#pragma once
// Helpers shared by the display tests: pixels of a 4-byte buffer, PNG files of
// any format written with libpng, and a log observer.
#include <png.h>

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "display/framebuffer.h"
#include "platform/log.h"

struct Pixel {
  int r, g, b;
  bool operator==(const Pixel&) const = default;
};

inline Pixel pixelAt(const uint8_t* buf, const FrameBuffer* fb, int x, int y) {
  const uint8_t* p = buf + static_cast<size_t>(y) * fb->lineSize + static_cast<size_t>(x) * 4;
  return {p[2], p[1], p[0]};
}

// A PNG of the given format in memory; RGB(A) samples from a colour function.
template <class Colour>
std::string makePng(int w, int h, int depth, int colorType, Colour colour) {
  std::string out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(
      png, &out,
      [](png_structp p, png_bytep d, png_size_t n) {
        static_cast<std::string*>(png_get_io_ptr(p))->append(reinterpret_cast<char*>(d), n);
      },
      [](png_structp) {});
  png_set_IHDR(png, info, w, h, depth, colorType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  const int channels = colorType == PNG_COLOR_TYPE_RGBA ? 4 : 3;
  const int bytes = depth / 8;
  std::vector<uint8_t> row(static_cast<size_t>(w) * channels * bytes);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      Pixel c = colour(x, y);
      int v[4] = {c.r, c.g, c.b, 255};
      for (int ch = 0; ch < channels; ++ch)
        for (int k = 0; k < bytes; ++k) row[(static_cast<size_t>(x) * channels + ch) * bytes + k] = uint8_t(v[ch]);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

// Collects every log line while alive.
class LogCapture {
 public:
  LogCapture() {
    platform::setLogObserver([this](const std::string& line) {
      std::lock_guard lock(mutex_);
      lines_.push_back(line);
    });
  }
  ~LogCapture() { platform::setLogObserver({}); }
  bool contains(const std::string& text) {
    std::lock_guard lock(mutex_);
    for (auto& l : lines_)
      if (l.find(text) != std::string::npos) return true;
    return false;
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> lines_;
};

// The program's font slots as start-up loads them, from the sandbox root.
void loadProgramFonts();
