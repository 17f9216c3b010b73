#include "display/png.h"

#include <png.h>

#include <cstdlib>
#include <cstring>
#include <mutex>

#include "display/framebuffer.h"
#include "display/spectrum_view.h"
#include "platform/files.h"
#include "platform/log.h"
#include "state/setup_record.h"
#include "state/works.h"

using platform::kErr;

namespace {

struct PngRead {
  png_structp png = nullptr;
  png_infop info = nullptr;
};

// libpng's default handler prints to standard error; our own messages say
// which step failed, so errors only unwind to the step's setjmp.
void pngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void pngWarning(png_structp, png_const_charp) {}

// The calls that may unwind through longjmp sit in these two functions, whose
// locals need no destructors.
bool readHeader(PngRead& r, FILE* fp) {
  if (setjmp(png_jmpbuf(r.png))) return false;
  png_init_io(r.png, fp);
  png_set_sig_bytes(r.png, 8);
  png_read_info(r.png, r.info);
  return true;
}

bool readImage(PngRead& r, png_bytep* rows) {
  if (setjmp(png_jmpbuf(r.png))) return false;
  png_read_image(r.png, rows);
  png_read_end(r.png, nullptr);
  return true;
}

// Copies the decoded RGBA rows as B, G, R, 0 pixels with the picture's corner at
// (imgX, imgY). Pixels that would fall off the screen are dropped rather than
// written past a row or the buffer.
void copyRows(Works* works, uint8_t* target, png_bytep* rows, int width, int height) {
  FrameBuffer* fb = works->fb;
  const int x0 = works->imgX, y0 = works->imgY;
  for (int r = 0; r < height; ++r) {
    const int y = r + y0;
    if (y < 0 || y >= fb->ySize) continue;
    const png_bytep src = rows[r];
    uint8_t* dst = target + static_cast<size_t>(y) * fb->lineSize;
    for (int c = 0; c < width; ++c) {
      const int x = x0 + c;
      if (x < 0 || x >= fb->xSize) continue;
      uint8_t* p = dst + static_cast<size_t>(x) * 4;
      p[0] = src[4 * c + 2];
      p[1] = src[4 * c + 1];
      p[2] = src[4 * c];
      p[3] = 0;
    }
  }
}

// Checks the header against the screen; logs and returns false when the
// picture cannot be shown.
bool acceptHeader(const PngRead& r, const char* name, FrameBuffer* fb, png_uint_32& width, png_uint_32& height) {
  width = png_get_image_width(r.png, r.info);
  height = png_get_image_height(r.png, r.info);
  if (width > static_cast<png_uint_32>(fb->xSize)) {
    platform::sysLog(kErr, "%s image has %d cols not %d", name, static_cast<int>(width), fb->xSize);
    return false;
  }
  if (height > static_cast<png_uint_32>(fb->ySize)) {
    platform::sysLog(kErr, "%s image has %d rows not %d", name, static_cast<int>(height), fb->ySize);
    return false;
  }
  const int depth = png_get_bit_depth(r.png, r.info);
  const int colorType = png_get_color_type(r.png, r.info);
  if (depth != 8 || fb->pixelSize != 4 || colorType != PNG_COLOR_TYPE_RGBA) {
    platform::sysLog(kErr, "%s image has %d pixels not %d or color_type is %d not %d", name, depth,
                     static_cast<int>(fb->pixelSize), colorType, PNG_COLOR_TYPE_RGBA);
    return false;
  }
  return png_get_rowbytes(r.png, r.info) == static_cast<size_t>(width) * 4;
}

// Row pointers into one block, freed by the caller with std::free(rows[0]) and
// std::free(rows).
png_bytep* allocRows(const char* name, png_uint_32 width, png_uint_32 height) {
  auto* rows = static_cast<png_bytep*>(std::calloc(height ? height : 1, sizeof(png_bytep)));
  if (!rows) {
    platform::sysLog(kErr, "%s unable to alloc row_pointers for image", name);
    return nullptr;
  }
  const size_t rowBytes = static_cast<size_t>(width) * 4;
  auto* block = static_cast<png_bytep>(std::malloc(rowBytes * height + 1));
  if (!block) {
    platform::sysLog(kErr, "%s unable to alloc row_pointers[%d] for image", name, 0);
    std::free(rows);
    return nullptr;
  }
  for (png_uint_32 i = 0; i < height; ++i) rows[i] = block + rowBytes * i;
  if (height == 0) rows[0] = block;
  return rows;
}

}  // namespace

int loadPngStream(FILE* fp, const char* name, Works* works, int toBack) {
  png_byte header[8];
  if (std::fread(header, 1, 8, fp) != 8 || png_sig_cmp(header, 0, 8) != 0) {
    platform::sysLog(kErr, "%s image is not a PNG file", name);
    return -1;
  }
  PngRead r;
  r.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, pngError, pngWarning);
  if (!r.png) {
    platform::sysLog(kErr, "%s PNG_create_read_struct failed", name);
    return -1;
  }
  r.info = png_create_info_struct(r.png);
  if (!r.info) {
    platform::sysLog(kErr, "%s PNG_create_info_struct failed", name);
    png_destroy_read_struct(&r.png, nullptr, nullptr);
    return -1;
  }
  int result = -1;
  png_uint_32 width = 0, height = 0;
  FrameBuffer* fb = works->fb;
  if (!readHeader(r, fp)) {
    platform::sysLog(kErr, "%s error during init_io", name);
  } else if (acceptHeader(r, name, fb, width, height)) {
    if (png_bytep* rows = allocRows(name, width, height)) {
      if (!readImage(r, rows)) {
        platform::sysLog(kErr, "%s error during reading image", name);
      } else {
        std::lock_guard lock(fb->drawLock);
        copyRows(works, fbBuffer(fb, toBack), rows, static_cast<int>(width), static_cast<int>(height));
        if (!toBack) fbRealize(fb);
        result = 0;
      }
      std::free(rows[0]);
      std::free(rows);
    }
  }
  png_destroy_read_struct(&r.png, &r.info, nullptr);
  return result;
}

void getPng(Works* works, int toBack) {
  char fileName[200];
  std::snprintf(fileName, sizeof fileName, "%s.png", works->pngName);
  // A relative name: the pictures live in the program's working directory.
  FILE* fp = platform::openFile(fileName, "rb");
  if (!fp) {
    platform::sysLog(kErr, "%s image could not be opened", fileName);
    return;
  }
  loadPngStream(fp, fileName, works, toBack);
  std::fclose(fp);
}

void SetWorkImg(Works* works) {
  const bool big = works->ampVariant == '1';
  const char* name = nullptr;
  switch (works->screenPage) {
    case 1:
    case 3:
      name = big ? "img1b" : "img1";
      break;
    case 2:
      name = big ? "img3b" : "img3";
      break;
    case 4:
      name = "m5a";
      divX = 16;
      works->spanHz = 160000;
      xRangeEnd = 854;
      break;
    case 5:
      name = "m5a";
      divX = 8;
      works->spanHz = 80000;
      xRangeEnd = 427;
      break;
    default:
      break;
  }
  {
    std::lock_guard lock(works->fb->drawLock);
    if (name) {
      std::snprintf(works->pngName, sizeof works->pngName, "%s", name);
      getPng(works, 1);
    }
    fbSetBack(works->fb);
  }
  if (works->ModeWorkIdx != 1 && works->setup) works->setup->enaser = '0';
}
