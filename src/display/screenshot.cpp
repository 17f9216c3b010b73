#include "display/screenshot.h"

#include <png.h>

#include <mutex>
#include <vector>

#include "platform/files.h"

namespace {

void appendBytes(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::string*>(png_get_io_ptr(png));
  out->append(reinterpret_cast<const char*>(data), length);
}
void flushNothing(png_structp) {}
void pngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void pngWarning(png_structp, png_const_charp) {}

// One pixel of the screen buffer as R, G, B, A.
void toRgba(const uint8_t* p, int pixelSize, uint8_t* out) {
  if (pixelSize == 4) {
    out[0] = p[2];
    out[1] = p[1];
    out[2] = p[0];
  } else {
    const unsigned v = p[0] | (p[1] << 8);
    const unsigned r = (v >> 11) & 0x1F, g = (v >> 5) & 0x3F, b = v & 0x1F;
    out[0] = static_cast<uint8_t>((r << 3) | (r >> 2));
    out[1] = static_cast<uint8_t>((g << 2) | (g >> 4));
    out[2] = static_cast<uint8_t>((b << 3) | (b >> 2));
  }
  out[3] = 255;
}

// The libpng calls that may unwind through longjmp; no destructors in here.
bool writeRows(png_structp png, png_infop info, std::string* out, png_bytep* rows, int w, int h) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_write_fn(png, out, appendBytes, flushNothing);
  png_set_IHDR(png, info, static_cast<png_uint_32>(w), static_cast<png_uint_32>(h), 8, PNG_COLOR_TYPE_RGBA,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, nullptr);
  return true;
}

}  // namespace

std::string EncodeFramebufferPng(const uint8_t* pixels, int w, int h, int pixelSize) {
  if (!pixels || w <= 0 || h <= 0 || (pixelSize != 4 && pixelSize != 2)) return {};
  std::vector<uint8_t> rgba(static_cast<size_t>(w) * h * 4);
  std::vector<png_bytep> rows(static_cast<size_t>(h));
  for (int y = 0; y < h; ++y) {
    rows[y] = &rgba[static_cast<size_t>(y) * w * 4];
    const uint8_t* src = pixels + static_cast<size_t>(y) * w * pixelSize;
    for (int x = 0; x < w; ++x) toRgba(src + static_cast<size_t>(x) * pixelSize, pixelSize, rows[y] + 4 * x);
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, pngError, pngWarning);
  if (!png) return {};
  png_infop info = png_create_info_struct(png);
  std::string out;
  const bool ok = info && writeRows(png, info, &out, rows.data(), w, h);
  png_destroy_write_struct(&png, info ? &info : nullptr);
  return ok ? out : std::string();
}

bool SaveFramebufferPng(const uint8_t* pixels, int w, int h, int pixelSize, const std::string& path) {
  const std::string png = EncodeFramebufferPng(pixels, w, h, pixelSize);
  return !png.empty() && platform::writeFileAtomic(path, png);
}
