#pragma once
struct FrameBuffer;

// TrueType text in numbered font slots.
void TTFLoad(const char* fileName, int pixelSize, int slotNo);
// Draws UTF-8 `text` with the pen at (x, y), y being the baseline. Returns -1.
int putString(int slotNo, int x, int y, const char* text, int r, int g, int b, FrameBuffer* fb, int flip,
              int vertical, int rowOrder, int toBack);
// Width in pixels of `text` in a slot.
int getStringSpace(int slotNo, const char* text);
