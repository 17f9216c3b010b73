#pragma once
// TrueType text in numbered font slots. Faces are loaded into slots at
// start-up; every caller then draws UTF-8 text by slot, position and colour.
// All functions are safe to call from any thread: the FreeType state and the
// glyph cache sit behind one lock.
struct FrameBuffer;

inline constexpr int kFontSlotCount = 20;

// Loads face 0 of a font file (system path) into a slot at a pixel height.
// Failures are logged and leave the slot empty.
void TTFLoad(const char* fileName, int pixelSize, int slotNo);
// Draws UTF-8 `text` with the pen at (x, y), y being the baseline, into the
// draw buffer (or the background buffer with toBack = 1). flip, vertical and
// rowOrder are accepted for compatibility; text is always laid out left to
// right. An empty slot draws nothing. Returns -1.
int putString(int slotNo, int x, int y, const char* text, int r, int g, int b, FrameBuffer* fb, int flip, int vertical,
              int rowOrder, int toBack);
// Width in whole pixels of `text` in a slot: the sum of the glyph advances.
int getStringSpace(int slotNo, const char* text);

// Pixel height a slot was loaded at, or 0 for an empty slot.
int fontSlotSize(int slotNo);
// The fast path keeps rendered glyphs per slot and blends only their inked
// rows, clipped once per row; the plain path renders every glyph afresh and
// checks every pixel. The pixels are the same either way: tests compare the
// two, benchmarks measure what the fast path saves.
void setTextFastPath(bool enabled);
