#include "display/text.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "display/framebuffer.h"
#include "display/utf8.h"
#include "platform/log.h"
#include "platform/paths.h"

using platform::kErr;
using platform::kInfo;

namespace {

// A rendered glyph: its 8-bit coverage rows and the metrics that place it.
struct Glyph {
  bool loaded = false;
  int rows = 0;
  int width = 0;
  long height = 0;    // metrics.height, 26.6
  long bearingY = 0;  // metrics.horiBearingY, 26.6
  long advanceX = 0;  // 26.6
  long advanceY = 0;
  std::vector<uint8_t> coverage;  // rows x width
  // Per row, the columns [first, last) between which coverage is not zero:
  // most of a glyph's box is empty, and the blend need not visit it.
  std::vector<std::pair<uint16_t, uint16_t>> ink;
};

// Glyphs per slot are cached up to this many entries, then the slot's cache
// starts over: text is labels and status lines, so this is never reached in use.
constexpr size_t kCacheLimit = 4096;

struct FontSlots {
  std::mutex lock;
  FT_Library library = nullptr;
  FT_Face face[kFontSlotCount] = {};
  FT_GlyphSlot slot[kFontSlotCount] = {};
  int fontSize[kFontSlotCount] = {};
  std::unordered_map<uint64_t, Glyph> cache[kFontSlotCount];
  bool fastPath = true;
};

FontSlots& fonts() {
  static FontSlots slots;
  return slots;
}

bool validSlot(int slotNo) { return slotNo >= 0 && slotNo < kFontSlotCount; }

// The pen's fraction of a pixel changes the rendered bitmap; its whole pixels
// only move it. So a glyph is cached per code point and pen fraction.
uint64_t cacheKey(unsigned codePoint, long penX, long penY) {
  return (static_cast<uint64_t>(codePoint) << 12) | (static_cast<uint64_t>(penX & 63) << 6) |
         static_cast<uint64_t>(penY & 63);
}

void findInk(Glyph& g) {
  g.ink.assign(static_cast<size_t>(g.rows), {0, 0});
  for (int r = 0; r < g.rows; ++r) {
    const uint8_t* row = &g.coverage[static_cast<size_t>(r) * g.width];
    int first = 0, last = g.width;
    while (first < last && row[first] == 0) ++first;
    while (last > first && row[last - 1] == 0) --last;
    g.ink[r] = {static_cast<uint16_t>(first), static_cast<uint16_t>(last)};
  }
}

// Loads and renders one glyph with the identity transform and the pen's
// fraction of a pixel as its translation: whole pixels of the pen would only
// move the bitmap, and they are applied when the glyph is placed. Fills `out` from the face's glyph slot; out.loaded is
// false when FreeType cannot load the glyph.
void renderGlyph(FontSlots& f, int slotNo, unsigned codePoint, long penX, long penY, Glyph& out) {
  FT_Face face = f.face[slotNo];
  FT_Matrix matrix{0x10000, 0, 0, 0x10000};
  FT_Vector pen{penX, penY};
  FT_Set_Transform(face, &matrix, &pen);
  out.loaded = FT_Load_Char(face, codePoint, FT_LOAD_RENDER) == 0;
  if (!out.loaded) return;
  FT_GlyphSlot g = f.slot[slotNo];
  out.height = g->metrics.height;
  out.bearingY = g->metrics.horiBearingY;
  out.advanceX = g->advance.x;
  out.advanceY = g->advance.y;
  out.rows = 0;
  out.width = 0;
  out.coverage.clear();
  out.ink.clear();
  const FT_Bitmap& bm = g->bitmap;
  // Only 8-bit coverage is blended; anything else keeps its advance but draws nothing.
  if (bm.pixel_mode != FT_PIXEL_MODE_GRAY || bm.pitch <= 0 || !bm.buffer) return;
  out.rows = static_cast<int>(bm.rows);
  out.width = static_cast<int>(bm.width);
  out.coverage.resize(static_cast<size_t>(out.rows) * out.width);
  for (int r = 0; r < out.rows; ++r)
    std::memcpy(&out.coverage[static_cast<size_t>(r) * out.width], bm.buffer + static_cast<size_t>(r) * bm.pitch,
                static_cast<size_t>(out.width));
  findInk(out);
}

// The glyph for a code point at a pen position, from the cache or freshly
// rendered into `scratch`.
const Glyph& glyphFor(FontSlots& f, int slotNo, unsigned codePoint, long penX, long penY, Glyph& scratch) {
  if (!f.fastPath) {
    renderGlyph(f, slotNo, codePoint, penX & 63, penY & 63, scratch);
    return scratch;
  }
  auto& cache = f.cache[slotNo];
  const uint64_t key = cacheKey(codePoint, penX, penY);
  auto it = cache.find(key);
  if (it != cache.end()) return it->second;
  if (cache.size() >= kCacheLimit) cache.clear();
  Glyph& g = cache[key];
  renderGlyph(f, slotNo, codePoint, penX & 63, penY & 63, g);
  return g;
}

// Blends one channel: the destination fades by the coverage and the colour
// channel, masked by the coverage, is added.
inline uint8_t blend(uint8_t dst, int channel, int a) {
  return static_cast<uint8_t>(dst * (255 - a) / 255 + (channel & a));
}

// Places a glyph's bitmap with its bottom row on the row the metrics give for
// the pen, and blends it into 4-byte pixels. Pixels outside the screen are
// dropped (past the right edge too: they must not wrap onto the next row); a
// zero coverage leaves the pixel as it is.
void blendGlyphPlain(const Glyph& g, long penX, long penY, int r, int gr, int b, uint8_t* buf, unsigned lineSize,
                     unsigned memSize) {
  const long col0 = penX / 64;
  const long bottomRow = (penY + g.height - g.bearingY) / 64;
  for (int row = 0; row < g.rows; ++row) {
    const long y = bottomRow - (g.rows - 1 - row);
    const uint8_t* src = &g.coverage[static_cast<size_t>(row) * g.width];
    for (int j = 0; j < g.width; ++j) {
      const int a = src[j];
      if (a == 0) continue;
      const long x = col0 + j;
      if (x < 0 || x >= static_cast<long>(lineSize / 4)) continue;
      const long long o = static_cast<long long>(y) * lineSize + (col0 + j) * 4LL;
      if (o < 0 || o + 3 >= static_cast<long long>(memSize)) continue;
      uint8_t* p = buf + o;
      p[0] = blend(p[0], b, a);
      p[1] = blend(p[1], gr, a);
      p[2] = blend(p[2], r, a);
      p[3] = 0;
    }
  }
}

// Blends a run of coverage into consecutive 4-byte pixels, all known to be
// inside the buffer.
inline void blendRun(uint8_t* p, const uint8_t* cov, int n, int r, int gr, int b) {
  for (int j = 0; j < n; ++j, p += 4) {
    const int a = cov[j];
    if (a == 0) continue;
    if (a == 255) {  // the inside of strokes: the blend gives exactly the colour
      p[0] = static_cast<uint8_t>(b);
      p[1] = static_cast<uint8_t>(gr);
      p[2] = static_cast<uint8_t>(r);
      p[3] = 0;
      continue;
    }
    p[0] = blend(p[0], b, a);
    p[1] = blend(p[1], gr, a);
    p[2] = blend(p[2], r, a);
    p[3] = 0;
  }
}

// The same pixels as blendGlyphPlain, with the screen edges worked out once
// per row instead of per pixel, and only the inked part of each row visited.
void blendGlyphClipped(const Glyph& g, long penX, long penY, int r, int gr, int b, uint8_t* buf, unsigned lineSize,
                       unsigned memSize) {
  const long col0 = penX / 64;
  const long bottomRow = (penY + g.height - g.bearingY) / 64;
  const long columns = static_cast<long>(lineSize / 4);
  for (int row = 0; row < g.rows; ++row) {
    const long y = bottomRow - (g.rows - 1 - row);
    if (y < 0) continue;  // every offset on a row above the buffer is negative
    const long long rowStart = static_cast<long long>(y) * lineSize;
    if (rowStart >= static_cast<long long>(memSize)) break;  // this row and the ones below are past the end
    // A pixel's 4 bytes must end inside the buffer; only a last, partial row cuts this shorter than the width.
    const long fits = static_cast<long>(std::min<long long>(columns, (memSize - rowStart) / 4));
    const long first = std::max<long>(g.ink[row].first, -col0);
    const long last = std::min<long>(g.ink[row].second, fits - col0);
    if (first >= last) continue;
    blendRun(buf + rowStart + (col0 + first) * 4, &g.coverage[static_cast<size_t>(row) * g.width + first],
             static_cast<int>(last - first), r, gr, b);
  }
}

}  // namespace

void TTFLoad(const char* fileName, int pixelSize, int slotNo) {
  FontSlots& f = fonts();
  std::lock_guard lock(f.lock);
  if (!validSlot(slotNo) || !fileName) {
    platform::sysLog(kErr, "Font slot %d out of range", slotNo);
    return;
  }
  platform::sysLog(kInfo, "Iinitializing FreeType");
  // One library instance serves every face.
  if (!f.library && FT_Init_FreeType(&f.library) != 0) {
    platform::sysLog(kErr, "Error initializing FreeType");
    f.library = nullptr;
    return;
  }
  platform::sysLog(kInfo, "Loading face: filename=%s", fileName);
  FT_Face face = nullptr;
  FT_Error err = FT_New_Face(f.library, platform::hostPath(fileName).c_str(), 0, &face);
  if (err == FT_Err_Unknown_File_Format) {
    platform::sysLog(kErr, "FreeType: file format not supported");
    return;
  }
  if (err != 0) {
    platform::sysLog(kErr, "FreeType: file error");
    return;
  }
  platform::sysLog(kInfo, "Face loaded");
  if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixelSize)) != 0)
    platform::sysLog(kErr, "Error Setting Pixel Size");
  platform::sysLog(kInfo, "Pixel size sat");
  // Loading a slot again replaces its face instead of leaking the old one.
  if (f.face[slotNo]) FT_Done_Face(f.face[slotNo]);
  f.face[slotNo] = face;
  f.slot[slotNo] = face->glyph;
  f.fontSize[slotNo] = pixelSize;
  f.cache[slotNo].clear();
}

int putString(int slotNo, int x, int y, const char* text, int r, int g, int b, FrameBuffer* fb, int flip, int vertical,
              int rowOrder, int toBack) {
  FontSlots& f = fonts();
  std::lock_guard lock(f.lock);
  if (!validSlot(slotNo) || !f.face[slotNo] || !text || !fb) return -1;
  uint8_t* buf = fbBuffer(fb, toBack);
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  const int length = static_cast<int>(std::strlen(text));
  long penX = static_cast<long>(x) * 64, penY = static_cast<long>(y) * 64;
  int position = 0, valid = 0;
  unsigned cp = 0;
  Glyph scratch;
  while (utf8_get_next_char(bytes, length, &position, &valid, &cp) == 1) {
    const Glyph& glyph = glyphFor(f, slotNo, valid ? cp : 0, penX, penY, scratch);
    if (!glyph.loaded) continue;
    if (f.fastPath)
      blendGlyphClipped(glyph, penX, penY, r, g, b, buf, fb->lineSize, fb->memSize);
    else
      blendGlyphPlain(glyph, penX, penY, r, g, b, buf, fb->lineSize, fb->memSize);
    penX += glyph.advanceX;
    penY += glyph.advanceY;
  }
  return -1;
}

int getStringSpace(int slotNo, const char* text) {
  FontSlots& f = fonts();
  std::lock_guard lock(f.lock);
  if (!validSlot(slotNo) || !f.face[slotNo] || !text) return 0;
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  const int length = static_cast<int>(std::strlen(text));
  long width = 0;
  int position = 0, valid = 0;
  unsigned cp = 0;
  Glyph scratch;
  while (utf8_get_next_char(bytes, length, &position, &valid, &cp) == 1) {
    const Glyph& glyph = glyphFor(f, slotNo, valid ? cp : 0, 0, 0, scratch);
    if (glyph.loaded) width += glyph.advanceX;
  }
  return static_cast<int>(width / 64);
}

int fontSlotSize(int slotNo) {
  FontSlots& f = fonts();
  std::lock_guard lock(f.lock);
  return validSlot(slotNo) && f.face[slotNo] ? f.fontSize[slotNo] : 0;
}

void setTextFastPath(bool enabled) {
  FontSlots& f = fonts();
  std::lock_guard lock(f.lock);
  f.fastPath = enabled;
  for (auto& c : f.cache) c.clear();
}
