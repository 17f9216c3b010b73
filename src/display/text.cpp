#include "display/text.h"

// Placeholders until text rendering is built.
void TTFLoad(const char*, int, int) {}
int putString(int, int, int, const char*, int, int, int, FrameBuffer*, int, int, int, int) { return -1; }
int getStringSpace(int, const char*) { return 0; }
