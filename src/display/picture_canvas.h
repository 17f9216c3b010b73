#pragma once
// Anti-aliased shapes and text in any colour over a 4-byte-per-pixel buffer,
// for composing the background pictures. Text goes through putString.
#include <cstdint>

struct FrameBuffer;

struct Rgb {
  uint8_t r, g, b;
};

class Canvas {
 public:
  explicit Canvas(FrameBuffer* fb, int toBack = 0);

  // Mixes colour c into pixel (x, y) by alpha 0..1; off-screen pixels are dropped.
  void blend(int x, int y, Rgb c, double alpha);
  void verticalGradient(int y0, int y1, Rgb top, Rgb bottom);
  void fillRoundRect(double x0, double y0, double x1, double y1, double radius, Rgb c);
  void fillCircle(double cx, double cy, double radius, Rgb c);
  // A straight stroke of the given width with round ends.
  void line(double x0, double y0, double x1, double y1, double width, Rgb c);
  // Fills the pixels whose sub-samples satisfy inside(x, y), 4 x 4 per pixel,
  // within a bounding box.
  template <class Inside>
  void fillRegion(int x0, int y0, int x1, int y1, Rgb c, Inside inside) {
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) {
        int hits = 0;
        for (int sy = 0; sy < 4; ++sy)
          for (int sx = 0; sx < 4; ++sx) hits += inside(x + (sx + 0.5) / 4.0, y + (sy + 0.5) / 4.0) ? 1 : 0;
        if (hits) blend(x, y, c, hits / 16.0);
      }
  }

  // Text with its baseline at y, in any colour: drawn white on black off-screen
  // and used as a coverage mask.
  void text(int slot, int x, int y, const char* s, Rgb c);
  void textCentered(int slot, double cx, int y, const char* s, Rgb c);
  int textWidth(int slot, const char* s) const;

 private:
  FrameBuffer* fb_;
  uint8_t* buf_;
};
