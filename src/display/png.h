#pragma once
// Background pictures: 8-bit RGBA PNG files named "<pngName>.png" in the
// working directory, no larger than the screen, copied into a 4-byte-per-pixel
// buffer at (imgX, imgY). The alpha channel is ignored.
#include <cstdio>

struct Works;

// Loads the picture named by works->pngName: toBack 1 into the background
// buffer, 0 into the draw buffer and then onto the screen. Failures are logged
// and leave the target buffer as it was.
void getPng(Works* works, int toBack);

// Decodes a PNG from an open stream into the buffer toBack selects, logging
// failures with `name`. Returns 0 when the picture was drawn, -1 otherwise.
// getPng opens the file; fuzzing feeds memory streams.
int loadPngStream(FILE* fp, const char* name, Works* works, int toBack);

// Chooses the picture of the current screen page (meters or spectrum), loads
// it as the background and copies it into the draw buffer.
void SetWorkImg(Works* works);
