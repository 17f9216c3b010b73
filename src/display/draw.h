#pragma once
// Drawing primitives. The last argument selects the buffer: 0 the draw buffer,
// 1 the background buffer. x grows to the right, y downwards.
struct FrameBuffer;
struct Works;

void DrawHorizontalLine(int xStart, int y, int xEnd, int r, int g, int b, FrameBuffer* fb, int toBack);
void DrawLine(int x1, int y1, int x2, int y2, int r, int g, int b, FrameBuffer* fb, int toBack);
void DrawArc(int cx, int cy, int radius, int startDeg, int endDeg, int r, int g, int b, FrameBuffer* fb, int toBack);
void DrawRect(Works* works, int x1, int y1, int x2, int y2, int r, int g, int b);
void FillBox(int x1, int y1, int x2, int y2, int r, int g, int b, FrameBuffer* fb, int toBack);
void FillRow(int x, int y, int r, int g, int b, FrameBuffer* fb, int keyR, int keyG, int keyB);
