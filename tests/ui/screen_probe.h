#pragma once
// Region checks of drawn screens. A text is "in place" when every pixel that
// the same text, drawn alone at the expected pen position with the expected
// font and colour, covers fully has that colour on the screen too. Partly
// covered edge pixels blend with whatever lies below and are not compared, so
// the checks hold over any background and do not depend on font hinting. A
// neighbouring glyph's soft edge may fall on a few of them: up to one in
// twenty may differ.
#include <cstring>
#include <string>

#include "display/memory_framebuffer.h"
#include "display/text.h"
#include "display_helpers.h"

struct Ink {
  int r, g, b;
};

class ScreenProbe {
 public:
  explicit ScreenProbe(FrameBuffer* fb) : fb_(fb) {}

  Pixel at(int x, int y) const { return pixelAt(fb_->drawMem, fb_, x, y); }

  // Empty text when the text is in place, else what is wrong.
  std::string textAt(int font, int x, int y, const std::string& text, Ink c) const {
    MemoryFrameBuffer ref(fb_->xSize, fb_->ySize);
    putString(font, x, y, text.c_str(), c.r, c.g, c.b, ref.get(), 0, 0, 0, 0);
    int solid = 0, wrong = 0;
    const Pixel want{c.r, c.g, c.b};
    for (int py = 0; py < fb_->ySize; ++py)
      for (int px = 0; px < fb_->xSize; ++px) {
        if (!(pixelAt(ref->drawMem, ref.get(), px, py) == want)) continue;
        ++solid;
        wrong += !(at(px, py) == want);
      }
    if (solid == 0) return "\"" + text + "\" has no fully inked pixel";
    if (wrong * 20 > solid) return "\"" + text + "\": " + std::to_string(wrong) + " of " + std::to_string(solid) + " pixels differ";
    return "";
  }
  // The same for a text whose right edge is at `xEnd`.
  std::string textEndingAt(int font, int xEnd, int y, const std::string& text, Ink c) const {
    return textAt(font, xEnd - getStringSpace(font, text.c_str()), y, text, c);
  }
  // Pixels of exactly colour c inside a box (inclusive).
  int inkIn(int x0, int y0, int x1, int y1, Ink c) const {
    int n = 0;
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) n += at(x, y) == Pixel{c.r, c.g, c.b};
    return n;
  }
  void clear() { std::memset(fb_->drawMem, 0, fb_->memSize); }

 private:
  FrameBuffer* fb_;
};

inline constexpr Ink kInkOrange{250, 150, 0}, kInkWhite{255, 255, 255}, kInkBright{250, 250, 250},
    kInkRed{255, 0, 0}, kInkCyan{0, 200, 255}, kInkGreen{0, 200, 0}, kInkYellow{250, 250, 0};
